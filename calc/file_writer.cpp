#include "calc/file_writer.h"

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "calc/failure.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define SONDREL_HAVE_FSYNC 1
#endif

namespace sondrel {
namespace fs = std::filesystem;

namespace {

// `what` names the file: its full path, and where it leads when it is a link.
[[noreturn]] void FailWriting(const std::string& what, const std::string& reason) {
    throw Failure(FailureKind::File, "cannot write " + what + ": " + reason);
}

std::string ErrnoReason(int error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

// The file a symbolic link finally points to (the path itself when it is no link).
fs::path FollowLinks(const fs::path& link) {
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
    FailWriting(link.string(), ErrnoReason(ELOOP));
}

std::FILE* OpenTemporaryBeside(const fs::path& target, const std::string& what, fs::path& temp) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[20];
        std::snprintf(suffix, sizeof suffix, ".tmp-%08x", static_cast<unsigned>(random()));
        std::string name = ".";  // appended piece by piece: GCC 12 misreads "." + string
        name += target.filename().string();
        name += suffix;
        temp = target.parent_path() / name;
        errno = 0;
        // "x": never reuse a name that exists.
        if (std::FILE* file = std::fopen(temp.string().c_str(), "wbx")) {
            return file;
        }
        if (errno != EEXIST) {
            FailWriting(what, ErrnoReason(errno));
        }
    }
    FailWriting(what, ErrnoReason(EEXIST));
}

}  // namespace

void WriteFileReplacing(const fs::path& target_path, std::string_view bytes,
                        const ChunkWriter& write) {
    std::error_code ec;
    fs::path target = fs::absolute(target_path, ec);
    if (ec) {
        FailWriting(target_path.string(), ec.message());
    }
    target = target.lexically_normal();
    const fs::path followed = FollowLinks(target);
    const std::string what = followed == target ? target.string()
                                                : target.string() + " (a link to " +
                                                      followed.lexically_normal().string() + ")";
    target = followed;

    fs::path temp;
    std::FILE* file = OpenTemporaryBeside(target, what, temp);
    const auto give_up = [&](int error, std::FILE* open_file) {
        if (open_file != nullptr) {
            std::fclose(open_file);
        }
        std::error_code ignored;
        fs::remove(temp, ignored);
        FailWriting(what, ErrnoReason(error));
    };

    errno = 0;
    const std::size_t written =
        write ? write(file, bytes) : std::fwrite(bytes.data(), 1, bytes.size(), file);
    if (written != bytes.size()) {
        give_up(errno, file);
    }
    errno = 0;
    if (std::fflush(file) != 0) {
        give_up(errno, file);
    }
#ifdef SONDREL_HAVE_FSYNC
    if (::fsync(::fileno(file)) != 0) {
        give_up(errno, file);
    }
#endif
    errno = 0;
    if (std::fclose(file) != 0) {
        give_up(errno, nullptr);
    }

    // Keep the earlier report's permissions.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) {
        fs::permissions(temp, old.permissions(), ec);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        FailWriting(what, ec.message());
    }
}

}  // namespace sondrel
