#include "EngineState.h"

namespace koralix::engine {

namespace {

// The one table from parameter addresses to state fields; reading and
// writing the model go through it too, so the two directions cannot differ.
template <typename State, typename Field> Field* Locate(State& s, const TAddress& a) {
    const int kind = KindOf(a);
    auto inRange = [](int n, size_t size) { return n >= 1 && static_cast<size_t>(n) <= size; };
    switch (kind) {
    case KindHistogram: {
        if (!inRange(a.Histogram, s.Histograms.size())) return nullptr;
        auto& h = s.Histograms[static_cast<size_t>(a.Histogram - 1)];
        if (a.Type == 1) return &h.Zero;
        if (a.Type >= 2 && a.Type <= 13) return &h.Background[static_cast<size_t>(a.Type - 2)];
        if (a.Type == 14) return &h.Scale;
        if (a.Type == 15) return &h.Wave1;
        if (a.Type == 16) return &h.Wave2;
        if (a.Type == 17) return &h.Displacement;
        if (a.Type == 18) return &h.Extra18;
        return nullptr;
    }
    case KindPhase: {
        if (!inRange(a.Phase, s.Phases.size())) return nullptr;
        auto& p = s.Phases[static_cast<size_t>(a.Phase - 1)];
        if (a.Type == 1) return &p.Scale;
        if (a.Type == 2) return &p.OverallB;
        if (a.Type >= 6 && a.Type <= 11) return &p.Cell[static_cast<size_t>(a.Type - 6)];
        return nullptr;
    }
    case KindAtom: {
        if (!inRange(a.Phase, s.Phases.size())) return nullptr;
        auto& p = s.Phases[static_cast<size_t>(a.Phase - 1)];
        if (!inRange(a.Atom, p.Atoms.size())) return nullptr;
        auto& t = p.Atoms[static_cast<size_t>(a.Atom - 1)];
        switch (a.Type) {
        case 1:
            return &t.X;
        case 2:
            return &t.Y;
        case 3:
            return &t.Z;
        case 4:
            return &t.B;
        case 5:
            return &t.N;
        default:
            if (a.Type >= 6 && a.Type <= 11) return &t.Bij[static_cast<size_t>(a.Type - 6)];
            return nullptr;
        }
    }
    case KindSample: {
        if (!inRange(a.Histogram, s.Histograms.size()) || !inRange(a.Phase, s.Phases.size()))
            return nullptr;
        auto& m = s.Samples[static_cast<size_t>((a.Histogram - 1) * s.PhaseCount + a.Phase - 1)];
        switch (a.Type) {
        case 3:
            return &m.U;
        case 4:
            return &m.V;
        case 5:
            return &m.W;
        case 12:
            return &m.PO;
        case 13:
            return &m.AbsorptionR;
        case 14:
            return &m.Asym1;
        case 15:
            return &m.Gam0;
        case 16:
            return &m.Gam1;
        case 17:
            return &m.Gam2;
        case 18:
            return &m.Extinction;
        case 19:
            return &m.Uaniso;
        case 20:
            return &m.Asym2;
        case 21:
        case 22:
        case 23:
        case 24:
            return &m.Tof[static_cast<size_t>(a.Type - 21)];
        case 25:
            return &m.Pore;
        case 26:
            return &m.Rough;
        default:
            return nullptr;
        }
    }
    case KindScatter: {
        if (!inRange(a.Histogram, s.Scatter.size())) return nullptr;
        auto& list = s.Scatter[static_cast<size_t>(a.Histogram - 1)];
        if (!inRange(a.Type, list.size())) return nullptr;
        auto& e = list[static_cast<size_t>(a.Type - 1)];
        if (a.Atom == 1) return &e.FPrime;
        if (a.Atom == 2) return &e.FDoublePrime;
        return nullptr;
    }
    default:
        return nullptr;
    }
}

// Visits every (address, model field) pair of the model.
template <typename Model, typename Visit> void ForEachModelField(Model& m, Visit visit) {
    for (size_t h = 0; h < m.Histograms.size(); ++h) {
        auto& x = m.Histograms[h];
        const int hn = static_cast<int>(h) + 1;
        visit(TAddress{hn, 0, 0, 1}, x.Zero);
        for (int k = 0; k < 12; ++k)
            visit(TAddress{hn, 0, 0, 2 + k}, x.Background.Coeff[size_t(k)]);
        visit(TAddress{hn, 0, 0, 14}, x.Scale);
        visit(TAddress{hn, 0, 0, 15}, x.Wave1);
        visit(TAddress{hn, 0, 0, 16}, x.Wave2);
        visit(TAddress{hn, 0, 0, 17}, x.Displacement);
        visit(TAddress{hn, 0, 0, 18}, x.Extra18);
        for (size_t e = 0; e < x.Scatter.Items.size(); ++e) {
            visit(TAddress{hn, ScatterPhase, 1, int(e) + 1}, x.Scatter.Items[e].FPrime);
            visit(TAddress{hn, ScatterPhase, 2, int(e) + 1}, x.Scatter.Items[e].FDoublePrime);
        }
    }
    for (size_t p = 0; p < m.Phases.size(); ++p) {
        auto& x = m.Phases[p];
        const int pn = static_cast<int>(p) + 1;
        visit(TAddress{0, pn, 0, 1}, x.Scale);
        visit(TAddress{0, pn, 0, 2}, x.OverallB);
        decltype(&x.A) cell[6] = {&x.A, &x.B, &x.C, &x.Alpha, &x.Beta, &x.Gamma};
        for (int k = 0; k < 6; ++k)
            visit(TAddress{0, pn, 0, 6 + k}, *cell[k]);
        for (size_t a = 0; a < x.Atoms.size(); ++a) {
            auto& t = x.Atoms[a];
            decltype(&t.X) f[11] = {&t.X,   &t.Y,   &t.Z,   &t.B,   &t.N,  &t.B11,
                                    &t.B22, &t.B33, &t.B12, &t.B13, &t.B23};
            for (int k = 0; k < 11; ++k)
                visit(TAddress{0, pn, int(a) + 1, k + 1}, *f[k]);
        }
    }
    for (auto& s : m.Samples) {
        const int hn = s.Histogram, pn = s.Phase;
        std::pair<int, decltype(&s.U)> f[] = {{3, &s.U},
                                              {4, &s.V},
                                              {5, &s.W},
                                              {12, &s.PO},
                                              {13, &s.AbsorptionR},
                                              {14, &s.Asym1},
                                              {15, &s.Gam0},
                                              {16, &s.Gam1},
                                              {17, &s.Gam2},
                                              {18, &s.Extinction},
                                              {19, &s.Uaniso},
                                              {20, &s.Asym2},
                                              {21, &s.TofAlpha1},
                                              {22, &s.TofAlpha2},
                                              {23, &s.TofBeta1},
                                              {24, &s.TofBeta2},
                                              {25, &s.Pore},
                                              {26, &s.Rough}};
        for (auto& [type, field] : f)
            visit(TAddress{hn, pn, 0, type}, *field);
    }
}

} // namespace

double* FieldOf(TState& state, const TAddress& address) {
    return Locate<TState, double>(state, address);
}

const double* FieldOf(const TState& state, const TAddress& address) {
    return Locate<const TState, const double>(state, address);
}

TState StateFromModel(const TRietveld& model) {
    TState s;
    s.PhaseCount = model.PhaseCount();
    s.Histograms.resize(model.Histograms.size());
    s.Scatter.resize(model.Histograms.size());
    for (size_t h = 0; h < model.Histograms.size(); ++h)
        s.Scatter[h].resize(model.Histograms[h].Scatter.Items.size());
    s.Phases.resize(model.Phases.size());
    for (size_t p = 0; p < model.Phases.size(); ++p)
        s.Phases[p].Atoms.resize(model.Phases[p].Atoms.size());
    s.Samples.resize(model.Histograms.size() * model.Phases.size());
    ForEachModelField(model, [&](const TAddress& a, const float& v) {
        if (double* f = FieldOf(s, a)) *f = v;
    });
    return s;
}

void StateToModel(const TState& state, TRietveld& model) {
    ForEachModelField(model, [&](const TAddress& a, float& v) {
        if (const double* f = FieldOf(state, a)) v = static_cast<float>(*f);
    });
}

} // namespace koralix::engine
