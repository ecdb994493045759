#include "CoordinateFreedom.h"

#include "SpaceGroupServices.h"

#include <array>

namespace koralix {

namespace {

// Not a special value of any coordinate, and larger than the tolerance the
// site-multiplicity rule allows for rounded coordinates.
constexpr float Step = 0.0137f;

using Direction = std::array<float, 3>;

} // namespace

std::vector<TCoordinateFreedom> FreeCoordinates(std::string_view spaceGroup, float x, float y,
                                                float z) {
    std::vector<TCoordinateFreedom> free;
    const int multiplicity = SiteMultiplicity(spaceGroup, x, y, z);
    if (multiplicity <= 0) {
        for (int c = 0; c < 3; ++c)
            free.push_back({c, {}});
        return free;
    }
    auto keepsSite = [&](const Direction& d) {
        return SiteMultiplicity(spaceGroup, x + Step * d[0], y + Step * d[1], z + Step * d[2]) ==
               multiplicity;
    };
    std::array<bool, 3> covered{};
    auto take = [&](const Direction& d) {
        TCoordinateFreedom f;
        int master = -1;
        for (int c = 0; c < 3; ++c) {
            if (d[size_t(c)] == 0) continue;
            covered[size_t(c)] = true;
            if (master < 0) {
                master = c;
                f.Master = c;
            } else {
                f.Tied.push_back({c, d[size_t(c)] / d[size_t(master)]});
            }
        }
        free.push_back(f);
    };
    for (int c = 0; c < 3; ++c) {
        Direction d{};
        d[size_t(c)] = 1;
        if (keepsSite(d)) take(d);
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            for (float m : {1.0f, -1.0f, 2.0f, 0.5f, -2.0f, -0.5f}) {
                if (covered[size_t(i)] || covered[size_t(j)]) break;
                Direction d{};
                d[size_t(i)] = 1;
                d[size_t(j)] = m;
                if (keepsSite(d)) take(d);
            }
        }
    }
    if (!covered[0] && !covered[1] && !covered[2]) {
        for (const Direction& d : {Direction{1, 1, 1}, Direction{1, 1, -1}, Direction{1, -1, 1},
                                   Direction{1, -1, -1}}) {
            if (keepsSite(d)) {
                take(d);
                break;
            }
        }
    }
    return free;
}

} // namespace koralix
