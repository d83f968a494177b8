#include "cli/threads.h"

#include <thread>
#include <vector>

namespace sondrel::cli {

unsigned CoreCount() {
    return std::thread::hardware_concurrency();
}

void RunOnThreads(unsigned threads, const std::function<void(unsigned)>& work) {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        helpers.emplace_back(work, t);
    }
    work(0);
}  // joined here

}  // namespace sondrel::cli
