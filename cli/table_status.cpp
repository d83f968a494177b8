#include "cli/table_status.h"

#include "cli/exit_status.h"

namespace sondrel::cli {

int TableExitStatus(const TableCounts& counts, const RowNames& names, TextWriter& err) {
    if (counts.rows > 0 && counts.succeeded == 0) {
        err << "sondrel-calc: every row failed\n";
        return kExitFailure;
    }
    if (counts.failed() > 0) {
        err << "sondrel-calc: ";
        err.Int(static_cast<long long>(counts.failed())) << " of ";
        err.Int(static_cast<long long>(counts.rows)) << " rows failed (" << names.what;
        if (counts.failed() > 1) {
            err << 's';
        }
        for (std::size_t k = 0; k < counts.failed_rows.size(); ++k) {
            err << (k == 0 ? " " : ", ");
            names.write_name(err, counts.failed_rows[k]);
        }
        err << (counts.failed() > counts.failed_rows.size() ? ", ...)\n" : ")\n");
    }
    return kExitOk;
}

}  // namespace sondrel::cli
