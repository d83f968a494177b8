#pragma once
// The fuzz targets as plain functions, so that libFuzzer drives them in the fuzz build and the
// tests replay the committed corpus through them in every other build.

#include <cstddef>
#include <cstdint>

namespace sondrel::fuzz {

// One byte selecting the separators ("0" for "." and ",", see SeparatorsFor), then the text
// typed into a box.
int FuzzTextToNumber(const std::uint8_t* data, std::size_t size);

// One byte picking the pattern ("0" ohms, "1" volts, "2" metric), then the value as a decimal
// text; with the byte's top bit set, as the 8 raw bytes of a double instead.
int FuzzFormatNumber(const std::uint8_t* data, std::size_t size);

// One selector byte, then up to seven texts split by 0x1F: the five inputs, the report header
// and what the results box holds before Calculate. Missing ones keep the window's defaults.
int FuzzSession(const std::uint8_t* data, std::size_t size);

// The bytes of a batch file (sondrel-calc --batch FILE).
int FuzzBatch(const std::uint8_t* data, std::size_t size);

}  // namespace sondrel::fuzz

// In a libFuzzer build each target's file also defines the entry point libFuzzer calls.
#ifdef SONDREL_LIBFUZZER
#define SONDREL_FUZZ_ENTRY_POINT(function)                                              \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        return function(data, size);                                                    \
    }
#else
#define SONDREL_FUZZ_ENTRY_POINT(function)
#endif
