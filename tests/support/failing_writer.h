#pragma once
// A chunk writer for the file writer's tests that fails part-way through, as a disk that
// fills up during the write would.

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace sondrel::testing_support {

// Writes half the bytes, then fails with ENOSPC.
inline std::size_t HalfThenDiskFull(std::FILE* file, std::string_view bytes) {
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size() / 2, file);
    std::fflush(file);
    errno = ENOSPC;
    return written;
}

}  // namespace sondrel::testing_support
