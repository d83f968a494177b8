#pragma once
// Names for the rows of table-driven tests: each row's `name` becomes the last part of its
// test's name, and gtest prints a row as its name, never as a dump of its bytes.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace sondrel::testing_support {

// The name generator for INSTANTIATE_TEST_SUITE_P; the row type needs a `name` member that
// converts to std::string. CMake's gtest_discover_tests takes these names with NO_PRETTY_VALUES,
// so that no dump of the row's bytes is appended to them.
struct RowName {
    template <class Row>
    std::string operator()(const testing::TestParamInfo<Row>& info) const {
        return std::string(info.param.name);
    }
};

// How gtest prints a row (in the test list, and beside a failure): its name. A test file brings
// it in with `using sondrel::testing_support::PrintTo;` in the namespace of its row types,
// where gtest looks for it; being constrained, it wins over gtest's own byte dump.
template <class Row>
requires requires(const Row& row) {
    std::string_view(row.name);
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << std::string_view(row.name);
}

}  // namespace sondrel::testing_support
