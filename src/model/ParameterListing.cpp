#include "ParameterListing.h"

#include "Model.h"

namespace koralix {

namespace {

bool IsPhaseWide(int t) {
    return t == 1 || t == 2 || (t >= 6 && t <= 11);
}

bool IsPeakShape(int t) {
    switch (t) {
    case 3: case 4: case 5: case 14: case 15: case 16: case 17: case 19: case 20:
        return true;
    default:
        return false;
    }
}

constexpr int TofProfile = 7;

} // namespace

std::vector<TListedParameter> ListParameters(const TRietveld& model, bool peakShapeOnly,
                                             int histogram, int phase) {
    std::vector<TListedParameter> rows;
    const int n = model.HistogramCount();
    const int m = model.PhaseCount();
    auto passesH = [histogram](int h) { return histogram == 0 || histogram == h; };
    auto passesP = [phase](int p) { return phase == 0 || phase == p; };
    for (int p = 1; p <= m; ++p) {
        if (!passesP(p)) continue;
        for (int h = 1; h <= n; ++h) {
            if (!passesH(h)) continue;
            const bool tof = model.Histogram(h).Profile == TofProfile;
            for (int t = 1; t <= 26; ++t) {
                const bool phaseWide = h == 1 && IsPhaseWide(t) && !peakShapeOnly;
                const bool listed = phaseWide || IsPeakShape(t) || (t >= 21 && t <= 24 && tof);
                if (!listed) continue;
                const TAddress shown{h, p, 0, t};
                rows.push_back({shown, IsPhaseWide(t) ? TAddress{0, p, 0, t} : shown});
            }
        }
    }
    if (peakShapeOnly) return rows;
    for (int h = 1; h <= n; ++h) {
        if (!passesH(h)) continue;
        for (int t = 1; t <= 16; ++t) {
            if (t == 14 && h == 1) continue;
            if (t >= 8 && t <= 13 && model.Background12 == 0) continue;
            const TAddress address{h, 0, 0, t};
            rows.push_back({address, address});
        }
    }
    return rows;
}

} // namespace koralix
