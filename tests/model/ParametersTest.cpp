#include "Parameters.h"

#include <gtest/gtest.h>

using namespace koralix;

TEST(Codes, DecomposeAndCompose) {
    struct Case {
        float code;
        int number;
        float multiplier;
    } cases[] = {{21.0f, 2, 1.0f}, {20.5f, 2, 0.5f}, {-31.0f, 3, -1.0f},
                 {10.0f, 1, 1.0f}, {5.0f, 0, 5.0f},  {-20.0f, 2, -1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        TCode code = DecomposeCode(c.code);
        EXPECT_EQ(code.Number, c.number);
        EXPECT_FLOAT_EQ(code.Multiplier, c.multiplier);
    }
    EXPECT_EQ(DecomposeCode(1e11f).Number, 2147483647); // garbage, but no overflow
    EXPECT_FLOAT_EQ(ComposeCode(2, 0.5f), 20.5f);
    EXPECT_FLOAT_EQ(ComposeCode(3, -1.0f), -31.0f);
}

TEST(Codes, KindFollowsTheAddress) {
    EXPECT_EQ(KindOf({1, 0, 0, 14}), KindHistogram);
    EXPECT_EQ(KindOf({0, 2, 0, 6}), KindPhase);
    EXPECT_EQ(KindOf({0, 2, 3, 1}), KindAtom);
    EXPECT_EQ(KindOf({1, 2, 0, 3}), KindSample);
    EXPECT_EQ(KindOf({1, ScatterPhase, 2, 3}), KindScatter);
    EXPECT_EQ(KindOf({1, 1, 1, 1}), KindInvalid);
    EXPECT_EQ(KindOf({0, 0, 0, 1}), KindInvalid);
}

class ParameterListTest : public ::testing::Test {
  protected:
    const TAddress a{0, 1, 1, 4}, b{0, 1, 2, 4}, c{0, 1, 3, 4}, d{0, 1, 4, 4};
    TParameterList list;
};

TEST_F(ParameterListTest, SharedCodesBecomeConstraintsOnPrune) {
    list.AddFree(a, 21.0f);
    list.AddFree(b, 20.5f);
    list.AddFree(c, -21.0f);
    list.AddFree(d, 31.0f);           // above the code count
    list.AddFree({1, 0, 0, 1}, 5.0f); // code number 0
    list.Prune(2);
    ASSERT_EQ(list.FreeCount(), 1);
    EXPECT_EQ(list.Free[0].Address(), a);
    EXPECT_EQ(list.Free[0].CodeNumber, 2);
    ASSERT_EQ(list.ConstraintCount(), 2);
    EXPECT_EQ(list.Constraints[0].Dependent.Address(), b);
    EXPECT_FLOAT_EQ(list.Constraints[0].Dependent.Multiplier, 0.5f);
    EXPECT_FLOAT_EQ(list.Constraints[1].Dependent.Multiplier, -1.0f);
    list.Renumber();
    EXPECT_FLOAT_EQ(list.CodeOf(a), 11.0f);
    EXPECT_FLOAT_EQ(list.CodeOf(b), 10.5f);
    EXPECT_FLOAT_EQ(list.CodeOf(c), -11.0f);
    EXPECT_FLOAT_EQ(list.CodeOf(d), 0.0f);
}

TEST_F(ParameterListTest, AddFreeIgnoresZeroAndDuplicates) {
    list.AddFree(a, 0);
    list.AddFree(b, 11);
    list.AddFree(b, 21);
    ASSERT_EQ(list.FreeCount(), 1);
    EXPECT_EQ(list.Free[0].CodeNumber, 1);
}

TEST_F(ParameterListTest, SetRefinedTwiceAddsOneParameter) {
    list.SetRefined(a, true);
    list.SetRefined(a, true);
    ASSERT_EQ(list.FreeCount(), 1);
    EXPECT_EQ(list.Free[0].CodeNumber, 0);
    list.SetRefined(a, false);
    EXPECT_EQ(list.FreeCount(), 0);
}

TEST_F(ParameterListTest, UnrefiningAMasterPromotesItsFirstDependent) {
    list.AddFree(a, 11);
    list.AddConstraint(TParameter(a, 11), TParameter(b, 10.5f));
    list.AddConstraint(TParameter(a, 11), TParameter(c, 11));
    ASSERT_EQ(list.ConstraintCount(), 2);
    list.SetRefined(a, false);
    EXPECT_EQ(list.IndexOfFree(a), -1);
    EXPECT_GE(list.IndexOfFree(b), 0);
    ASSERT_EQ(list.ConstraintCount(), 1);
    EXPECT_EQ(list.Constraints[0].Master.Address(), b);
    EXPECT_EQ(list.Constraints[0].Dependent.Address(), c);
}

TEST_F(ParameterListTest, UnrefiningADependentFreesBothSides) {
    list.AddFree(a, 11);
    list.AddConstraint(TParameter(a, 11), TParameter(b, 10.5f));
    list.SetRefined(b, false);
    EXPECT_EQ(list.ConstraintCount(), 0);
    EXPECT_GE(list.IndexOfFree(a), 0);
    EXPECT_EQ(list.IndexOfFree(b), -1);
}

TEST_F(ParameterListTest, CodeOfADependentWhoseMasterIsNotFreeIsZero) {
    TConstraint orphan;
    orphan.Master = TParameter(a, 1);
    orphan.Dependent = TParameter(b, 10.5f);
    list.Constraints.push_back(orphan);
    EXPECT_FLOAT_EQ(list.CodeOf(b), 0.0f);
}

TEST_F(ParameterListTest, AddConstraintRules) {
    // Linking the same pair twice, in either direction, adds nothing.
    list.AddFree(a, 11);
    list.AddConstraint(TParameter(a, 11), TParameter(b, 10.5f));
    list.AddConstraint(TParameter(b, 11), TParameter(a, 11));
    EXPECT_EQ(list.ConstraintCount(), 1);
    // A parameter that is already a dependent is never made a dependent again.
    list.AddConstraint(TParameter(c, 11), TParameter(b, 11));
    EXPECT_EQ(list.IndexOfDependent(b), 0);
    // Chaining through a dependent ties the new one to the same master.
    list.AddConstraint(TParameter(b, 11), TParameter(d, 12));
    int k = list.IndexOfDependent(d);
    ASSERT_GE(k, 0);
    EXPECT_EQ(list.Constraints[k].Master.Address(), a);
    // Whichever order the pair comes in, the master is kept.
    EXPECT_EQ(list.IndexOfMaster(c), -1);
}

TEST_F(ParameterListTest, JoiningTwoMastersMovesTheSecondGroup) {
    list.AddFree(a, 11);
    list.AddFree(c, 21);
    list.AddConstraint(TParameter(a, 11), TParameter(b, 10.5f));
    list.AddConstraint(TParameter(c, 21), TParameter(d, 12));
    list.AddConstraint(TParameter(a, 11), TParameter(c, 12));
    int k = list.IndexOfDependent(d);
    ASSERT_GE(k, 0);
    EXPECT_EQ(list.Constraints[k].Master.Address(), a);
    EXPECT_FLOAT_EQ(list.Constraints[k].Dependent.Multiplier, 1.0f);
}

TEST_F(ParameterListTest, DeleteConstraintFreesBothParameters) {
    list.AddFree(a, 11);
    list.AddConstraint(TParameter(a, 11), TParameter(b, 10.5f));
    list.DeleteConstraint(5); // out of range: nothing
    list.DeleteConstraint(0);
    EXPECT_EQ(list.ConstraintCount(), 0);
    EXPECT_EQ(list.FreeCount(), 2);
    EXPECT_FLOAT_EQ(list.Free[1].Multiplier, 1.0f);
}
