#pragma once
// A fresh folder for one test, removed with all it holds afterwards, a file read back whole,
// and the temporary files a half-done write would leave in a folder.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sondrel::testing_support {

// Made under the system's temporary folder with a name no other run has taken.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view prefix = "sondrel-test") {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path temporary = fs::temp_directory_path(ec);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            fs::path candidate = temporary / (std::string(prefix) + "-" + std::to_string(random()));
            if (fs::create_directory(candidate, ec)) {
                path_ = std::move(candidate);
            }
        }
    }
    ~ScratchFolder() {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
            std::filesystem::remove_all(path_, ec);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The whole file, bytes as written; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names in `dir` that only a half-done write could have left: its temporary files.
inline std::vector<std::string> Temporaries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            names.push_back(name);
        }
    }
    return names;
}

}  // namespace sondrel::testing_support
