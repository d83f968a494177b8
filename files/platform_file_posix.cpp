#include "files/platform_file.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

namespace sondrel::platform {
namespace {

// Whether `path` lies on /proc or /sys, whose files the kernel makes up as they are read.
bool OnKernelFileSystem(const std::filesystem::path& path) {
#ifdef __linux__
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 &&
           (info.f_type == PROC_SUPER_MAGIC || info.f_type == SYSFS_MAGIC);
#else
    (void)path;
    return false;
#endif
}

}  // namespace

FileFacts LookUp(const std::filesystem::path& path) {
    FileFacts facts;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        facts.error = errno != 0 ? errno : EIO;
        return facts;
    }
    facts.kind = S_ISREG(info.st_mode)   ? FileKind::Regular
                 : S_ISDIR(info.st_mode) ? FileKind::Directory
                                         : FileKind::Other;
    facts.links = static_cast<std::uint64_t>(info.st_nlink);
    facts.device = static_cast<std::uint64_t>(info.st_dev);
    facts.inode = static_cast<std::uint64_t>(info.st_ino);
    facts.read_only = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 &&
                      facts.kind == FileKind::Regular && !OnKernelFileSystem(path);
    return facts;
}

std::FILE* OpenStream(const std::filesystem::path& path, OpenFor how) {
    // In OpenFor's order: CreateNew, Truncate, Update, Read.
    constexpr int kFlags[] = {O_WRONLY | O_CREAT | O_EXCL, O_WRONLY | O_CREAT | O_TRUNC, O_WRONLY,
                              O_RDONLY};
    const int fd = ::open(path.c_str(), kFlags[static_cast<int>(how)] | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, how == OpenFor::Read ? "rb" : "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

int SyncToDisk(std::FILE* file) {
    // A pipe or a terminal cannot be synced and needs not be.
    return ::fsync(::fileno(file)) != 0 && errno != EINVAL && errno != EROFS ? errno : 0;
}

int CopyOwnerAndMode(const std::filesystem::path& original, std::FILE* file) {
    struct stat wanted {};
    struct stat have {};
    const int fd = ::fileno(file);
    if (::stat(original.c_str(), &wanted) != 0 || ::fstat(fd, &have) != 0) {
        return errno != 0 ? errno : EIO;
    }
    // Owner first: changing it clears the set-user and set-group bits that fchmod then sets.
    if ((wanted.st_uid != have.st_uid || wanted.st_gid != have.st_gid) &&
        ::fchown(fd, wanted.st_uid, wanted.st_gid) != 0) {
        return errno;
    }
    return ::fchmod(fd, wanted.st_mode & 07777) != 0 ? errno : 0;
}

int ReplaceByRename(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return errno != 0 ? errno : EIO;
    }
    // The rename lasts once the folder's entry is on disk.
    const int folder = ::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

int TryLock(std::FILE* file) {
    const int failed = ::flock(::fileno(file), LOCK_EX | LOCK_NB);
    return failed == 0 ? 0 : errno == EWOULDBLOCK ? EAGAIN : errno;
}

void Unlock(std::FILE* file) {
    ::flock(::fileno(file), LOCK_UN);
}

int CheckFileSizeLimit(std::uintmax_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur) {
        return EFBIG;
    }
    return 0;
}

std::filesystem::path AsSystemReads(const std::filesystem::path& absolute) {
    if (std::find(absolute.begin(), absolute.end(), "..") == absolute.end()) {
        return absolute.lexically_normal();
    }
    // The folder is resolved whole (the name too when it is "." or ".."), links followed.
    const std::filesystem::path name = absolute.filename();
    const bool name_steps = name == "." || name == "..";
    const std::filesystem::path folder = name_steps ? absolute : absolute.parent_path();
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(folder, ec);
    if (ec) {
        return absolute;
    }
    return name_steps ? resolved : resolved / name;
}

}  // namespace sondrel::platform
