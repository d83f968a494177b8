#include "files/report_file.h"

namespace sondrel {

void GenerateReport(const LoadedInputs& loaded, const InputTexts& boxes,
                    std::string_view results_text, std::string_view header,
                    const std::filesystem::path& file, const ChunkWriter& write) {
    WriteFileReplacing(file, ReportText(loaded, boxes, results_text, header), write);
}

}  // namespace sondrel
