// The manual page and --help describe the same options, and each of them is one that
// sondrel-calc knows.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "cli/run.h"

namespace sondrel::cli {
namespace {

std::set<std::string> LongOptions(const std::string& text) {
    static const std::regex kOption("--[a-z][a-z-]*[a-z]");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kOption);
         it != std::sregex_iterator(); ++it) {
        options.insert(it->str());
    }
    return options;
}

// The page as a reader sees the option names: troff's "\-" is a plain "-".
std::string ManPageText() {
    std::ifstream in(SONDREL_MAN_PAGE);
    EXPECT_TRUE(in) << SONDREL_MAN_PAGE;
    std::string text{std::istreambuf_iterator<char>(in), {}};
    for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) {
        text.erase(at, 1);
    }
    return text;
}

TEST(ManPage, ListsTheOptionsOfHelp) {
    const std::set<std::string> help = LongOptions(std::string(UsageText()));
    const std::set<std::string> page = LongOptions(ManPageText());
    EXPECT_GE(help.size(), 7u);
    EXPECT_EQ(help, page);
}

TEST(ManPage, OptionsAreKnownToTheProgram) {
    for (const std::string& option : LongOptions(ManPageText())) {
        std::string out_text;
        std::string err_text;
        {
            Output out(&out_text);
            Output err(&err_text);
            cli::Run({option}, out, err);
        }
        EXPECT_EQ(err_text.find("unknown option"), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace sondrel::cli
