// The preferences dialog over a temporary settings file: what OK writes and a
// restart reads back, what Cancel keeps, the instrument pages, the macro
// scripts, and the changes the running program takes at once.
#include "FormKoralix.h"
#include "OptionsDlg.h"
#include "PlotForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace koralix;

namespace {

class AnsweringFiles : public FileChooser {
  public:
    QStringList opens, saves;
    int saveDialogs = 0;
    QString OpenFileName(const QString&, const QString&, const QString&) override {
        return opens.isEmpty() ? QString() : opens.takeFirst();
    }
    QString SaveFileName(const QString&, const QString&, const QString&) override {
        ++saveDialogs;
        return saves.isEmpty() ? QString() : saves.takeFirst();
    }
};

class PreferencesTest : public ::testing::Test {
  protected:
    QTemporaryDir folder;
    std::unique_ptr<QSettings> store;
    TSettings settings;
    RecordingMessenger messenger;
    AnsweringFiles files;
    std::unique_ptr<TOptionsDlg> dialog;

    void SetUp() override {
        store = OpenStore();
        LoadSettings(*store, settings, folder.filePath("db"));
        dialog = std::make_unique<TOptionsDlg>(settings, *store, messenger, files);
        dialog->show();
    }
    std::unique_ptr<QSettings> OpenStore() {
        return std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
    }
    TSettings Restarted() {
        store->sync();
        TSettings again;
        auto reopened = OpenStore();
        LoadSettings(*reopened, again, folder.filePath("db"));
        return again;
    }
};

TEST_F(PreferencesTest, PagesAndRangesAreThoseOfTheSettings) {
    EXPECT_EQ(dialog->windowTitle(), "Preferences");
    QStringList pages;
    for (int i = 0; i < dialog->Pages->count(); ++i)
        pages << dialog->Pages->tabText(i);
    EXPECT_EQ(pages, QStringList({"General", "KoraBasic Macros", "Phase Database", "Instruments",
                                  "Run Options", "Internet", "Style", "Memory", "Plot Colours"}));
    struct Range {
        QSpinBox* box;
        int low, high, step;
    } ranges[] = {
        {dialog->seRecent, 1, 10, 1},        {dialog->seBackgroundAveraging, 0, 10, 1},
        {dialog->seInstrument, 1, 20, 1},    {dialog->seIDSZ, 500, 30000, 100},
        {dialog->seIRS, 500, 20000, 100},    {dialog->seNIPOI, 50, 3000, 50},
    };
    for (const Range& r : ranges) {
        EXPECT_EQ(r.box->minimum(), r.low);
        EXPECT_EQ(r.box->maximum(), r.high);
        EXPECT_EQ(r.box->singleStep(), r.step);
    }
    EXPECT_EQ(dialog->seRecent->toolTip(),
              "Enter the number of recent files you want displayed in the File menu");
    EXPECT_EQ(dialog->cbUpdateSite->count(), 6);
    EXPECT_EQ(dialog->cbUpdateSite->itemText(5), "Not Available");
    EXPECT_EQ(dialog->cbProfile->itemText(5), "Pseudo-Voigt (FCJ Asym)");
    EXPECT_EQ(dialog->cbRadiation->itemText(2), "Neutron (TOF)");
}

TEST_F(PreferencesTest, OkWritesTheStoreAndARestartReadsItBack) {
    dialog->seRecent->setValue(8);
    dialog->cbAssignDatafile->setChecked(true);
    dialog->cbTempRefine->setChecked(false);
    dialog->edStartUpDirectory->setText("/data/patterns");
    dialog->cbAcceptChanges->setChecked(true);
    dialog->cbRDPlot->setChecked(true);
    dialog->cbRDOnTop->setChecked(true);
    dialog->cbQSUpdate->setChecked(true);
    dialog->cbStepOnStart->setChecked(true);
    dialog->cbUpdateSite->setCurrentIndex(2);
    dialog->cbStyle->setCurrentIndex(1);
    dialog->seIDSZ->setValue(20000);
    dialog->seIRS->setValue(6000);
    dialog->seNIPOI->setValue(2000);
    dialog->edPhases->setText("  /db/phases.db ");
    dialog->edAtoms->setText("/db/atoms.db");
    dialog->Colours[0] = QColor(10, 20, 30);
    dialog->accept();

    // The values OK writes at once are in the store before the program ends.
    EXPECT_EQ(store->value("Configuration/IDSZ").toInt(), 20000);
    EXPECT_EQ(store->value("Configuration/RDOnTop").toString(), "true");
    EXPECT_EQ(store->value("Update/UpdateSite").toInt(), 2);
    EXPECT_EQ(store->value("Database/Phases").toString(), "/db/phases.db");

    const TSettings again = Restarted();
    EXPECT_EQ(again.NumberRecent, 8);
    EXPECT_FALSE(again.TempRefine);
    EXPECT_EQ(again.StartUpDirectgory, "/data/patterns");
    EXPECT_TRUE(again.AcceptChanges);
    EXPECT_TRUE(again.RDPlot);
    EXPECT_TRUE(again.RDOnTop);
    EXPECT_TRUE(again.QSUpdate);
    EXPECT_TRUE(again.StepOnStart);
    EXPECT_EQ(again.UpdateSite, 2);
    EXPECT_EQ(again.Style, 1);
    EXPECT_EQ(again.IRS, 6000);
    EXPECT_EQ(again.NIPOI, 2000);
    EXPECT_EQ(again.DatabaseAtoms, "/db/atoms.db");
    EXPECT_EQ(again.Data_Colour, 10 | 20 << 8 | 30 << 16);
    // Kept in memory; the main window writes it at exit.
    EXPECT_TRUE(settings.AssignDatafile);
}

TEST_F(PreferencesTest, ShowingAgainDropsWhatCancelLeft) {
    dialog->seIDSZ->setValue(25000);
    dialog->seBackgroundAveraging->setValue(7);
    dialog->cbTempRefine->setChecked(false);
    dialog->reject();
    dialog->show();
    EXPECT_EQ(dialog->seIDSZ->value(), 10000);
    // Applied while editing, and the temporary-folder box is taken on every close.
    EXPECT_EQ(settings.BackgroundAveraging, 7);
    EXPECT_EQ(dialog->seBackgroundAveraging->value(), 7);
    EXPECT_FALSE(settings.TempRefine);
}

TEST_F(PreferencesTest, InstrumentsAreStoredWhenTheNumberChanges) {
    dialog->seInstrument->setValue(3);
    dialog->InstrumentEdit("Title")->setText("D2B Grenoble");
    dialog->InstrumentEdit("Wave1")->setText("1,594");
    dialog->InstrumentEdit("Zero")->setText("not a number");
    dialog->cbRadiation->setCurrentIndex(1);
    dialog->cbProfile->setCurrentIndex(2);
    dialog->InstrumentEdit("Asym2")->setText("0.5");
    EXPECT_FALSE(dialog->InstrumentEdit("Asym2")->isEnabled());
    dialog->seInstrument->setValue(4);
    dialog->reject();

    const TInstrument& kept = settings.Instruments[2];
    EXPECT_EQ(kept.Title, "D2B Grenoble");
    EXPECT_NEAR(kept.Wave1, 1.594, 1e-6);
    EXPECT_EQ(kept.Zero, 0.0);
    EXPECT_EQ(kept.Radiation, 1);
    EXPECT_EQ(kept.Profile, 2);
    EXPECT_EQ(kept.Asym2, 0.0); // only the FCJ profile keeps a second asymmetry

    dialog->show();
    EXPECT_EQ(dialog->InstrumentShown(), 4);
    dialog->cbProfile->setCurrentIndex(5);
    EXPECT_TRUE(dialog->InstrumentEdit("Asym2")->isEnabled());
    dialog->InstrumentEdit("Asym2")->setText("0.031");
    dialog->accept();
    EXPECT_NEAR(settings.Instruments[3].Asym2, 0.031, 1e-6);
    // Instruments reach the store with the program's exit.
    SaveSettings(*store, settings);
    EXPECT_EQ(Restarted().Instruments[2].Title, "D2B Grenoble");
}

TEST_F(PreferencesTest, ScriptsAreShownSavedAndTested) {
    EXPECT_EQ(dialog->ScriptText->toPlainText(), "// Enter any startup KoraBasic code here");
    dialog->ScriptText->setPlainText("INTEGER i\ni = 2\n");
    files.saves << folder.filePath("start.rib");
    dialog->SaveScript();
    EXPECT_EQ(files.saveDialogs, 1);
    EXPECT_EQ(dialog->edCodeFile->text(), folder.filePath("start.rib"));
    dialog->ScriptText->setPlainText("INTEGER i\ni = 3\n");
    dialog->SaveScript();
    EXPECT_EQ(files.saveDialogs, 1); // a named file is written without asking

    dialog->TestScript();
    EXPECT_EQ(dialog->ScriptMessages->toPlainText(), "No problems.");
    dialog->ScriptText->setPlainText("INTEGER i\ni = = 3\n");
    dialog->TestScript();
    EXPECT_NE(dialog->ScriptMessages->toPlainText(), "No problems.");
    EXPECT_FALSE(dialog->ScriptMessages->toPlainText().isEmpty());

    // Switching after typing warns, then shows the library script.
    QTest::keyClicks(dialog->ScriptText, "// typed");
    emit dialog->cbScript->activated(1);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "You should save your work.");
    EXPECT_EQ(dialog->ScriptText->toPlainText(), "// Enter any library KoraBasic code here");
    dialog->edCodeFile->setText(folder.filePath("library.rib"));
    emit dialog->cbScript->activated(0);
    EXPECT_EQ(dialog->ScriptText->toPlainText(), "INTEGER i\ni = 3\n");
    dialog->accept();
    EXPECT_EQ(settings.StartUpScript, folder.filePath("start.rib"));
    EXPECT_EQ(settings.LibraryScript, folder.filePath("library.rib"));
    EXPECT_EQ(Restarted().LibraryScript, folder.filePath("library.rib"));
}

TEST_F(PreferencesTest, UpdateSiteShowsItsHostAndDirectory) {
    dialog->cbUpdateSite->setCurrentIndex(0);
    EXPECT_EQ(dialog->edSite->text(), "ftp.koralix.org");
    EXPECT_TRUE(dialog->edDirectory->text().endsWith("updates/"));
    dialog->cbUpdateSite->setCurrentIndex(5);
    EXPECT_FALSE(dialog->edSite->text().isEmpty());
}

class PreferencesInTheProgram : public ::testing::Test {
  protected:
    QTemporaryDir folder;
    RecordingMessenger messenger;
    AnsweringFiles files;
    std::unique_ptr<TFormKoralix> form;
    void SetUp() override {
        form = std::make_unique<TFormKoralix>(
            std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat),
            messenger, files);
    }
};

TEST_F(PreferencesInTheProgram, ChangesShowWithoutARestart) {
    form->ProcessFile(QString(KORALIX_FIXTURES) + "/../data/fixtures/std.gs");
    ASSERT_NE(form->DataPlotForm, nullptr);
    form->DataPlotForm->show();
    for (int k = 0; k < 5; ++k)
        form->Settings.Recent.Add(QString("/tmp/model%1.inp").arg(k));
    form->Action("actPreferences")->trigger();
    TOptionsDlg& dialog = form->Preferences();
    ASSERT_TRUE(dialog.isVisible());
    dialog.Colours[0] = QColor(200, 10, 10);
    dialog.seRecent->setValue(2);
    dialog.cbHints->setChecked(false);
    dialog.accept();

    bool recoloured = false;
    QCustomPlot* chart = form->DataPlotForm->Chart();
    for (int g = 0; g < chart->graphCount(); ++g)
        recoloured = recoloured || chart->graph(g)->pen().color() == QColor(200, 10, 10);
    EXPECT_TRUE(recoloured);
    EXPECT_EQ(form->Settings.Recent.Files.size(), 2);
    EXPECT_EQ(form->RecentMenu()->actions().size(), 2);
    EXPECT_FALSE(form->Action("actShowHints")->isChecked());
    EXPECT_NE(form->Action("actopen")->toolTip(), "Open an existing input file");
}

TEST_F(PreferencesInTheProgram, UpdateCommandIsOn) {
    EXPECT_TRUE(form->Action("actUpdate")->isEnabled());
    EXPECT_TRUE(form->Action("actPreferences")->isEnabled());
}

} // namespace
