#include "cli/threads.h"

namespace sondrel::cli {

unsigned CoreCount() {
    return 1;
}

void RunOnThreads(unsigned threads, const std::function<void(unsigned)>& work) {
    for (unsigned t = 0; t < threads; ++t) {
        work(t);
    }
}

}  // namespace sondrel::cli
