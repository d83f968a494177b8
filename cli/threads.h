#pragma once
// Threads where the platform has them: the cores there are, and one piece of work run on
// several threads at once (one after another where there are no threads, as in the browser).

#include <functional>

namespace sondrel::cli {

// The cores the work may use; 0 when unknown.
unsigned CoreCount();

// Calls work(0) to work(threads - 1), each on a thread of its own where there are threads,
// and returns when all have returned.
void RunOnThreads(unsigned threads, const std::function<void(unsigned)>& work);

}  // namespace sondrel::cli
