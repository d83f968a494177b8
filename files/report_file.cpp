#include "files/report_file.h"

namespace sondrel {

std::optional<Failure> GenerateReport(const Design& loaded, const InputTexts& boxes,
                                      std::string_view results_text, std::string_view header,
                                      const std::filesystem::path& file, const ChunkWriter& write) {
    const Result<std::string> text = ReportText(loaded, boxes, results_text, header);
    if (!text) {
        return text.failure();
    }
    return WriteFileReplacing(file, *text, write);
}

}  // namespace sondrel
