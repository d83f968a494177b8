#pragma once
// Writing a whole file safely: the new text goes to a temporary file beside the target,
// which then replaces the target in one rename, so a failure never leaves half a file.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>

namespace sondrel {

// Writes bytes to an open file and returns how many were written; fewer than asked is a
// failure, with errno telling why. The default is std::fwrite; tests put a failing one here.
using ChunkWriter = std::function<std::size_t(std::FILE* file, std::string_view bytes)>;

// Replaces `target` with exactly `bytes`. A symbolic link is followed, as opening it for
// output would: the file it points to is replaced, or created when the link dangles (its
// folder must exist). On any failure the earlier file is left as it was, the temporary file
// is removed, and Failure (kind File) says "cannot write <full path>: <the system's reason>",
// the path followed by " (a link to <where it leads>)" for a link.
void WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes,
                        const ChunkWriter& write = {});

}  // namespace sondrel
