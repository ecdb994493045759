#include "ConstraintRules.h"
#include "Model.h"

#include <gtest/gtest.h>

using namespace koralix;

namespace {

class ConstraintRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model.AddHistogram();
        model.AddPhase();
        for (int i = 0; i < 3; ++i) model.Phase(1).AddAtom(TAtom());
        model.Phase(1).Atoms[0].Label = "FE1 ";
        model.Phase(1).Atoms[1].Label = "FE2 ";
        model.Phase(1).Atoms[2].Label = "O1  ";
        refined = {P(b1), P(b2), P(b3), P(scale)};
    }
    static TParameter P(const TAddress& a) { return TParameter(a, 1); }
    static TConstraintRow Row(const TAddress& master, const TAddress& dependent, float ratio = 1) {
        return {P(master), P(dependent), ratio};
    }
    std::string Joined(const std::vector<std::string>& faults) {
        std::string all;
        for (const std::string& f : faults) all += f + "\n";
        return all;
    }

    TRietveld model;
    const TAddress b1{0, 1, 1, 4}, b2{0, 1, 2, 4}, b3{0, 1, 3, 4}, scale{1, 0, 0, 14};
    std::vector<TParameter> refined;
};

} // namespace

TEST_F(ConstraintRulesTest, SoundRowsPass) {
    EXPECT_TRUE(CheckConstraintRows(model, {Row(b1, b2), Row(b1, b3, 0.5f)}, refined).empty());
}

TEST_F(ConstraintRulesTest, FaultsNameTheParameters) {
    struct Case {
        const char* name;
        std::vector<TConstraintRow> rows;
        std::vector<std::string> expected; // pieces the message must hold
    };
    const TAddress unrefined{0, 1, 1, 1};
    const Case cases[] = {
        {"tied to itself", {Row(b1, b1)}, {"\"P  1: B (FE1 )\" is tied to itself."}},
        {"two-step cycle", {Row(b1, b2), Row(b2, b1)}, {"form a cycle", "B (FE1 )", "B (FE2 )"}},
        {"three-step cycle",
         {Row(b1, b2), Row(b2, b3), Row(b3, b1)},
         {"form a cycle", "B (FE1 )", "B (FE2 )", "B (O1  )"}},
        {"two masters", {Row(b1, b3), Row(b2, b3)}, {"\"P  1: B (O1  )\" is tied to both"}},
        {"dependent not refined", {Row(b1, unrefined)}, {"\"P  1: x (FE1 )\" is not refined."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = Joined(CheckConstraintRows(model, c.rows, refined));
        for (const std::string& piece : c.expected) EXPECT_NE(text.find(piece), std::string::npos) << text;
    }
}

TEST_F(ConstraintRulesTest, RebuildTiesRowsAndFreesTheRest) {
    std::vector<TConstraintRow> rows = {Row(b1, b2, 0), Row(b1, b3, 0.5f)};
    RebuildParameterList(model.Parameters, rows, {P(scale)});
    const TParameterList& list = model.Parameters;
    ASSERT_EQ(list.ConstraintCount(), 2);
    EXPECT_FLOAT_EQ(list.Constraints[0].Dependent.Multiplier, 1.0f) << "a ratio of 0 counts as 1";
    EXPECT_FLOAT_EQ(list.Constraints[1].Dependent.Multiplier, 0.5f);
    EXPECT_GE(list.IndexOfFree(b1), 0) << "the master becomes free";
    EXPECT_GE(list.IndexOfFree(scale), 0);
    EXPECT_LT(list.IndexOfFree(b2), 0);
    list.CodeOf(b3);
    model.Parameters.Renumber();
    EXPECT_TRUE(CheckParameterList(model).empty());
}

TEST_F(ConstraintRulesTest, RebuildWithoutADeletedRowLeavesItsDependentUnrefined) {
    RebuildParameterList(model.Parameters, {Row(b1, b3)}, {P(scale)});
    EXPECT_FALSE(model.IsRefined(b2));
    EXPECT_TRUE(model.IsRefined(b3));
}

TEST_F(ConstraintRulesTest, ListCheckFindsADependentWhoseMasterIsNotRefined) {
    model.Parameters.AddConstraint(P(b1), P(b2));
    model.Parameters.Free.clear();
    auto faults = CheckParameterList(model);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0], "\"P  1: B (FE2 )\" is tied to \"P  1: B (FE1 )\", which is not refined.");
}
