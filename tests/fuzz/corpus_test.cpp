// Replays the committed fuzz corpus through each target in the ordinary builds, so that the
// inputs the fuzzers once failed on (the regress-* files) are checked by every test run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/targets.h"

#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel::fuzz {
namespace {
using sondrel::testing_support::PrintTo;
namespace fs = std::filesystem;
using testing_support::ReadFile;

struct Target {
    const char* name;  // the corpus folder
    int (*run)(const std::uint8_t*, std::size_t);
    std::size_t min_inputs;
};

class CorpusTest : public testing::TestWithParam<Target> {};

TEST_P(CorpusTest, EveryInputPassesTheTargetsChecks) {
    const Target& target = GetParam();
    const fs::path folder = fs::path(SONDREL_FUZZ_CORPUS) / target.name;
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    ASSERT_GE(inputs.size(), target.min_inputs) << folder;
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        const std::string bytes = ReadFile(input);
        // A failed check stops the process with the input's name on stderr.
        std::fprintf(stderr, "%s\n", input.filename().string().c_str());
        EXPECT_EQ(target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusTest,
                         testing::Values(Target{"text_to_number", FuzzTextToNumber, 20},
                                         Target{"format_number", FuzzFormatNumber, 20},
                                         Target{"session", FuzzSession, 10},
                                         Target{"batch", FuzzBatch, 10}),
                         testing_support::RowName{});

}  // namespace
}  // namespace sondrel::fuzz
