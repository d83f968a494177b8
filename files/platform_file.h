#pragma once
// The few file calls that differ between POSIX and Windows, as the report writer needs them:
// one implementation per system (platform_file_posix.cpp, platform_file_windows.cpp).

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
    // A stored file no one may write: no write permission bits (POSIX), the read-only
    // attribute (Windows). Never a file of /proc or /sys, whose modes are the kernel's rules.
    bool read_only = false;
};

FileFacts LookUp(const std::filesystem::path& path);

enum class OpenFor {
    CreateNew,  // write a file that must not exist yet
    Truncate,   // write from empty, creating the file when missing (opening for output)
    Update,     // write without truncating; the file must exist
    Read,
};

// A file descriptor opened in binary as `how` asks, or -1 with errno saying why.
int OpenDescriptor(const std::filesystem::path& path, OpenFor how);

// The C library's fdopen and close, under each system's names.
std::FILE* StreamFromDescriptor(int fd, const char* mode);
void CloseDescriptor(int fd);

// Asks the system to put a flushed stream's file on disk: 0, or an errno value. A pipe, a
// terminal or a console needs nothing.
int SyncToDisk(std::FILE* file);

// Gives `file`, newly created, the owner, group and permission bits of the file at
// `original`: 0, or an errno value (EPERM when this user may not give it that owner).
int CopyOwnerAndMode(const std::filesystem::path& original, std::FILE* file);

// Renames `from` over `to` in one step, onto disk before it returns: 0, or an errno value.
int ReplaceByRename(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace sondrel::platform
