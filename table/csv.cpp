#include "table/csv.h"

namespace sondrel {
namespace {

void WriteElevation(TextWriter& out, std::optional<double> elevation_ft) {
    if (elevation_ft) {
        out.DoubleFixed(*elevation_ft);
    }
    out << ',';
}

// The result columns: the fields of `solved`, or when it is null all empty but the error,
// which holds `message`.
void WriteResultColumns(TextWriter& out, const Outcome* solved, std::string_view message) {
    for (const CsvColumn& column : kCsvResultColumnList) {
        if (&column != kCsvResultColumnList) {
            out << ',';
        }
        if (column.field == nullptr && solved == nullptr) {
            out.CsvField(message);
        } else if (column.field != nullptr && solved != nullptr) {
            column.field(out, *solved);
        }
    }
    out << '\n';
}

}  // namespace

void WriteWarningCodes(TextWriter& out, const Outcome& outcome) {
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i) {
        out << (i == 0 ? "" : ";") << outcome.warnings[i].code;
    }
}

void WriteCsvHeader(TextWriter& out) {
    WriteCsvResultHeader(out << "elevation_ft,");
}

void WriteCsvResultHeader(TextWriter& out) {
    for (const CsvColumn& column : kCsvResultColumnList) {
        out << (&column == kCsvResultColumnList ? "" : ",") << column.name;
    }
    out << '\n';
}

RowOutcome WriteCsvResult(TextWriter& out, std::optional<double> elevation_ft,
                          const Outcome& outcome) {
    WriteElevation(out, elevation_ft);
    return WriteCsvOutcome(out, outcome);
}

void WriteCsvFailure(TextWriter& out, std::optional<double> elevation_ft,
                     std::string_view message) {
    WriteElevation(out, elevation_ft);
    WriteResultColumns(out, nullptr, message);
}

RowOutcome WriteCsvOutcome(TextWriter& out, const Outcome& outcome) {
    if (!outcome.solved) {
        WriteResultColumns(out, nullptr, outcome.failure.Message());
        return {};
    }
    WriteResultColumns(out, &outcome, {});
    return {true, !outcome.warnings.empty()};
}

}  // namespace sondrel
