#include "Parallel.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace koralix::engine {

int WorkerCount(int tasks) {
    int threads = static_cast<int>(std::thread::hardware_concurrency());
    if (const char* text = std::getenv("KORALIX_THREADS")) {
        int wanted = 0;
        const char* end = text + std::strlen(text);
        if (std::from_chars(text, end, wanted).ptr == end && wanted > 0) threads = wanted;
    }
    return std::clamp(threads, 1, std::max(1, std::min(64, tasks)));
}

} // namespace koralix::engine
