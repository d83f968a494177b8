#include "files/file_writer.h"

#include <cerrno>
#include <chrono>
#include <random>
#include <system_error>
#include <thread>

#include "files/platform_file.h"

namespace sondrel {
namespace fs = std::filesystem;
using platform::FileFacts;
using platform::FileKind;
using platform::OpenFor;

namespace {

// errno, or EIO when a failing call left it unset.
int LastError() {
    return errno != 0 ? errno : EIO;
}

std::string ErrnoReason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

// The whole of an open stream added to `contents`: 0, or the errno value that stopped the reading.
int ReadWholeStream(std::FILE* file, std::string& contents) {
    errno = 0;
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.append(chunk, got);
    }
    return std::ferror(file) != 0 ? LastError() : 0;
}

// A path as messages show it, escaped so that no file name can break the message's line.
std::string NameForMessage(const fs::path& path) {
    return EscapeForMessage(PathToUtf8(path));
}

// `what` names the file: its full path, and where it leads when it is a link.
Failure FailWriting(const std::string& what, const std::string& reason) {
    return Failure{FailureKind::File, {}, "cannot write " + what + ": " + reason};
}

// The file a symbolic link finally points to (the path itself when it is no link); nullopt
// when the links go round in a loop.
std::optional<fs::path> FollowLinks(fs::path path) {
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);  // fails on all but a link
        if (ec) {
            return path;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

// Writes `bytes` through `write` (std::fwrite by default), flushes and syncs, and closes
// `file` whatever happens: 0, or an errno value.
int WriteAndClose(std::FILE* file, std::string_view bytes, const ChunkWriter& write) {
    errno = 0;
    const std::size_t written =
        write ? write(file, bytes) : std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = written != bytes.size() ? LastError() : 0;
    errno = 0;
    if (error == 0) {
        error = std::fflush(file) != 0 ? LastError() : platform::SyncToDisk(file);
    }
    errno = 0;
    if (std::fclose(file) != 0 && error == 0) {
        error = LastError();
    }
    return error;
}

// Opens `path` for output, truncating it, and writes `bytes`: 0, or an errno value.
int TruncateAndWrite(const fs::path& path, std::string_view bytes, const ChunkWriter& write) {
    errno = 0;
    std::FILE* file = platform::OpenStream(path, OpenFor::Truncate);
    return file == nullptr ? LastError() : WriteAndClose(file, bytes, write);
}

// The new text goes to a temporary file beside `target`, then renamed over it: the earlier
// file stays whole whatever fails. When `existing`, a file at `target`, cannot be replaced so
// (nothing changed), or nothing can be created or renamed there, `otherwise(errno value)` ends it.
template <typename Otherwise>
std::optional<Failure> ReplaceByRename(const fs::path& target, bool existing,
                                       const std::string& what, std::string_view bytes,
                                       const ChunkWriter& write, const Otherwise& otherwise) {
    // 21 bytes, so that a target with the longest name allowed still gets one; the counter
    // starts at random, so that two writers in one folder rarely try the same names.
    std::random_device random;
    unsigned counter = static_cast<unsigned>(random());
    fs::path temp;
    std::FILE* file = nullptr;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt, ++counter) {
        char name[24];
        std::snprintf(name, sizeof name, ".sondrel.tmp-%08x", counter & 0xffffffffu);
        temp = target.parent_path() / name;
        errno = 0;
        file = platform::OpenStream(temp, OpenFor::CreateNew);
        error = file == nullptr ? LastError() : 0;
    }
    if (file == nullptr) {
        return otherwise(error);
    }
    const auto drop_temp = [&] {
        std::error_code ignored;
        fs::remove(temp, ignored);
    };
    // Owner and mode before the first byte: a private report never sits readable by others.
    if (const int failed = existing ? platform::CopyOwnerAndMode(target, file) : 0; failed != 0) {
        std::fclose(file);
        drop_temp();
        return otherwise(failed);
    }
    if (const int failed = WriteAndClose(file, bytes, write); failed != 0) {
        drop_temp();
        return FailWriting(what, ErrnoReason(failed));
    }
    if (const int failed = platform::ReplaceByRename(temp, target); failed != 0) {
        drop_temp();
        return otherwise(failed);
    }
    return std::nullopt;
}

// Reads the earlier contents from `locked`, then writes the text over them; when that fails
// after changing the file, they are put back and the message says so.
std::optional<Failure> RewriteKeepingEarlier(std::FILE* locked, const fs::path& target,
                                             const std::string& what, std::string_view bytes,
                                             const ChunkWriter& write) {
    std::string earlier;
    if (const int failed = ReadWholeStream(locked, earlier); failed != 0) {
        return FailWriting(what,
                           "cannot read its earlier contents to keep them: " + ErrnoReason(failed));
    }
    // A text past the file-size limit would leave the file cut short, and the earlier
    // contents, as long, could not be put back.
    if (const int too_large = platform::CheckFileSizeLimit(bytes.size()); too_large != 0) {
        return FailWriting(what, ErrnoReason(too_large));
    }
    const int failed = TruncateAndWrite(target, bytes, write);
    if (failed == 0) {
        return std::nullopt;
    }
    const std::string reason = ErrnoReason(failed);
    // A file that refused the opening, or every byte and the truncation (as /proc's do), needs
    // nothing put back: it holds neither its earlier text nor a beginning of ours. Its text is
    // compared with ours rather than with the earlier one, which /proc's files change on their own.
    std::string now;
    if (const Result<ReadStream> reread = OpenToRead(target);
        reread && ReadWholeStream(reread->get(), now) == 0 &&
        (now == earlier || !bytes.starts_with(now))) {
        return FailWriting(what, reason);
    }
    if (const int restore_failed = TruncateAndWrite(target, earlier, {}); restore_failed != 0) {
        return FailWriting(what, reason + "; putting its earlier contents back failed too: " +
                                     ErrnoReason(restore_failed));
    }
    return FailWriting(what, reason + "; its earlier contents were put back");
}

// In place, once any other writer in place has finished (3 seconds at most), under the
// writers' lock: two at once leave one whole text, never a mix.
std::optional<Failure> WriteInPlace(const fs::path& target, const std::string& what,
                                    std::string_view bytes, const ChunkWriter& write) {
    const Result<ReadStream> file = OpenToRead(target);
    if (!file) {
        return FailWriting(
            what, "cannot read its earlier contents to keep them: " + file.failure().detail);
    }
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int error = platform::TryLock(file->get());
    while (error == EAGAIN && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        error = platform::TryLock(file->get());
    }
    if (error != 0) {
        return FailWriting(
            what, error == EAGAIN ? "another writer kept it locked for 3 seconds"
                                  : "cannot lock it against other writers: " + ErrnoReason(error));
    }
    std::optional<Failure> failure = RewriteKeepingEarlier(file->get(), target, what, bytes, write);
    platform::Unlock(file->get());
    return failure;
}

// Where a write of a path goes, how messages name it, and what is there now.
struct Destination {
    fs::path target;    // the path as TargetPath reads it
    fs::path followed;  // where its links lead
    std::string named;  // its full path, and " (a link to ...)" when it is a link
    FileFacts facts;    // the target looked up as opening it would: links followed by the system
};

// The destination of `path`; the failure when the links go round in a loop, or when the target
// is a folder or cannot be looked up (ENOENT, nothing there or a link that dangles, is none).
Result<Destination> DestinationOf(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) {
        return FailWriting(NameForMessage(path), ec.message());
    }
    fs::path target = platform::AsSystemReads(absolute);
    std::optional<fs::path> followed = FollowLinks(target);
    if (!followed) {
        return FailWriting(NameForMessage(target), ErrnoReason(ELOOP));
    }
    std::string named = NameForMessage(target);
    if (*followed != target) {
        named += " (a link to " + NameForMessage(platform::AsSystemReads(*followed)) + ")";
    }
    const FileFacts facts = platform::LookUp(target);
    if ((facts.error != 0 && facts.error != ENOENT) || facts.kind == FileKind::Directory) {
        return FailWriting(named, ErrnoReason(facts.error != 0 ? facts.error : EISDIR));
    }
    return Destination{std::move(target), std::move(*followed), std::move(named), facts};
}

}  // namespace

fs::path PathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

Result<ReadStream> OpenToRead(const fs::path& path) {
    errno = 0;
    std::FILE* file = platform::OpenStream(path, OpenFor::Read);
    if (file == nullptr) {
        return Failure{FailureKind::File, {}, ErrnoReason(errno)};
    }
    return ReadStream(file, &std::fclose);
}

fs::path TargetPath(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return ec ? path : platform::AsSystemReads(absolute);
}

std::optional<Failure> CheckWritableTarget(const fs::path& path) {
    const Result<Destination> destination = DestinationOf(path);
    if (!destination) {
        return destination.failure();
    }
    if (destination->facts.error == ENOENT) {
        // Created where the links lead: that folder must be there.
        const FileFacts folder = platform::LookUp(destination->followed.parent_path());
        if (folder.error != 0 || folder.kind != FileKind::Directory) {
            return FailWriting(destination->named,
                               ErrnoReason(folder.error != 0 ? folder.error : ENOTDIR));
        }
    }
    return std::nullopt;
}

std::optional<Failure> WriteFileReplacing(const fs::path& path, std::string_view bytes,
                                          const ChunkWriter& write) {
    const Result<Destination> destination = DestinationOf(path);
    if (!destination) {
        return destination.failure();
    }
    const auto& [target, followed, named_link, facts] = *destination;
    if (facts.error == ENOENT) {
        // Nothing there, or a link that dangles: the file is created where the link leads.
        // Named in the capture: clang before 16 cannot capture a structured binding.
        return ReplaceByRename(followed, false, named_link, bytes, write,
                               [&what = named_link](int error) {
                                   return std::optional(FailWriting(what, ErrnoReason(error)));
                               });
    }
    // Where the links as read do not lead to the same file (/proc/self/fd/1 names a pipe,
    // say), only the system's own lookup of the path reaches it.
    const FileFacts leads_to = platform::LookUp(followed);
    const bool reached =
        followed == target ||
        (leads_to.error == 0 && leads_to.device == facts.device && leads_to.inode == facts.inode);
    const fs::path file = reached ? followed : target;
    const std::string what = reached ? named_link : NameForMessage(target);
    if (facts.kind != FileKind::Regular) {
        // A device or a pipe: written to, never replaced, no earlier contents kept.
        const int failed = TruncateAndWrite(file, bytes, write);
        return failed == 0 ? std::nullopt : std::optional(FailWriting(what, ErrnoReason(failed)));
    }
    // A report no one may write is kept, for root too, who the system would let through: it
    // was made read-only to keep it, as Windows keeps one from its administrators.
    if (facts.read_only) {
        return FailWriting(what, ErrnoReason(EACCES));
    }
    // Whoever may not open the file for output may not replace it either (a report of another
    // user's, a file of the system's): the reason is the one opening it gives.
    errno = 0;
    std::FILE* probe = platform::OpenStream(file, OpenFor::Update);
    if (probe == nullptr) {
        return FailWriting(what, ErrnoReason(errno));
    }
    std::fclose(probe);
    const auto in_place = [&](int) { return WriteInPlace(file, what, bytes, write); };
    // A rename would cut a hard link off, or end up reaching some other file.
    return reached && facts.links <= 1 ? ReplaceByRename(file, true, what, bytes, write, in_place)
                                       : in_place(0);
}

}  // namespace sondrel
