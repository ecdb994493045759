#include "PhaseDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace koralix;

namespace {

TPhase Corundum() {
    TPhase p;
    p.Name = "Corundum";
    p.SpaceGroup = "R -3 C";
    p.A = p.B = 4.7589f;
    p.C = 12.991f;
    p.Gamma = 120;
    TAtom al;
    al.Label = "AL  ";
    al.AtomType = "AL+3";
    al.Z = 0.35216f;
    al.N = 0.33333f;
    TAtom o;
    o.Label = "O   ";
    o.AtomType = "O-2 ";
    o.X = 0.30624f;
    o.Z = 0.25f;
    o.N = 0.5f;
    p.AddAtom(al);
    p.AddAtom(o);
    return p;
}

class PhaseDatabaseTest : public ::testing::Test {
  protected:
    QString Phases() const { return dir.filePath("db/Phases.db"); }
    QString Atoms() const { return dir.filePath("db/Atoms.db"); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PhaseDatabaseTest, StoreListAndTakeBack) {
    TPhaseDatabase db(Phases(), Atoms());
    QString error;
    ASSERT_TRUE(db.Open(true, error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("db/koralix-phases.sqlite")));

    TPhase corundum = Corundum();
    EXPECT_EQ(db.AddPhase(DbPhaseFrom(corundum), DbAtomsFrom(corundum), error), 1);
    TPhase quartz;
    quartz.Name = "Alpha quartz";
    EXPECT_EQ(db.AddPhase(DbPhaseFrom(quartz), {}, error), 2) << "the next number follows";

    std::vector<TDbPhase> listed;
    ASSERT_TRUE(db.Phases(listed, error));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].Name, "Alpha quartz") << "listed by name";
    EXPECT_EQ(listed[1].SpaceGroup, "R -3 C");

    TPhase back;
    back.AddAtom(TAtom());
    ASSERT_TRUE(db.ReadPhase(1, back, error)) << error.toStdString();
    EXPECT_EQ(back.Name, "Corundum");
    EXPECT_EQ(back.SpaceGroup, "R -3 C");
    EXPECT_FLOAT_EQ(back.C, 12.991f);
    EXPECT_EQ(back.Atoms, corundum.Atoms);

    ASSERT_TRUE(db.ReadPhase(2, back, error));
    EXPECT_EQ(back.AtomCount(), 0) << "a phase without atom records has no atoms";
    EXPECT_FALSE(db.ReadPhase(7, back, error));
    EXPECT_NE(error.indexOf("no phase number 7"), -1);
}

TEST_F(PhaseDatabaseTest, EmptyValuesKeepTheDefaultAtom) {
    TPhaseDatabase db(Phases(), Atoms());
    QString error;
    ASSERT_TRUE(db.Open(true, error));
    TDbAtom atom{"FE1", "FE", 0.25, std::nullopt, 0.5, std::nullopt, std::nullopt};
    ASSERT_TRUE(db.AddPhase(TDbPhase{0, "iron", "I M -3 M", 2.87, 2.87, 2.87, 90, 90, 90}, {atom}, error));
    TPhase back;
    ASSERT_TRUE(db.ReadPhase(1, back, error));
    ASSERT_EQ(back.AtomCount(), 1);
    EXPECT_EQ(back.Atoms[0].Label, "FE1 ");
    EXPECT_FLOAT_EQ(back.Atoms[0].Y, TAtom().Y);
    EXPECT_FLOAT_EQ(back.Atoms[0].B, TAtom().B);
    EXPECT_FLOAT_EQ(back.Atoms[0].Z, 0.5f);
}

TEST_F(PhaseDatabaseTest, FailedSaveKeepsTheStoredPhases) {
    QString error;
    {
        TPhaseDatabase db(Phases(), Atoms());
        ASSERT_TRUE(db.Open(true, error));
        TPhase corundum = Corundum();
        ASSERT_TRUE(db.AddPhase(DbPhaseFrom(corundum), DbAtomsFrom(corundum), error));
        // Make the second atom of the next save fail half-way through.
        QSqlQuery q(db.Connection());
        ASSERT_TRUE(q.exec("CREATE TRIGGER refuse BEFORE INSERT ON Atoms WHEN NEW.AtomName = 'BAD' "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        TPhase broken = Corundum();
        broken.Name = "Broken";
        broken.Atoms[1].Label = "BAD ";
        EXPECT_FALSE(db.AddPhase(DbPhaseFrom(broken), DbAtomsFrom(broken), error));
        EXPECT_NE(error.indexOf("refused"), -1) << error.toStdString();
    }
    TPhaseDatabase db(Phases(), Atoms());
    ASSERT_TRUE(db.Open(false, error)) << error.toStdString();
    std::vector<TDbPhase> listed;
    ASSERT_TRUE(db.Phases(listed, error));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].Name, "Corundum");
    std::vector<TDbAtom> atoms;
    ASSERT_TRUE(db.Atoms(2, atoms, error));
    EXPECT_TRUE(atoms.empty()) << "no atom of the failed save is left behind";
    ASSERT_TRUE(db.Atoms(1, atoms, error));
    EXPECT_EQ(atoms.size(), 2u);
}

TEST_F(PhaseDatabaseTest, MissingOrUnreadableDatabaseGivesAMessage) {
    QString error;
    {
        TPhaseDatabase db(Phases(), Atoms());
        EXPECT_FALSE(db.Open(false, error));
        EXPECT_NE(error.indexOf("koralix-phases.sqlite"), -1);
        EXPECT_NE(error.indexOf("does not exist"), -1);
    }
    QDir().mkpath(dir.filePath("db"));
    QFile junk(dir.filePath("db/koralix-phases.sqlite"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    TPhaseDatabase db(Phases(), Atoms());
    EXPECT_FALSE(db.Open(true, error));
    EXPECT_NE(error.indexOf("koralix-phases.sqlite"), -1) << error.toStdString();
}

TEST_F(PhaseDatabaseTest, AtomsTableInAnotherFolder) {
    TPhaseDatabase db(Phases(), dir.filePath("elsewhere/MyAtoms.db"));
    QString error;
    ASSERT_TRUE(db.Open(true, error)) << error.toStdString();
    TPhase corundum = Corundum();
    ASSERT_TRUE(db.AddPhase(DbPhaseFrom(corundum), DbAtomsFrom(corundum), error));
    EXPECT_TRUE(QFile::exists(dir.filePath("elsewhere/koralix-phases.sqlite")));
    TPhase back;
    ASSERT_TRUE(db.ReadPhase(1, back, error));
    EXPECT_EQ(back.AtomCount(), 2);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
