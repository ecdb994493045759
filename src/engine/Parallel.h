// Sharing the engine's work between threads. Tasks write only their own
// results, which the caller combines in a fixed order, so the thread count
// never changes a result.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace koralix::engine {

// Threads for `tasks` tasks: KORALIX_THREADS when set to a positive number,
// else every core; never more than there are tasks.
int WorkerCount(int tasks);

// Runs worker() on WorkerCount(tasks) threads, the calling one among them;
// each worker takes tasks from a counter shared with the others.
template <typename Worker> void RunWorkers(int tasks, Worker worker) {
    std::vector<std::thread> pool;
    for (int t = 1; t < WorkerCount(tasks); ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
}

// Runs task(i) for i in 0..count-1 on WorkerCount(count) threads.
template <typename Task> void RunParallel(int count, Task task) {
    std::atomic<int> next{0};
    RunWorkers(count, [&]() {
        for (int i; (i = next.fetch_add(1)) < count;)
            task(i);
    });
}

} // namespace koralix::engine
