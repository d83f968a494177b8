#pragma once
// Names for the rows of table-driven tests: each row's `name` becomes the last part of its
// test's name, so that gtest and ctest list words ("Texts/QuoteTest.Quotes/Plain").

#include <gtest/gtest.h>

#include <string>

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

}  // namespace sondrel::testing_support
