// The manual page and --help describe the same options, and each of them is one that
// sondrel-calc knows.

#include <gtest/gtest.h>

#include <algorithm>
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

// The lines an EXAMPLES block shows after `command`, up to the next command or the block's
// end, with the rows the page breaks with "\e" joined again.
std::string ExampleAfter(const std::string& page, const std::string& command) {
    const std::size_t start = page.find(command + "\n");
    if (start == std::string::npos) {
        ADD_FAILURE() << "no example " << command;
        return "";
    }
    const std::size_t from = start + command.size() + 1;
    const std::size_t next_command = page.find("\n$ ", from);
    const std::size_t end =
        std::min(page.find(".fi\n", from),
                 next_command == std::string::npos ? next_command : next_command + 1);
    std::string block = page.substr(from, end - from);
    for (std::size_t at; (at = block.find("\\e\n")) != std::string::npos;) {
        block.erase(at, 3);
    }
    return block;
}

// The batch example prints what the program prints for its file.
TEST(ManPage, BatchExampleIsTheOutput) {
    const std::string page = ManPageText();
    const std::string path = ::testing::TempDir() + "sondrel_man_sites.csv";
    std::ofstream(path, std::ios::binary) << ExampleAfter(page, "$ cat sites.csv");
    std::string out_text;
    std::string err_text;
    {
        Output out(&out_text);
        Output err(&err_text);
        EXPECT_EQ(cli::Run({"--batch", path}, out, err), 0) << err_text;
    }
    EXPECT_EQ(ExampleAfter(page, "$ sondrel-calc --batch sites.csv"), out_text);
}

}  // namespace
}  // namespace sondrel::cli
