#pragma once
// The few file calls that differ between POSIX and Windows, as the file writer needs them:
// one implementation per system. Only files/ includes this.

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace sondrel::platform {

enum class FileKind { Regular, Directory, Other };  // Other: a device, a pipe, a socket

// What looking a path up tells, links followed as opening it would follow them.
struct FileFacts {
    int error = 0;  // an errno value when the lookup failed (ENOENT: nothing there)
    FileKind kind = FileKind::Other;
    std::uint64_t links = 1;   // names the file has (hard links)
    std::uint64_t device = 0;  // device and inode (volume and file index on Windows):
    std::uint64_t inode = 0;   // together they tell one file from another
    bool read_only = false;  // no write bits (POSIX, never on /proc or /sys) or read-only (Windows)
};

FileFacts LookUp(const std::filesystem::path& path);

// CreateNew writes a file that must not exist yet; Truncate, from empty, creating the file when
// missing (opening for output); Update, without truncating, a file that exists.
enum class OpenFor { CreateNew, Truncate, Update, Read };

// A binary stream opened as `how` asks, or nullptr with errno saying why.
std::FILE* OpenStream(const std::filesystem::path& path, OpenFor how);

// The functions below return 0 or an errno value.
// Puts a flushed stream's file on disk; a pipe, a terminal or a console needs nothing.
int SyncToDisk(std::FILE* file);

// Gives `file`, newly created, the owner, group and permission bits of the file at
// `original` (EPERM when this user may not give it that owner).
int CopyOwnerAndMode(const std::filesystem::path& original, std::FILE* file);

// Renames `from` over `to` in one step, onto disk before it returns.
int ReplaceByRename(const std::filesystem::path& from, const std::filesystem::path& to);

// Takes the writers' advisory lock of `file` without waiting (EAGAIN while another holds it):
// flock on POSIX; on Windows one byte far past any data, barring no one from the file's bytes.
int TryLock(std::FILE* file);
void Unlock(std::FILE* file);

// EFBIG when `size` bytes are past the process's file-size limit (ulimit -f; none on Windows).
int CheckFileSizeLimit(std::uintmax_t size);

// An absolute path as the system reads it: on POSIX a path with ".." has its folder resolved by
// the system ("d/.." is the folder above where the link d leads), left as it was when that
// fails; otherwise, and on Windows, which takes ".." away from the text, made normal lexically.
std::filesystem::path AsSystemReads(const std::filesystem::path& absolute);

}  // namespace sondrel::platform
