// Pairs of singles and the owning list of them used by backgrounds, excluded
// regions and form-factor tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace koralix {

struct TPair {
    float X = 0;
    float Y = 0;
    bool operator==(const TPair&) const = default;
};

class TPairList {
  public:
    std::vector<TPair> Items;

    void Add(float x, float y) { Items.push_back({x, y}); }
    void SetPair(int i, float x, float y);
    float X(int i) const { return Items.at(static_cast<size_t>(i)).X; }
    float Y(int i) const { return Items.at(static_cast<size_t>(i)).Y; }
    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    void Delete(int i);
    void Remove(float x, float y);
    void Clear() { Items.clear(); }
    void Sort();
    bool operator==(const TPairList&) const = default;
};

} // namespace koralix
