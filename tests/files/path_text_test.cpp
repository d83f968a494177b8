#include "files/file_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

// A file name typed as UTF-8 must name the same characters as a path on every platform
// (on Windows the narrow path constructor would read the bytes in the ANSI code page).
struct PathCase {
    const char* name;
    std::string utf8;
    std::u32string folder;  // the parent path, as characters
    std::u32string file;    // the file name, as characters
};

class PathFromUtf8Test : public testing::TestWithParam<PathCase> {};

TEST_P(PathFromUtf8Test, KeepsTheCharacters) {
    const PathCase& c = GetParam();
    const std::filesystem::path path = PathFromUtf8(c.utf8);
    EXPECT_EQ(path.parent_path().u32string(), c.folder);
    EXPECT_EQ(path.filename().u32string(), c.file);
    // And back to the same bytes, as messages and --json print it.
    EXPECT_EQ(PathToUtf8(path), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PathFromUtf8Test,
    testing::Values(PathCase{"LatinFileName", "H\xC3\xB6he.txt", U"", U"H\u00F6he.txt"},
                    PathCase{"Cjk", "\xE6\xB5\x8B/\xE8\xAF\x95.txt", U"\u6D4B", U"\u8BD5.txt"},
                    // Outside the Basic Multilingual Plane: a surrogate pair on Windows.
                    PathCase{"Emoji", "\xF0\x9F\x8C\xA1/r.txt", U"\U0001F321", U"r.txt"}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
