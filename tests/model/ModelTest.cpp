#include "Model.h"
#include "Messenger.h"
#include "ModelEdits.h"

#include <gtest/gtest.h>

using namespace koralix;

namespace {

TRietveld ModelWith(int histograms, int phases) {
    TRietveld m;
    for (int h = 0; h < histograms; ++h)
        m.AddHistogram();
    for (int p = 0; p < phases; ++p)
        m.AddPhase();
    return m;
}

void ExpectOneSamplePerPair(const TRietveld& m) {
    EXPECT_EQ(static_cast<int>(m.Samples.size()), m.HistogramCount() * m.PhaseCount());
    for (int h = 1; h <= m.HistogramCount(); ++h)
        for (int p = 1; p <= m.PhaseCount(); ++p)
            EXPECT_NE(m.FindSample(h, p), nullptr);
}

} // namespace

TEST(Model, AddingCreatesOneSamplePerPair) {
    TRietveld m = ModelWith(3, 0);
    EXPECT_TRUE(m.Samples.empty());
    m.AddPhase();
    ASSERT_EQ(m.Samples.size(), 3u);
    for (int h = 1; h <= 3; ++h)
        EXPECT_EQ(m.SampleIndex(h, 1), h - 1);
    m.AddHistogram();
    ExpectOneSamplePerPair(m);
}

TEST(Model, LimitsAreSilent) {
    THistogram h;
    for (int k = 0; k < 51; ++k)
        h.Background.AddPoint(float(k), 1);
    for (int k = 0; k < 51; ++k)
        h.Excluded.AddRegion(float(k), 0);
    TScatterFactor e;
    for (int k = 0; k < 50; ++k)
        e.AddTablePair(float(k), 1);
    EXPECT_EQ(h.Background.PointCount(), 50);
    EXPECT_EQ(h.Excluded.RegionCount(), 50);
    EXPECT_EQ(e.TableCount(), 49);
    TExcluded x;
    x.AddRegion(10, 5);
    EXPECT_EQ(x.Regions.Items[0], (TPair{5, 10}));
}

TEST(Model, ClearResetsSomeFieldsAndKeepsOthers) {
    TRietveld m = ModelWith(1, 1);
    m.Strategy = 2;
    m.LSync = 1;
    m.DataFormat = 4;
    m.IPC = m.MAT = m.Control5 = 0;
    m.Title = "x";
    m.Loaded = true;
    m.Parameters.AddFree({1, 0, 0, 1}, 11);
    m.Clear();
    EXPECT_EQ(m.Strategy, 2);
    EXPECT_EQ(m.LSync, 1);
    EXPECT_EQ(m.DataFormat, 4);
    EXPECT_EQ(m.IPC + m.MAT + m.Control5, 3);
    EXPECT_EQ(m.Title, "A New refinement");
    EXPECT_TRUE(m.Loaded);
    EXPECT_EQ(m.HistogramCount() + m.PhaseCount() + m.Parameters.FreeCount(), 0);
}

TEST(Model, PhaseAssignAppendsAtoms) {
    TPhase target, source;
    target.AddAtom({});
    target.AddAtom({});
    source.Name = "Quartz";
    source.SpaceGroup = "P 32 2 1";
    for (int k = 0; k < 3; ++k)
        source.AddAtom({});
    target.Assign(source);
    EXPECT_EQ(target.AtomCount(), 5);
    EXPECT_EQ(target.Name, "Quartz");
    target.Assign(target);
    EXPECT_EQ(target.AtomCount(), 10);
}

TEST(Model, FixedTextFieldsAreCut) {
    TAtom a;
    a.Label = "OXYGEN";
    EXPECT_EQ(a.Label.str(), "OXYG");
    TPhase p;
    p.SpaceGroup = std::string(30, 'P');
    EXPECT_EQ(p.SpaceGroup.size(), 20u);
}

TEST(Model, DeleteHistogramRenumbersSamplesAndParameters) {
    TRietveld m = ModelWith(3, 2);
    m.Parameters.AddFree({1, 0, 0, 14}, 11);
    m.Parameters.AddFree({2, 0, 0, 1}, 21);
    m.Parameters.AddFree({3, 1, 0, 3}, 31);
    m.Parameters.AddFree({3, ScatterPhase, 1, 1}, 41);
    m.DeleteHistogram(1);
    ExpectOneSamplePerPair(m);
    EXPECT_EQ(m.HistogramCount(), 2);
    EXPECT_EQ(m.Parameters.IndexOfFree({1, 0, 0, 14}), -1);
    EXPECT_GE(m.Parameters.IndexOfFree({1, 0, 0, 1}), 0);
    EXPECT_GE(m.Parameters.IndexOfFree({2, 1, 0, 3}), 0);
    EXPECT_GE(m.Parameters.IndexOfFree({2, ScatterPhase, 1, 1}), 0);
}

TEST(Model, ConstraintLosingItsHistogramFreesItsPartner) {
    TRietveld m = ModelWith(2, 1);
    const TAddress first{1, 0, 0, 1}, second{2, 0, 0, 1};
    m.Parameters.AddFree(second, 11);
    m.Parameters.AddConstraint(TParameter(second, 11), TParameter(first, 10.5f));
    m.DeleteHistogram(2);
    EXPECT_EQ(m.Parameters.ConstraintCount(), 0);
    ASSERT_EQ(m.Parameters.FreeCount(), 1);
    EXPECT_EQ(m.Parameters.Free[0].Address(), first);
    EXPECT_FLOAT_EQ(m.Parameters.Free[0].Multiplier, 1.0f);
}

TEST(Model, ConstraintLosingItsPhaseGoesWithItsPartner) {
    TRietveld m = ModelWith(1, 2);
    const TAddress scale1{0, 1, 0, 1}, scale2{0, 2, 0, 1}, scatter{1, ScatterPhase, 1, 1};
    m.Parameters.AddFree(scale2, 11);
    m.Parameters.AddFree(scatter, 21);
    m.Parameters.AddConstraint(TParameter(scale2, 11), TParameter(scale1, 11));
    m.DeletePhase(2);
    EXPECT_EQ(m.Parameters.ConstraintCount(), 0);
    EXPECT_EQ(m.Parameters.IndexOfFree(scale1), -1);
    m.DeletePhase(1);
    // Scattering-factor parameters keep their phase marker.
    EXPECT_GE(m.Parameters.IndexOfFree(scatter), 0);
    EXPECT_TRUE(m.Samples.empty());
}

TEST(Model, DeletePhaseShiftsLaterPhases) {
    TRietveld m = ModelWith(2, 3);
    m.Phases[2].Name = "third";
    m.Parameters.AddFree({0, 3, 1, 1}, 11);
    m.Parameters.AddFree({2, 3, 0, 3}, 21);
    m.DeletePhase(1);
    ExpectOneSamplePerPair(m);
    EXPECT_EQ(m.Phase(2).Name, "third");
    EXPECT_GE(m.Parameters.IndexOfFree({0, 2, 1, 1}), 0);
    EXPECT_GE(m.Parameters.IndexOfFree({2, 2, 0, 3}), 0);
}

TEST(Model, ValuesByAddress) {
    TRietveld m = ModelWith(1, 1);
    m.Phases[0].A = 5.43f;
    m.Phases[0].AddAtom({});
    m.Histograms[0].Scatter.AddEntry();
    // A sample address reads the phase's cell but writes only sample fields.
    EXPECT_FLOAT_EQ(m.GetValue({1, 1, 0, 6}), 5.43f);
    m.SetValue({1, 1, 0, 6}, 9.0f);
    EXPECT_FLOAT_EQ(m.Phases[0].A, 5.43f);
    m.SetValue({1, 1, 0, 3}, 0.5f);
    EXPECT_FLOAT_EQ(m.Samples[0].U, 0.5f);
    m.SetValue({1, 0, 0, 4}, 12.0f);
    EXPECT_FLOAT_EQ(m.Histograms[0].Background.Coeff[2], 12.0f);
    m.SetValue({0, 1, 1, 3}, 0.25f);
    EXPECT_FLOAT_EQ(m.Phases[0].Atoms[0].Z, 0.25f);
    // Scattering values: entry as the atom number, f'/f'' as the type.
    m.SetValue({1, ScatterPhase, 1, 2}, 3.5f);
    EXPECT_FLOAT_EQ(m.Histograms[0].Scatter.Items[0].FDoublePrime, 3.5f);
    EXPECT_FLOAT_EQ(m.GetValue({1, 0, 0, 99}), 0.0f);
    EXPECT_FLOAT_EQ(m.GetValue({4, 0, 0, 1}), 0.0f);
}

TEST(Model, Labels) {
    TRietveld m = ModelWith(2, 1);
    m.Phases[0].AddAtom({});
    m.Phases[0].Atoms[0].Label = "FE1 ";
    for (int e = 0; e < 3; ++e)
        m.Histograms[0].Scatter.AddEntry();
    m.Histograms[0].Scatter.Items[2].Name = "Fe3+";
    struct Case {
        TAddress address;
        const char* label;
    } cases[] = {
        {{2, 0, 0, 14}, "H  2: Histogram Scale"},
        {{1, 0, 0, 5}, "H  1: Background 3"},
        {{0, 1, 0, 6}, "P  1: a"},
        {{0, 1, 1, 5}, "P  1: n (FE1 )"},
        {{2, 1, 0, 12}, "H  2: P  1: Preffered Orientation"},
        {{1, ScatterPhase, 2, 3}, "H  1: f'' :Fe3+"},
        {{1, ScatterPhase, 1, 3}, "H  1: f' :Fe3+"},
        {{1, ScatterPhase, 3, 3}, "Error in Scatter constraintFe3+"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(m.LabelOf(TParameter(c.address, 11)), c.label);
    }
    RecordingMessenger messenger;
    EXPECT_EQ(m.LabelOf(TParameter({1, 1, 1, 1}, 11), &messenger), "");
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Serious Constriaint error");
}

TEST(Model, TransformationAndRecordLabel) {
    TTransformation t;
    t.M[0][3] = 0.5f;
    EXPECT_FLOAT_EQ(t.Apply(1, 0.25f, 0, 0), 0.75f);
    EXPECT_FLOAT_EQ(t.Determinant(), 1.0f);
    t.SetIdentity();
    EXPECT_FLOAT_EQ(t.Apply(1, 0.25f, 0, 0), 0.25f);
    TRecordLabel label;
    struct Case {
        int hundredths;
        const char* text;
    } cases[] = {{100, "1"},    {201, "2.01"}, {210, "2.1"},
                 {402, "4.02"}, {500, "5"},    {1099, "10.99"}};
    for (const auto& c : cases) {
        label.SetHundredths(c.hundredths);
        EXPECT_EQ(label.Text(), c.text);
    }
}

TEST(Model, PairListOperations) {
    TPairList list;
    list.Add(3, 30);
    list.Add(1, 10);
    list.Add(2, 20);
    list.SetPair(5, 9, 9); // no such item: nothing
    list.SetPair(0, 3, 31);
    list.Remove(1, 11); // no exact match: nothing
    EXPECT_EQ(list.Count(), 3);
    list.Remove(1, 10);
    EXPECT_EQ(list.Count(), 2);
    list.Sort();
    EXPECT_EQ(list.X(0), 2);
    EXPECT_EQ(list.Y(1), 31);
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    TScatterList entries;
    entries.AddEntry();
    entries.DeleteEntry(2); // out of range: nothing
    EXPECT_EQ(entries.EntryCount(), 1);
    entries.DeleteEntry(1);
    EXPECT_EQ(entries.EntryCount(), 0);
    TExcluded regions;
    regions.AddRegion(1, 2);
    regions.AddRegion(3, 4);
    regions.DeleteRegion(1);
    EXPECT_EQ(regions.Regions.Items[0], (TPair{3, 4}));
}

TEST(Model, DeletingAndInsertingAtomsMoveTheirCodes) {
    TRietveld m = ModelWith(1, 2);
    for (int k = 0; k < 3; ++k) {
        TAtom atom;
        atom.Label = std::string(1, static_cast<char>('A' + k)) + "   ";
        m.Phases[0].AddAtom(atom);
    }
    m.Phases[1].AddAtom({});
    m.Parameters.AddFree({0, 1, 1, 1}, 11);  // x of A
    m.Parameters.AddFree({0, 1, 2, 4}, 21);  // B of B
    m.Parameters.AddFree({0, 1, 3, 5}, 31);  // N of C
    m.Parameters.AddFree({0, 2, 1, 1}, 41);  // phase 2 keeps its atom codes
    m.Parameters.AddFree({1, 1, 0, 3}, 51);  // a sample code is no atom code
    m.Parameters.AddConstraint(TParameter({0, 1, 3, 5}, 31), TParameter({0, 1, 2, 5}, 10.5f));

    DeleteAtom(m, 1, 2);
    ASSERT_EQ(m.Phases[0].AtomCount(), 2);
    EXPECT_EQ(m.Phases[0].Atoms[1].Label, "C   ");
    EXPECT_TRUE(m.IsRefined({0, 1, 1, 1}));
    EXPECT_FALSE(m.IsRefined({0, 1, 2, 4}));
    EXPECT_TRUE(m.IsRefined({0, 1, 2, 5}));  // C's occupancy moved to atom 2
    EXPECT_EQ(m.Parameters.ConstraintCount(), 0);
    EXPECT_TRUE(m.IsRefined({0, 2, 1, 1}));
    EXPECT_TRUE(m.IsRefined({1, 1, 0, 3}));

    InsertAtom(m, 1, 1, TAtom{});
    ASSERT_EQ(m.Phases[0].AtomCount(), 3);
    EXPECT_FALSE(m.IsRefined({0, 1, 1, 1}));
    EXPECT_TRUE(m.IsRefined({0, 1, 2, 1}));
    EXPECT_TRUE(m.IsRefined({0, 1, 3, 5}));
    EXPECT_THROW(DeleteAtom(m, 1, 4), std::out_of_range);
    EXPECT_THROW(InsertAtom(m, 1, 5, TAtom{}), std::out_of_range);
    InsertAtom(m, 1, 4, TAtom{});
    EXPECT_EQ(m.Phases[0].AtomCount(), 4);
}
