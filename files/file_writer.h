#pragma once
// Writing a whole file safely: by a rename from a temporary file beside it where that is
// safe, else in place with the earlier contents kept to put back when the write fails.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "calc/failure.h"

namespace sondrel {

// Writes bytes to an open file and returns how many were written; fewer than asked is a
// failure, with errno telling why. The default is std::fwrite; tests put a failing one here.
using ChunkWriter = std::function<std::size_t(std::FILE* file, std::string_view bytes)>;

// Paths to and from UTF-8 text, alike on every system: on Windows, std::filesystem::path's
// own conversions from and to std::string go through the ANSI code page instead.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

// A file open to read, closed when its handle goes.
using ReadStream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The file at `path` opened to read, in binary: its stream, or the failure (kind File) whose
// detail is the system's reason ("No such file or directory").
Result<ReadStream> OpenToRead(const std::filesystem::path& path);

// The path as the writer takes it: absolute, ".." read as the system reads it ("d/../r.txt" is
// r.txt above where the link d leads; on Windows, beside d), the file's own link not followed.
std::filesystem::path TargetPath(const std::filesystem::path& path);

// What can be told of writing `target` before the bytes are made: WriteFileReplacing's failure
// when `target` is a folder or the folder it would be created in is missing or none.
[[nodiscard]] std::optional<Failure> CheckWritableTarget(const std::filesystem::path& target);

// Replaces `target` (as TargetPath reads it) with exactly `bytes`, following a link to the file
// it leads to (created when the link dangles); a file the user may not open for output fails as
// opening it does. A regular file with one name is replaced by renaming over it a temporary file
// written beside it with its owner and mode; it is written in place when it has hard links, when
// that temporary file cannot be made or given the owner or renamed, and when it is a device or a
// pipe. Writers in place take turns (a lock waited for 3 s at most): two leave one whole text.
// On a failure the earlier file is left as it was (in place: its earlier contents put back), no
// temporary file stays, and the failure (kind File) says "cannot write <full path>: <reason>",
// the path followed by " (a link to <where it leads>)" for a link, the reason by "; its earlier
// contents were put back" or why they could not be. Paths are escaped as EscapeForMessage does.
[[nodiscard]] std::optional<Failure> WriteFileReplacing(const std::filesystem::path& target,
                                                        std::string_view bytes,
                                                        const ChunkWriter& write = {});

}  // namespace sondrel
