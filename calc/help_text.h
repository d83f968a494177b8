#pragma once
// The text the "Help" command puts in the results box, with "\r\n" line breaks: the window
// and the page show the same.

#include <string_view>

namespace sondrel {

inline constexpr std::string_view kHelpText =
    "Generate_Report puts 'Output.txt' in the folder that Sondrel was started from.\r\n\r\n"
    "Report_Header allows  you to put a header on the report.\r\n\r\n"
    "R4 + R9 + R8 = 9.4K.\r\n\r\n"
    "Theoretical calculation is a little off, R3 and R4 values reported are adjusted slightly "
    "to fit experimental evidence.";

}  // namespace sondrel
