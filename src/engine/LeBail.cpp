// Le Bail extraction: the intensities of phases marked as Le Bail phases are
// not computed from atoms but partitioned from the observed pattern in
// proportion to the calculated peaks at each point, repeated until they stop
// changing. They are kept in BASE.leb when the refinement closes, from which
// the next refinement starts when RecycleLeBail is set.
#include "Engine.h"

#include "NumberFormat.h"
#include <cmath>
#include <filesystem>
#include <fstream>
#include <locale>
#include <map>
#include <sstream>
#include <tuple>

namespace koralix::engine {

namespace {

using TLeBailKey = std::tuple<int, int, int, int, int>; // phase, histogram, h, k, l

std::string LeBailFile(const std::string& baseName) {
    return baseName + ".leb";
}

} // namespace

bool TEngine::HasLeBail() const {
    for (const TPhase& phase : model_.Phases)
        if (phase.CalcMethod == 1) return true;
    return false;
}

int TEngine::PrepareLeBail() {
    const int nh = model_.HistogramCount(), np = model_.PhaseCount();
    state_.LeBail.assign(size_t(nh), std::vector<std::vector<double>>(size_t(np)));
    if (!HasLeBail()) return Status::Ok;
    // Equal intensities to begin with: the first extractions share each
    // observed peak out among the reflections under it.
    for (int h = 1; h <= nh; ++h)
        for (int p = 1; p <= np; ++p)
            if (model_.Phases[size_t(p - 1)].CalcMethod == 1)
                state_.LeBail[size_t(h - 1)][size_t(p - 1)].assign(
                    setup_.Reflections[size_t(p - 1)].size(), 1.0);
    leBailRecycled_ = false;
    if (!model_.RecycleLeBail) return Status::Ok;
    std::ifstream in(LeBailFile(baseName_), std::ios::binary);
    if (!in) return Status::NoLeBailFile;
    std::map<TLeBailKey, double> kept;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        int p = 0, h = 0, k1 = 0, k2 = 0, k3 = 0;
        double value = 0;
        if (!(fields >> p >> h >> k1 >> k2 >> k3 >> value) || !std::isfinite(value) || value < 0)
            return Status::LeBailRead;
        kept[{p, h, k1, k2, k3}] = value;
    }
    for (int h = 1; h <= nh; ++h)
        for (int p = 1; p <= np; ++p) {
            auto& values = state_.LeBail[size_t(h - 1)][size_t(p - 1)];
            const auto& refl = setup_.Reflections[size_t(p - 1)];
            for (size_t k = 0; k < values.size(); ++k) {
                const Hkl& m = refl[k].H;
                const auto found = kept.find({p, h, m[0], m[1], m[2]});
                if (found != kept.end()) values[k] = found->second;
            }
        }
    leBailRecycled_ = true;
    return Status::Ok;
}

void TEngine::ExtractLeBail(int rounds) {
    const int nh = HistogramCount(), np = model_.PhaseCount();
    for (int round = 0; round < rounds; ++round) {
        for (int h = 1; h <= nh; ++h) {
            if (setup_.Data[size_t(h - 1)].Calculation) continue;
            for (int p = 1; p <= np; ++p) {
                auto& values = state_.LeBail[size_t(h - 1)][size_t(p - 1)];
                if (values.empty()) continue;
                const std::vector<double> ratio = ObservedRatios(h, p);
                for (size_t k = 0; k < values.size() && k < ratio.size(); ++k)
                    values[k] *= ratio[k];
            }
        }
        ComputeAll();
    }
}

bool TEngine::WriteLeBail() const {
    if (!HasLeBail() || baseName_.empty()) return true;
    const std::string file = LeBailFile(baseName_);
    const std::string temp = file + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << "# Le Bail intensities: phase histogram h k l intensity\n";
        // Built with the locale-free number forms: the library may live in a
        // process whose locale writes decimal commas.
        for (size_t h = 0; h < state_.LeBail.size(); ++h)
            for (size_t p = 0; p < state_.LeBail[h].size(); ++p) {
                const auto& refl = setup_.Reflections[p];
                const auto& values = state_.LeBail[h][p];
                for (size_t k = 0; k < values.size() && k < refl.size(); ++k)
                    out << std::to_string(p + 1) << ' ' << std::to_string(h + 1) << ' '
                        << std::to_string(refl[k].H[0]) << ' ' << std::to_string(refl[k].H[1])
                        << ' ' << std::to_string(refl[k].H[2]) << ' ' << GeneralText(values[k], 8)
                        << '\n';
            }
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temp, file, error);
    return !error;
}

} // namespace koralix::engine
