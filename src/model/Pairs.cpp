#include "Pairs.h"

#include <algorithm>
#include <stdexcept>

namespace koralix {

void TPairList::SetPair(int i, float x, float y) {
    if (i >= 0 && i < Count()) Items[static_cast<size_t>(i)] = {x, y};
}

void TPairList::Delete(int i) {
    if (i < 0 || i >= Count()) throw std::out_of_range("pair list index out of range");
    Items.erase(Items.begin() + i);
}

void TPairList::Remove(float x, float y) {
    auto it = std::find(Items.begin(), Items.end(), TPair{x, y});
    if (it != Items.end()) Items.erase(it);
}

void TPairList::Sort() {
    std::stable_sort(Items.begin(), Items.end(),
                     [](const TPair& a, const TPair& b) { return a.X < b.X; });
}

} // namespace koralix
