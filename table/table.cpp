#include "table/table.h"

#include "calc/text_rules.h"

namespace sondrel {

std::string MaxRowsText() {
    return GroupThousands(std::to_string(kMaxTableRows));
}

void TableCounts::Add(std::size_t row, RowOutcome outcome) {
    ++rows;
    succeeded += outcome.succeeded ? 1 : 0;
    warned += outcome.warned ? 1 : 0;
    if (!outcome.succeeded && failed_rows.size() < kListedFailures) {
        failed_rows.push_back(row);
    }
}

}  // namespace sondrel
