#include "EngineState.h"

#include "ParameterTable.h"

#include <utility>

namespace koralix::engine {

namespace {

template <int32_t ItemKind, typename R, typename Item> R* StateField(Item& item, int32_t typeValue) {
    KORALIX_PARAMETER_TABLE(KORALIX_PARAMETER_FIELD_ENGINE)
    return nullptr;
}

template <typename List> auto* Item(List& list, int number) {
    return number >= 1 && static_cast<size_t>(number) <= list.size()
               ? &list[static_cast<size_t>(number - 1)]
               : nullptr;
}

// Parameter addresses to state fields, through the one parameter table.
template <typename State, typename Field> Field* Locate(State& s, const TAddress& a) {
    switch (KindOf(a)) {
    case KindHistogram: {
        auto* h = Item(s.Histograms, a.Histogram);
        return h ? StateField<KindHistogram, Field>(*h, a.Type) : nullptr;
    }
    case KindPhase: {
        auto* p = Item(s.Phases, a.Phase);
        return p ? StateField<KindPhase, Field>(*p, a.Type) : nullptr;
    }
    case KindAtom: {
        auto* p = Item(s.Phases, a.Phase);
        auto* t = p ? Item(p->Atoms, a.Atom) : nullptr;
        return t ? StateField<KindAtom, Field>(*t, a.Type) : nullptr;
    }
    case KindSample: {
        if (!Item(s.Histograms, a.Histogram) || !Item(s.Phases, a.Phase)) return nullptr;
        auto& m = s.Samples[static_cast<size_t>((a.Histogram - 1) * s.PhaseCount + a.Phase - 1)];
        return StateField<KindSample, Field>(m, a.Type);
    }
    case KindScatter: {
        auto* list = Item(s.Scatter, a.Histogram);
        auto* e = list ? Item(*list, a.Type) : nullptr;
        return e ? StateField<KindScatter, Field>(*e, a.Atom) : nullptr;
    }
    default:
        return nullptr;
    }
}

// Visits every (address, model field) pair of the model: every row of the
// parameter table for every item of its kind.
template <typename Model, typename Visit> void ForEachModelField(Model& m, Visit visit) {
    for (const TParameterEntry& e : ParameterEntries)
        for (int type = e.Type; type < e.Type + e.Count; ++type)
            for (size_t h = 0; h < m.Histograms.size(); ++h) {
                const int hn = static_cast<int>(h) + 1;
                if (e.Kind == KindHistogram)
                    visit(TAddress{hn, 0, 0, type}, m.GetValue(TAddress{hn, 0, 0, type}));
                if (e.Kind == KindScatter)
                    for (int n = 1; n <= m.Histograms[h].Scatter.EntryCount(); ++n)
                        visit(TAddress{hn, ScatterPhase, type, n},
                              m.GetValue(ScatterValueAddress(TAddress{hn, ScatterPhase, type, n})));
            }
    for (const TParameterEntry& e : ParameterEntries)
        for (int type = e.Type; type < e.Type + e.Count; ++type)
            for (int p = 1; p <= m.PhaseCount(); ++p) {
                if (e.Kind == KindPhase) visit(TAddress{0, p, 0, type}, m.GetValue({0, p, 0, type}));
                if (e.Kind == KindAtom)
                    for (int a = 1; a <= m.Phases[size_t(p - 1)].AtomCount(); ++a)
                        visit(TAddress{0, p, a, type}, m.GetValue({0, p, a, type}));
                if (e.Kind == KindSample)
                    for (const auto& s : m.Samples)
                        if (s.Phase == p)
                            visit(TAddress{s.Histogram, p, 0, type},
                                  m.GetValue({s.Histogram, p, 0, type}));
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
    ForEachModelField(model, [&](const TAddress& a, float v) {
        if (double* f = FieldOf(s, a)) *f = v;
    });
    return s;
}

void StateToModel(const TState& state, TRietveld& model) {
    ForEachModelField(std::as_const(model), [&](const TAddress& a, float) {
        const double* f = FieldOf(state, a);
        if (!f) return;
        model.SetValue(KindOf(a) == KindScatter ? ScatterValueAddress(a) : a, static_cast<float>(*f));
    });
}

} // namespace koralix::engine
