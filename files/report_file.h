#pragma once
// The report as a file: its text written over Output.txt (or another file) in one safe
// replacement.

#include <filesystem>
#include <optional>
#include <string_view>

#include "calc/design.h"
#include "calc/report.h"
#include "files/file_writer.h"

namespace sondrel {

// Builds the report text first, then replaces `file` with it (Output.txt in the current
// folder by default). A failure while building leaves the file untouched; a failure while
// writing (kind File) leaves the earlier file byte for byte. Returns the failure, if any.
[[nodiscard]] std::optional<Failure> GenerateReport(
    const Design& loaded, const InputTexts& boxes, std::string_view results_text,
    std::string_view header,
    const std::filesystem::path& file = std::filesystem::path(kReportFileName),
    const ChunkWriter& write = {});

}  // namespace sondrel
