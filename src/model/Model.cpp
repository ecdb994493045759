#include "Model.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace koralix {

void TBackGround::AddPoint(float x, float y) {
    if (Points.Count() < MaxBackgroundPoints) Points.Add(x, y);
}

void TBackGround::SortPoints() {
    if (Points.Count() > 0) Points.Sort();
}

void TExcluded::AddRegion(float a, float b) {
    if (Regions.Count() < MaxExcludedRegions) Regions.Add(std::min(a, b), std::max(a, b));
}

void TScatterFactor::AddTablePair(float x, float y) {
    if (Table.Count() < MaxTablePairs) Table.Add(x, y);
}

void TScatterList::DeleteEntry(int n) {
    if (n >= 1 && n <= EntryCount()) Items.erase(Items.begin() + (n - 1));
}

void TPhase::Assign(const TPhase& source) {
    // Copy first: source may be this phase.
    const std::vector<TAtom> atoms = source.Atoms;
    Name = source.Name;
    SpaceGroup = source.SpaceGroup;
    A = source.A;
    B = source.B;
    C = source.C;
    Alpha = source.Alpha;
    Beta = source.Beta;
    Gamma = source.Gamma;
    Scale = source.Scale;
    OverallB = source.OverallB;
    Z = source.Z;
    CalcMethod = source.CalcMethod;
    Atoms.insert(Atoms.end(), atoms.begin(), atoms.end());
}

void TTransformation::SetIdentity() {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            M[r][c] = (r == c) ? 1.0f : 0.0f;
}

float TTransformation::Determinant() const {
    return M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) -
           M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
           M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0]);
}

float TTransformation::Apply(int row, float x, float y, float z) const {
    if (row < 1 || row > 3) throw std::out_of_range("transformation row out of range");
    const float* m = M[row - 1];
    return m[0] * x + m[1] * y + m[2] * z + m[3];
}

std::string TRecordLabel::Text() const {
    int whole = hundredths_ / 100;
    int rest = std::abs(hundredths_ % 100);
    std::string text = (hundredths_ < 0 && whole == 0 ? "-" : "") + std::to_string(whole);
    if (rest == 0) return text;
    text += rest % 10 == 0 ? "." + std::to_string(rest / 10)
                           : (rest < 10 ? ".0" : ".") + std::to_string(rest);
    return text;
}

bool TRietveld::AllCalculation() const {
    return std::all_of(Histograms.begin(), Histograms.end(),
                       [](const THistogram& h) { return h.IsCalculation(); });
}

void TRietveld::Clear() {
    Histograms.clear();
    Phases.clear();
    Samples.clear();
    Parameters.Clear();
    Title = "A New refinement";
    Cycles = 30;
    Eps = 0.1f;
    Relax = {0.9f, 0.9f, 0.9f, 0.9f};
    Rmin = 0;
    Rmax = 0;
    F2Limit = 0;
    AsymLimit = 20.0f;
    PlotFileType = 2;
    Control5 = 1;
    IPC = 1;
    MAT = 1;
}

void TRietveld::AddHistogram() {
    Histograms.emplace_back();
    const int h = HistogramCount();
    for (int p = 1; p <= PhaseCount(); ++p) {
        TSample s;
        s.Histogram = h;
        s.Phase = p;
        Samples.push_back(s);
    }
}

void TRietveld::AddPhase() {
    Phases.emplace_back();
    const int p = PhaseCount();
    for (int h = 1; h <= HistogramCount(); ++h) {
        TSample s;
        s.Histogram = h;
        s.Phase = p;
        Samples.push_back(s);
    }
}

int TRietveld::SampleIndex(int h, int p) const {
    int found = -1;
    for (size_t i = 0; i < Samples.size(); ++i)
        if (Samples[i].Histogram == h && Samples[i].Phase == p) found = static_cast<int>(i);
    return found;
}

TSample* TRietveld::FindSample(int h, int p) {
    int i = SampleIndex(h, p);
    return i < 0 ? nullptr : &Samples[static_cast<size_t>(i)];
}

const TSample* TRietveld::FindSample(int h, int p) const {
    int i = SampleIndex(h, p);
    return i < 0 ? nullptr : &Samples[static_cast<size_t>(i)];
}

void TRietveld::DeleteHistogram(int h) {
    if (h < 1 || h > HistogramCount()) throw std::out_of_range("histogram number out of range");
    std::erase_if(Samples, [h](const TSample& s) { return s.Histogram == h; });
    for (TSample& s : Samples)
        if (s.Histogram > h) --s.Histogram;

    TParameterList& list = Parameters;
    for (size_t i = 0; i < list.Constraints.size();) {
        const TConstraint& c = list.Constraints[i];
        if (c.Master.Histogram == h || c.Dependent.Histogram == h)
            list.DeleteConstraint(static_cast<int>(i));
        else
            ++i;
    }
    for (TConstraint& c : list.Constraints) {
        if (c.Master.Histogram > h) --c.Master.Histogram;
        if (c.Dependent.Histogram > h) --c.Dependent.Histogram;
    }
    std::erase_if(list.Free, [h](const TParameter& p) { return p.Histogram == h; });
    for (TParameter& p : list.Free)
        if (p.Histogram > h) --p.Histogram;

    Histograms.erase(Histograms.begin() + (h - 1));
}

void TRietveld::DeletePhase(int p) {
    if (p < 1 || p > PhaseCount()) throw std::out_of_range("phase number out of range");
    std::erase_if(Samples, [p](const TSample& s) { return s.Phase == p; });
    for (TSample& s : Samples)
        if (s.Phase > p) --s.Phase;

    auto shift = [p](TParameter& q) {
        if (q.Phase > p && q.Phase != ScatterPhase) --q.Phase;
    };
    TParameterList& list = Parameters;
    std::erase_if(list.Free, [p](const TParameter& q) { return q.Phase == p; });
    for (TParameter& q : list.Free)
        shift(q);
    std::erase_if(list.Constraints, [p](const TConstraint& c) {
        return c.Master.Phase == p || c.Dependent.Phase == p;
    });
    for (TConstraint& c : list.Constraints) {
        shift(c.Master);
        shift(c.Dependent);
    }

    Phases.erase(Phases.begin() + (p - 1));
}

bool TRietveld::IsRefined(const TAddress& address) const {
    return Parameters.IndexOfFree(address) >= 0 || Parameters.IndexOfDependent(address) >= 0;
}

} // namespace koralix
