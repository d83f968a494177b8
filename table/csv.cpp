#include "table/csv.h"

namespace sondrel {

void WriteWarningCodes(TextWriter& out, const Outcome& outcome) {
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i) {
        out << (i == 0 ? "" : ";") << outcome.warnings[i].code;
    }
}

void WriteCsvResultHeader(TextWriter& out) {
    for (const CsvColumn& column : kCsvResultColumnList) {
        out << (&column == kCsvResultColumnList ? "" : ",") << column.name;
    }
    out << '\n';
}

void WriteCsvOutcome(TextWriter& out, const Outcome& outcome) {
    for (const CsvColumn& column : kCsvResultColumnList) {
        if (&column != kCsvResultColumnList) {
            out << ',';
        }
        if (column.field == nullptr && !outcome.solved) {
            out.CsvField(outcome.failure.Message());
        } else if (column.field != nullptr && outcome.solved) {
            column.field(out, outcome);
        }
    }
    out << '\n';
}

}  // namespace sondrel
