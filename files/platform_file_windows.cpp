#include "files/platform_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// Paths go to the system as UTF-16 (path.c_str() is wchar_t here), never through the ANSI
// code page; the system's error codes come back as errno values, so that the report's
// messages read the same as on POSIX.

namespace sondrel::platform {
namespace {

// Each errno value with the system's error codes it stands for; any other code is EIO.
constexpr struct {
    int error;
    DWORD codes[6];
} kErrnoOf[] = {
    {ENOENT,
     {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE, ERROR_BAD_NETPATH,
      ERROR_BAD_NET_NAME, ERROR_INVALID_NAME}},
    {EACCES,
     {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_CURRENT_DIRECTORY}},
    {EEXIST, {ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS}},
    {ENOSPC, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL}},
    {EROFS, {ERROR_WRITE_PROTECT}},
    {EXDEV, {ERROR_NOT_SAME_DEVICE}},
    {ENAMETOOLONG, {ERROR_FILENAME_EXCED_RANGE}},
    {ENOMEM, {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}},
};

int ErrnoFromWindows(DWORD code) {
    for (const auto& [error, codes] : kErrnoOf) {
        // The rows' unused places hold 0, which is no failure.
        if (code != ERROR_SUCCESS && std::ranges::find(codes, code) != std::end(codes)) {
            return error;
        }
    }
    return EIO;
}

HANDLE HandleOf(std::FILE* file) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
}

// The byte the writers' lock covers: far past any file's data, so that reads and writes of
// the file, which Windows checks against every lock, never meet it.
OVERLAPPED LockedByte() {
    OVERLAPPED at{};
    at.Offset = 0xfffffffeu;
    at.OffsetHigh = 0x7fffffffu;
    return at;
}

}  // namespace

FileFacts LookUp(const std::filesystem::path& path) {
    FileFacts facts;
    // Backup semantics: folders open too.
    HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        facts.error = ErrnoFromWindows(::GetLastError());
        return facts;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info)) {
        facts.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                                             : FileKind::Regular;
        facts.links = info.nNumberOfLinks;
        facts.device = info.dwVolumeSerialNumber;
        facts.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        facts.read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    ::CloseHandle(handle);
    return facts;
}

std::FILE* OpenStream(const std::filesystem::path& path, OpenFor how) {
    // In OpenFor's order: CreateNew, Truncate, Update, Read.
    constexpr int kFlags[] = {_O_WRONLY | _O_CREAT | _O_EXCL, _O_WRONLY | _O_CREAT | _O_TRUNC,
                              _O_WRONLY, _O_RDONLY};
    // Windows refuses to write a read-only file, administrators included; Wine run as root
    // lets the write through, so the attribute is asked first.
    if (how == OpenFor::Truncate || how == OpenFor::Update) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            errno = EACCES;
            return nullptr;
        }
    }
    const int fd = ::_wopen(path.c_str(), kFlags[static_cast<int>(how)] | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, how == OpenFor::Read ? "rb" : "wb");
    if (file == nullptr) {
        const int error = errno;
        ::_close(fd);
        errno = error;
    }
    return file;
}

int SyncToDisk(std::FILE* file) {
    // A console or a pipe cannot be flushed to disk and needs not be.
    if (::GetFileType(HandleOf(file)) == FILE_TYPE_DISK && ::_commit(::_fileno(file)) != 0) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

int CopyOwnerAndMode(const std::filesystem::path&, std::FILE*) {
    // The new file takes its folder's access rules, as the earlier one did; a read-only
    // target never gets this far (it cannot be opened for writing).
    return 0;
}

int ReplaceByRename(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return ErrnoFromWindows(::GetLastError());
    }
    return 0;
}

int TryLock(std::FILE* file) {
    OVERLAPPED at = LockedByte();
    if (!::LockFileEx(HandleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &at)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EAGAIN
                                                                          : ErrnoFromWindows(error);
    }
    return 0;
}

void Unlock(std::FILE* file) {
    OVERLAPPED at = LockedByte();
    ::UnlockFileEx(HandleOf(file), 0, 1, 0, &at);
}

int CheckFileSizeLimit(std::uintmax_t) {
    return 0;
}

std::filesystem::path AsSystemReads(const std::filesystem::path& absolute) {
    return absolute.lexically_normal();
}

}  // namespace sondrel::platform
