#include "files/file_writer.h"

#include <cerrno>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "calc/failure.h"
#include "files/platform_file.h"

namespace sondrel {
namespace fs = std::filesystem;
using platform::FileFacts;
using platform::FileKind;
using platform::OpenFor;

namespace {

// A binary stream opened as `how` asks, or nullptr with errno saying why.
std::FILE* OpenFile(const fs::path& path, OpenFor how) {
    const int fd = platform::OpenDescriptor(path, how);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = platform::StreamFromDescriptor(fd, how == OpenFor::Read ? "rb" : "wb");
    if (file == nullptr) {
        const int error = errno;
        platform::CloseDescriptor(fd);
        errno = error;
    }
    return file;
}

// Flushes the stream and asks the system to put the file on disk: 0, or an errno value.
int SyncFile(std::FILE* file) {
    errno = 0;
    if (std::fflush(file) != 0) {
        return errno != 0 ? errno : EIO;
    }
    return platform::SyncToDisk(file);
}

// A path as messages show it: UTF-8, with control characters and bytes that are not UTF-8
// escaped, so that no file name can break the message's line.
std::string NameForMessage(const fs::path& path) {
    return EscapeForMessage(PathToUtf8(path));
}

// `what` names the file: its full path, and where it leads when it is a link.
Failure FailWriting(const std::string& what, const std::string& reason) {
    return Failure{FailureKind::File, {}, "cannot write " + what + ": " + reason};
}

std::string ErrnoReason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

// The file a symbolic link finally points to (the path itself when it is no link); nullopt
// when the links go round in a loop.
std::optional<fs::path> FollowLinks(const fs::path& link) {
    fs::path path = link;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)) || ec) {
            return path;
        }
        fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            return path;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

bool SameFile(const FileFacts& a, const FileFacts& b) {
    return a.error == 0 && b.error == 0 && a.device == b.device && a.inode == b.inode;
}

// Writes `bytes` through `write` (std::fwrite by default), syncs and closes `file` whatever
// happens: 0, or an errno value.
int WriteAndClose(std::FILE* file, std::string_view bytes, const ChunkWriter& write) {
    errno = 0;
    const std::size_t written =
        write ? write(file, bytes) : std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = 0;
    if (written != bytes.size()) {
        error = errno != 0 ? errno : EIO;
    } else {
        error = SyncFile(file);
    }
    errno = 0;
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    return error;
}

// A new name beside `target` for the next text, created empty; nullopt when none can be made.
// The name is a fixed prefix and a counter, 21 bytes whatever the target is called, so that a
// target with the longest name the folder allows still gets one. The counter starts at a
// random value, so that two writers in one folder rarely try the same names.
std::optional<fs::path> CreateTemporaryBeside(const fs::path& target, std::FILE*& file,
                                              int& error) {
    std::random_device random;
    unsigned counter = static_cast<unsigned>(random());
    for (int attempt = 0; attempt < 100; ++attempt, ++counter) {
        char name[24];
        std::snprintf(name, sizeof name, ".sondrel.tmp-%08x", counter & 0xffffffffu);
        const fs::path temp = target.parent_path() / name;
        errno = 0;
        file = OpenFile(temp, OpenFor::CreateNew);
        if (file != nullptr) {
            return temp;
        }
        error = errno != 0 ? errno : EIO;
        if (error != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

enum class Replaced { Done, NotSafe, Failed };

// The new text goes to a temporary file beside `target` which is then renamed over it: the
// earlier file stays whole whatever fails. NotSafe (nothing changed, no temporary file left)
// when the temporary file cannot be made, cannot be given the target's owner and mode, or
// cannot be renamed over it: the caller writes in place instead. Failed, with `failure`
// filled in, when the write fails. `existing`: whether there is a file at `target` to take
// the owner and mode from.
Replaced ReplaceByRename(const fs::path& target, bool existing, const std::string& what,
                         std::string_view bytes, const ChunkWriter& write, Failure& failure) {
    const auto fail = [&](int error) {
        failure = FailWriting(what, ErrnoReason(error));
        return Replaced::Failed;
    };
    std::FILE* file = nullptr;
    int error = 0;
    const std::optional<fs::path> temp = CreateTemporaryBeside(target, file, error);
    if (!temp) {
        return existing ? Replaced::NotSafe : fail(error);
    }
    const auto drop_temp = [&] {
        std::error_code ignored;
        fs::remove(*temp, ignored);
    };
    // Owner and mode before the first byte: a private report never sits readable by others.
    if (existing && platform::CopyOwnerAndMode(target, file) != 0) {
        std::fclose(file);
        drop_temp();
        return Replaced::NotSafe;
    }
    if (const int failed = WriteAndClose(file, bytes, write); failed != 0) {
        drop_temp();
        return fail(failed);
    }
    if (const int failed = platform::ReplaceByRename(*temp, target); failed != 0) {
        drop_temp();
        return existing ? Replaced::NotSafe : fail(failed);
    }
    return Replaced::Done;
}

// Opens `target` for output, truncating it, and writes the text. A regular file's earlier
// contents are read first and, when the write fails after changing the file, put back; the
// message says so.
std::optional<Failure> WriteInPlace(const fs::path& target, FileKind kind, const std::string& what,
                                    std::string_view bytes, const ChunkWriter& write) {
    std::string earlier;
    const bool keep_earlier = kind == FileKind::Regular;
    if (keep_earlier) {
        if (const int failed = ReadWholeFile(target, earlier); failed != 0) {
            return FailWriting(
                what, "cannot read its earlier contents to keep them: " + ErrnoReason(failed));
        }
    }
    errno = 0;
    std::FILE* file = OpenFile(target, OpenFor::Truncate);
    if (file == nullptr) {
        return FailWriting(what, ErrnoReason(errno));
    }
    const int failed = WriteAndClose(file, bytes, write);
    if (failed == 0) {
        return std::nullopt;
    }
    const std::string reason = ErrnoReason(failed);
    if (!keep_earlier) {
        return FailWriting(what, reason);
    }
    // A file that refused every byte and the truncation (as /proc's do) needs nothing put
    // back: it holds neither its earlier text nor a beginning of ours. Its text is compared
    // with ours rather than with the earlier one, which /proc's files change on their own.
    std::string now;
    if (ReadWholeFile(target, now) == 0 && (now == earlier || !bytes.starts_with(now))) {
        return FailWriting(what, reason);
    }
    errno = 0;
    std::FILE* restore = OpenFile(target, OpenFor::Truncate);
    const int restore_failed =
        restore == nullptr ? (errno != 0 ? errno : EIO) : WriteAndClose(restore, earlier, {});
    if (restore_failed != 0) {
        return FailWriting(what, reason + "; putting its earlier contents back failed too: " +
                                     ErrnoReason(restore_failed));
    }
    return FailWriting(what, reason + "; its earlier contents were put back");
}

}  // namespace

int ReadWholeStream(std::FILE* file, std::string& contents) {
    contents.clear();
    errno = 0;
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.append(chunk, got);
    }
    return std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
}

int ReadWholeFile(const fs::path& path, std::string& contents) {
    contents.clear();
    errno = 0;
    std::FILE* file = OpenFile(path, OpenFor::Read);
    if (file == nullptr) {
        return errno != 0 ? errno : EIO;
    }
    std::error_code ignored;
    const std::uintmax_t size = fs::file_size(path, ignored);
    if (!ignored && size < (std::uintmax_t{1} << 32)) {
        contents.reserve(static_cast<std::size_t>(size));  // a hint: the file may still change
    }
    const int error = ReadWholeStream(file, contents);
    std::fclose(file);
    return error;
}

fs::path PathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path TargetPath(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal();
}

namespace {

// Where a write of `target` (made absolute and normal) goes, and how messages name it.
struct Destination {
    fs::path followed;  // where the links lead
    std::string named;  // its full path, and " (a link to ...)" when it is a link
};

Result<Destination> DestinationOf(const fs::path& target_path, fs::path& target) {
    std::error_code ec;
    target = fs::absolute(target_path, ec);
    if (ec) {
        return FailWriting(NameForMessage(target_path), ec.message());
    }
    target = target.lexically_normal();
    std::optional<fs::path> followed = FollowLinks(target);
    if (!followed) {
        return FailWriting(NameForMessage(target), ErrnoReason(ELOOP));
    }
    std::string named = NameForMessage(target);
    if (*followed != target) {
        named += " (a link to " + NameForMessage(followed->lexically_normal()) + ")";
    }
    return Destination{std::move(*followed), std::move(named)};
}

}  // namespace

std::optional<Failure> CheckWritableTarget(const fs::path& target_path) {
    fs::path target;
    const Result<Destination> destination = DestinationOf(target_path, target);
    if (!destination) {
        return destination.failure();
    }
    const FileFacts facts = platform::LookUp(target);
    if (facts.error == ENOENT) {
        // Created where the links lead: that folder must be there.
        const FileFacts folder = platform::LookUp(destination->followed.parent_path());
        if (folder.error != 0 || folder.kind != FileKind::Directory) {
            return FailWriting(destination->named,
                               ErrnoReason(folder.error != 0 ? folder.error : ENOTDIR));
        }
        return std::nullopt;
    }
    if (facts.error != 0 || facts.kind == FileKind::Directory) {
        return FailWriting(destination->named,
                           ErrnoReason(facts.error != 0 ? facts.error : EISDIR));
    }
    return std::nullopt;
}

std::optional<Failure> WriteFileReplacing(const fs::path& target_path, std::string_view bytes,
                                          const ChunkWriter& write) {
    fs::path target;
    const Result<Destination> destination = DestinationOf(target_path, target);
    if (!destination) {
        return destination.failure();
    }
    const fs::path& followed = destination->followed;
    const std::string& named_link = destination->named;

    // Looked up as opening it would: links followed by the system.
    const FileFacts facts = platform::LookUp(target);
    if (facts.error == ENOENT) {
        // Nothing there, or a link that dangles: the file is created where the link leads.
        Failure failure;
        if (ReplaceByRename(followed, false, named_link, bytes, write, failure) ==
            Replaced::Failed) {
            return failure;
        }
        return std::nullopt;
    }
    if (facts.error != 0) {
        return FailWriting(named_link, ErrnoReason(facts.error));
    }
    if (facts.kind == FileKind::Directory) {
        return FailWriting(named_link, ErrnoReason(EISDIR));
    }
    // Where the links as read do not lead to the same file (/proc/self/fd/1 names a pipe,
    // say), only the system's own lookup of the path reaches it.
    const bool reached = followed == target || SameFile(facts, platform::LookUp(followed));
    const fs::path file = reached ? followed : target;
    const std::string what = reached ? named_link : NameForMessage(target);
    if (facts.kind != FileKind::Regular) {
        // A device or a pipe: written to, never replaced.
        return WriteInPlace(file, facts.kind, what, bytes, write);
    }
    // A report no one may write is kept, for root too, who the system would let through: it
    // was made read-only to keep it, as Windows keeps one from its administrators.
    if (facts.kind == FileKind::Regular && facts.read_only) {
        return FailWriting(what, ErrnoReason(EACCES));
    }
    // Whoever may not open the file for output may not replace it either (a report of another
    // user's, a file of the system's): the reason is the one opening it gives.
    errno = 0;
    std::FILE* probe = OpenFile(file, OpenFor::Update);
    if (probe == nullptr) {
        return FailWriting(what, ErrnoReason(errno));
    }
    std::fclose(probe);
    // A rename would cut a hard link off, or end up reaching some other file.
    if (reached && facts.links <= 1) {
        Failure failure;
        switch (ReplaceByRename(file, true, what, bytes, write, failure)) {
            case Replaced::Done:
                return std::nullopt;
            case Replaced::Failed:
                return failure;
            case Replaced::NotSafe:
                break;
        }
    }
    return WriteInPlace(file, facts.kind, what, bytes, write);
}

}  // namespace sondrel
