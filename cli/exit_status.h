#pragma once
// sondrel-calc's exit statuses: 0 done, 1 a failure, 2 usage, 3 --strict and a warning.
// Every part of the command line that decides one takes it from here.

namespace sondrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;  // --strict, and the design drew a warning

}  // namespace sondrel::cli
