#include "Settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace koralix;

class SettingsStore : public ::testing::Test {
  protected:
    std::unique_ptr<QSettings> Open() {
        return std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
    }
    TSettings Load() {
        TSettings settings;
        auto store = Open();
        LoadSettings(*store, settings, folder.filePath("db"));
        return settings;
    }
    QTemporaryDir folder;
};

TEST_F(SettingsStore, DefaultsOnAnEmptyStore) {
    TSettings s = Load();
    EXPECT_EQ(s.Version, 1);
    EXPECT_EQ(s.IDSZ, 10000);
    EXPECT_EQ(s.IRS, 4000);
    EXPECT_EQ(s.NIPOI, 1500);
    EXPECT_TRUE(s.Hints);
    EXPECT_TRUE(s.TempRefine);
    EXPECT_EQ(s.BackgroundAveraging, 3);
    EXPECT_EQ(s.Diff_Colour, 65280);
    EXPECT_EQ(s.HKLheight, 5);
    EXPECT_EQ(s.Instruments[0], TInstrument::CuKa());
    EXPECT_DOUBLE_EQ(s.Instruments[0].Pol, 1.0);
    EXPECT_DOUBLE_EQ(s.Instruments[0].Stop, 80.0);
    for (int n = 2; n <= InstrumentCount; ++n) {
        EXPECT_EQ(s.Instruments[n - 1].Title, "Instrument " + QString::number(n) + " not set");
        EXPECT_DOUBLE_EQ(s.Instruments[n - 1].gamma, 0.1);
    }
    EXPECT_TRUE(s.Recent.Files.isEmpty());
    // Written at once while loading: the version and the database paths.
    auto store = Open();
    EXPECT_EQ(store->value("Configuration/Version").toInt(), 1);
    EXPECT_EQ(store->value("Database/Phases").toString(), folder.filePath("db/Phases.db"));
    EXPECT_FALSE(store->value("Database/Atoms").toString().isEmpty());
}

TEST_F(SettingsStore, EverythingRoundTrips) {
    TSettings s = Load();
    s.IDSZ = 20000;
    s.View_d = true;
    s.StartUpDirectgory = "/home/me/data";
    s.LibraryScript = "/home/me/lib.rib";
    s.Markers_Colour = 0x00FF00FF;
    s.HKLSep = 40;
    s.RefineOnEntry = true;
    s.Instruments[4].Title = "D1A";
    s.Instruments[4].Wave1 = 1.909;
    s.Instruments[4].Radiation = 1;
    s.Recent.Add("/a.inp");
    s.Recent.Add("/b.inp");
    {
        auto store = Open();
        SaveSettings(*store, s);
    }
    TSettings back = Load();
    EXPECT_EQ(back.IDSZ, 20000);
    EXPECT_TRUE(back.View_d);
    EXPECT_EQ(back.StartUpDirectgory, "/home/me/data");
    EXPECT_EQ(back.LibraryScript, "/home/me/lib.rib");
    EXPECT_EQ(back.Markers_Colour, 0x00FF00FF);
    EXPECT_EQ(back.HKLSep, 40);
    EXPECT_TRUE(back.RefineOnEntry);
    EXPECT_EQ(back.Instruments[4], s.Instruments[4]);
    EXPECT_EQ(back.Instruments[0], TInstrument::CuKa());
    EXPECT_EQ(back.Recent.Files, (QStringList{"/b.inp", "/a.inp"}));
}

TEST_F(SettingsStore, StoredQuirks) {
    TSettings s = Load();
    s.RefineOnEntry = true;
    s.Instruments[1].Wave1 = 1.2345678912;
    {
        auto store = Open();
        SaveSettings(*store, s);
    }
    auto store = Open();
    EXPECT_TRUE(store->contains("Configuration/RefineonEntry"));
    EXPECT_FALSE(store->contains("Configuration/RefineOnEntry"));
    EXPECT_EQ(store->value("History/Count").toInt(), 0);
    // Instrument reals are text with seven significant digits.
    EXPECT_EQ(store->value("Instruments/Wave12").toString(), "1.234568");
    EXPECT_EQ(store->value("Instruments/Profile1").toInt(), 3);
    // A stored number that is not valid reads by the lenient rules.
    store->setValue("Instruments/Wave13", "1,5x");
    store->setValue("Configuration/IRS", "junk");
    store->sync();
    TSettings again = Load();
    EXPECT_DOUBLE_EQ(again.Instruments[2].Wave1, 1.5);
    EXPECT_EQ(again.IRS, 0);
}

TEST_F(SettingsStore, RecentFilesAndTheirLength) {
    {
        auto store = Open();
        for (int k = 0; k < 5; ++k)
            store->setValue("RecentFiles/F" + QString::number(k), "/old" + QString::number(k));
        store->setValue("RecentFiles/F1", "   ");
    }
    TSettings s = Load();
    EXPECT_EQ(s.Recent.Files, (QStringList{"/old0", "/old2", "/old3", "/old4"}));
    s.Recent.Files = {"/x", "/y", "/z"};
    s.NumberRecent = 2; // takes effect at the next start
    {
        auto store = Open();
        SaveSettings(*store, s);
        EXPECT_EQ(store->value("RecentFiles/F2").toString(), "/z");
        EXPECT_EQ(store->value("RecentFiles/F3").toString(),
                  "/old3"); // beyond the entries: left alone
    }
    TSettings next = Load();
    EXPECT_EQ(next.Recent.Capacity, 2);
    EXPECT_EQ(next.Recent.Files, (QStringList{"/x", "/y"}));
    next.Recent.Add("/y");
    EXPECT_EQ(next.Recent.Files, (QStringList{"/y", "/x"}));
}
