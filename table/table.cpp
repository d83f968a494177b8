#include "table/table.h"

#include "calc/text_rules.h"

namespace sondrel {

std::string MaxRowsText() {
    return GroupThousands(std::to_string(kMaxTableRows));
}

void TableCounts::Add(std::size_t row, const Outcome& outcome) {
    ++rows;
    succeeded += outcome.solved ? 1 : 0;
    warned += outcome.solved && !outcome.warnings.empty() ? 1u : 0u;
    if (!outcome.solved && failed_rows.size() < kListedFailures) {
        failed_rows.push_back(row);
    }
}

}  // namespace sondrel
