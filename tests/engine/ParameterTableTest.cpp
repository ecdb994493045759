// One parameter table: every address names the same field in the model, the
// engine's state and the labels, f' and f'' included.
#include "EngineState.h"
#include "Model.h"
#include "NameTables.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

using namespace koralix;
using namespace koralix::engine;

namespace {

TRietveld TwoOfEverything() {
    TRietveld m;
    m.AddHistogram();
    m.AddHistogram();
    m.AddPhase();
    m.AddPhase();
    for (TPhase& p : m.Phases) {
        p.AddAtom(TAtom{});
        p.AddAtom(TAtom{});
    }
    for (THistogram& h : m.Histograms) {
        h.Scatter.AddEntry();
        h.Scatter.AddEntry();
        h.Scatter.Items[0].Name = "AL";
        h.Scatter.Items[1].Name = "O";
    }
    return m;
}

// Every parameter-list address of the model with a value unique to it.
std::vector<std::pair<TAddress, float>> AllAddresses(const TRietveld& m) {
    std::vector<std::pair<TAddress, float>> list;
    float value = 1;
    for (const TParameterEntry& e : ParameterEntries)
        for (int t = e.Type; t < e.Type + e.Count; ++t)
            for (int h = 0; h <= m.HistogramCount(); ++h)
                for (int p = 0; p <= m.PhaseCount(); ++p)
                    for (int a = 0; a <= 2; ++a) {
                        const TAddress address = e.Kind == KindScatter
                                                     ? TAddress{h, ScatterPhase, t, a}
                                                     : TAddress{h, p, a, t};
                        if (KindOf(address) == e.Kind && (e.Kind != KindScatter || (p == 0 && a >= 1)))
                            list.emplace_back(address, value++);
                    }
    return list;
}

TAddress ValueAddress(const TAddress& a) {
    return KindOf(a) == KindScatter ? ScatterValueAddress(a) : a;
}

TEST(ParameterTable, ModelAndEngineAgreeOnEveryAddress) {
    TRietveld model = TwoOfEverything();
    const auto addresses = AllAddresses(model);
    ASSERT_GT(addresses.size(), 100u);
    for (const auto& [a, v] : addresses)
        model.SetValue(ValueAddress(a), v);
    TState state = StateFromModel(model);
    for (const auto& [a, v] : addresses) {
        SCOPED_TRACE(model.LabelOf(TParameter(a, 10)));
        const double* field = FieldOf(state, a);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(*field, v);
        EXPECT_EQ(model.GetValue(ValueAddress(a)), v);
        *FieldOf(state, a) = v + 1000;
    }
    StateToModel(state, model);
    for (const auto& [a, v] : addresses)
        EXPECT_EQ(model.GetValue(ValueAddress(a)), v + 1000) << model.LabelOf(TParameter(a, 10));
}

TEST(ParameterTable, FPrimeAndFDoublePrimeKeepTheirOrderEverywhere) {
    TRietveld model = TwoOfEverything();
    model.Histograms[1].Scatter.Items[1].FPrime = 0.25f;
    model.Histograms[1].Scatter.Items[1].FDoublePrime = 0.75f;
    const TAddress fPrime{2, ScatterPhase, ParamType::ScatterFPrime, 2};
    const TAddress fDoublePrime{2, ScatterPhase, ParamType::ScatterFDoublePrime, 2};
    // Value access: entry number as the atom, f'/f'' as the type.
    EXPECT_EQ(model.GetValue({2, ScatterPhase, 2, 1}), 0.25f);
    EXPECT_EQ(model.GetValue({2, ScatterPhase, 2, 2}), 0.75f);
    EXPECT_EQ(model.GetValue(ScatterValueAddress(fPrime)), 0.25f);
    const TState state = StateFromModel(model);
    EXPECT_EQ(*FieldOf(state, fPrime), 0.25);
    EXPECT_EQ(*FieldOf(state, fDoublePrime), 0.75);
    EXPECT_EQ(model.LabelOf(TParameter(fPrime, 10)), "H  2: f' :O");
    EXPECT_EQ(model.LabelOf(TParameter(fDoublePrime, 10)), "H  2: f'' :O");
}

TEST(ParameterTable, LabelsAndNamesComeFromTheRows) {
    const TRietveld model = TwoOfEverything();
    struct Case {
        TAddress address;
        const char* label;
        const char* name; // ParameterTypeName of the parameters window
    };
    const Case cases[] = {
        {{1, 0, 0, ParamType::HistZero}, "H  1: Zero", "Zero"},
        {{2, 0, 0, ParamType::HistBackground + 11}, "H  2: Background 11", "Background 11"},
        {{1, 0, 0, ParamType::HistWave2}, "H  1: DifA", "Wavelength 2 or DIFA"},
        {{0, 2, 0, ParamType::PhaseGamma}, "P  2: Gamma", "gamma"},
        {{0, 1, 2, ParamType::AtomB13}, "P  1: B13 (O   )", nullptr},
        {{1, 2, 0, ParamType::SampleAsym2}, "H  1: P  2: Asymmetery 2", "Asymmetry 2"},
        {{2, 1, 0, ParamType::SampleTofBeta1}, "H  2: P  1: TOF Beta-1", "TOF beta-1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model.LabelOf(TParameter(c.address, 10)), c.label);
        if (!c.name) continue;
        const TAddress a = c.address;
        const bool histogram = KindOf(a) == KindHistogram;
        EXPECT_EQ(ParameterTypeName(histogram ? a.Histogram : 0, histogram ? 0 : 1, a.Type), c.name);
    }
}

} // namespace
