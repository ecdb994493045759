#include "Settings.h"

#include "NumberFormat.h"
#include "TextHelpers.h"

#include <QDir>

namespace koralix {

namespace {

// Section names keep the layout of the program's registry key; QSettings
// groups nest with "/".
const QString Configuration = QStringLiteral("Configuration/");
const QString KoraBasic = QStringLiteral("Configuration/KoraBasic/");
const QString Colours = QStringLiteral("Configuration/Colours/");
const QString Scales = QStringLiteral("Configuration/Scales/");
const QString Instruments = QStringLiteral("Instruments/");
const QString RecentFiles = QStringLiteral("RecentFiles/");

int32_t ReadInt(QSettings& s, const QString& key, int32_t otherwise) {
    QVariant v = s.value(key);
    if (!v.isValid()) return otherwise;
    return TextToInt(v.toString().toStdString());
}

bool ReadBool(QSettings& s, const QString& key, bool otherwise) {
    QVariant v = s.value(key);
    if (!v.isValid()) return otherwise;
    const QString text = v.toString().trimmed().toLower();
    if (text == "true") return true;
    if (text == "false") return false;
    return TextToInt(text.toStdString()) != 0;
}

QString ReadText(QSettings& s, const QString& key) {
    return s.value(key).toString();
}

double ReadDouble(QSettings& s, const QString& key, double otherwise) {
    QVariant v = s.value(key);
    if (!v.isValid()) return otherwise;
    return TextToDouble(v.toString().toStdString());
}

// Instrument values are kept as text with up to seven significant digits.
QString DoubleText(double value) {
    return QString::fromStdString(GeneralText(value, 7));
}

void LoadInstrument(QSettings& s, int n, TInstrument& i) {
    const QString slot = QString::number(n);
    const TInstrument d = TInstrument::Unset(n);
    i.Title = s.value(Instruments + "Instrument_Title" + slot, d.Title).toString();
    i.Wave1 = ReadDouble(s, Instruments + "Wave1" + slot, d.Wave1);
    i.Wave2 = ReadDouble(s, Instruments + "Wave2" + slot, d.Wave2);
    i.Ratio = ReadDouble(s, Instruments + "Ratio" + slot, d.Ratio);
    i.Zero = ReadDouble(s, Instruments + "Zero" + slot, d.Zero);
    i.Pol = ReadDouble(s, Instruments + "Pol" + slot, d.Pol);
    i.U = ReadDouble(s, Instruments + "U" + slot, d.U);
    i.V = ReadDouble(s, Instruments + "V" + slot, d.V);
    i.W = ReadDouble(s, Instruments + "W" + slot, d.W);
    i.gamma = ReadDouble(s, Instruments + "gamma" + slot, d.gamma);
    i.Asym1 = ReadDouble(s, Instruments + "Asym1" + slot, d.Asym1);
    i.Asym2 = ReadDouble(s, Instruments + "Asym2" + slot, d.Asym2);
    i.Profile = ReadInt(s, Instruments + "Profile" + slot, d.Profile);
    i.Radiation = ReadInt(s, Instruments + "Radiation" + slot, d.Radiation);
    i.Start = ReadDouble(s, Instruments + "Start" + slot, d.Start);
    i.Step = ReadDouble(s, Instruments + "Step" + slot, d.Step);
    i.Stop = ReadDouble(s, Instruments + "Stop" + slot, d.Stop);
}

void SaveInstrument(QSettings& s, int n, const TInstrument& i) {
    const QString slot = QString::number(n);
    s.setValue(Instruments + "Instrument_Title" + slot, i.Title);
    const std::pair<const char*, double> values[] = {
        {"Wave1", i.Wave1}, {"Wave2", i.Wave2}, {"Ratio", i.Ratio}, {"Zero", i.Zero},
        {"Pol", i.Pol},     {"U", i.U},         {"V", i.V},         {"W", i.W},
        {"gamma", i.gamma}, {"Asym1", i.Asym1}, {"Asym2", i.Asym2},
    };
    for (const auto& [name, value] : values)
        s.setValue(Instruments + name + slot, DoubleText(value));
    s.setValue(Instruments + "Profile" + slot, i.Profile);
    s.setValue(Instruments + "Radiation" + slot, i.Radiation);
    s.setValue(Instruments + "Start" + slot, DoubleText(i.Start));
    s.setValue(Instruments + "Step" + slot, DoubleText(i.Step));
    s.setValue(Instruments + "Stop" + slot, DoubleText(i.Stop));
}

} // namespace

TInstrument TInstrument::Unset(int slot) {
    TInstrument i;
    i.Title = "Instrument " + QString::number(slot) + " not set";
    return i;
}

TInstrument TInstrument::CuKa() {
    TInstrument i;
    i.Title = "Cu Ka X-ray machine";
    i.Pol = 1.0;
    i.gamma = 0.2;
    i.Stop = 80.0;
    return i;
}

void TRecentFiles::Add(const QString& file) {
    Files.removeAll(file);
    Files.prepend(file);
    while (Files.size() > std::max(Capacity, 0))
        Files.removeLast();
}

void LoadSettings(QSettings& s, TSettings& t, const QString& databaseFolder) {
    t.Version = ReadInt(s, Configuration + "Version", -1);
    if (!s.contains(Configuration + "Version")) {
        s.setValue(Configuration + "Version", 1);
        t.Version = 1;
    }
    t.IDSZ = ReadInt(s, Configuration + "IDSZ", 10000);
    t.IRS = ReadInt(s, Configuration + "IRS", 4000);
    t.NIPOI = ReadInt(s, Configuration + "NIPOI", 1500);
    t.NumberRecent = ReadInt(s, Configuration + "NumberRecent", 5);
    t.Hints = ReadBool(s, Configuration + "Hints", true);
    t.View_d = ReadBool(s, Configuration + "View_d", false);
    t.TempRefine = ReadBool(s, Configuration + "TempRefine", true);
    t.StartUpDirectgory = ReadText(s, Configuration + "StartUpDirectgory");
    t.StepOnStart = ReadBool(s, Configuration + "StepOnStart", false);
    // Saved as "RefineonEntry": on a case-sensitive store read that spelling too,
    // so the value survives a restart as it does in a case-blind registry.
    t.RefineOnEntry = ReadBool(s, Configuration + "RefineOnEntry",
                               ReadBool(s, Configuration + "RefineonEntry", false));
    t.RDPlot = ReadBool(s, Configuration + "RDPlot", false);
    t.RDWatch = ReadBool(s, Configuration + "RDWatch", false);
    t.RDUpdate = ReadBool(s, Configuration + "RDUpdate", false);
    t.RDOnTop = ReadBool(s, Configuration + "RDOnTop", false);
    t.QSPlot = ReadBool(s, Configuration + "QSPlot", false);
    t.QSWatch = ReadBool(s, Configuration + "QSWatch", false);
    t.QSUpdate = ReadBool(s, Configuration + "QSUpdate", false);
    t.Style = ReadInt(s, Configuration + "Style", 0);
    t.AcceptChanges = ReadBool(s, Configuration + "AcceptChanges", false);
    t.BackgroundAveraging = ReadInt(s, Configuration + "BackgroundAveraging", 3);
    t.AssignDatafile = ReadBool(s, Configuration + "AssignDatafile", false);
    t.UpdateSite = ReadInt(s, "Update/UpdateSite", 0);
    t.StartUpScript = ReadText(s, KoraBasic + "StartUpScript");
    t.LibraryScript = ReadText(s, KoraBasic + "LibraryScript");
    t.DatabasePhases = ReadText(s, "Database/Phases");
    t.DatabaseAtoms = ReadText(s, "Database/Atoms");
    if (t.DatabasePhases.isEmpty()) {
        t.DatabasePhases = QDir(databaseFolder).filePath("Phases.db");
        s.setValue("Database/Phases", t.DatabasePhases);
    }
    if (t.DatabaseAtoms.isEmpty()) {
        t.DatabaseAtoms = QDir(databaseFolder).filePath("Atoms.db");
        s.setValue("Database/Atoms", t.DatabaseAtoms);
    }
    ReadInt(s, "History/Count", 0); // kept by older versions; read and ignored
    t.Background_Colour = ReadInt(s, Colours + "Background_Colour", 255);
    t.Data_Colour = ReadInt(s, Colours + "Data_Colour", 0);
    t.Calc_Colour = ReadInt(s, Colours + "Calc_Colour", 255);
    t.Diff_Colour = ReadInt(s, Colours + "Diff_Colour", 65280);
    t.Markers_Colour = ReadInt(s, Colours + "Markers_Colour", 65280);
    t.Main_Colour = ReadInt(s, Colours + "Main_Colour", 16777215);
    t.HKLScale = ReadInt(s, Scales + "HKLScale", 100);
    t.HKLheight = ReadInt(s, Scales + "HKLheight", 5);
    t.DifferenceScale = ReadInt(s, Scales + "DifferenceScale", 100);
    t.HKLSep = ReadInt(s, Scales + "HKLSep", 100);

    for (int n = 1; n <= InstrumentCount; ++n)
        LoadInstrument(s, n, t.Instruments[n - 1]);
    if (t.Instruments[0].Title == "Instrument 1 not set") t.Instruments[0] = TInstrument::CuKa();

    t.Recent.Capacity = t.NumberRecent;
    t.Recent.Files.clear();
    for (int k = t.NumberRecent - 1; k >= 0; --k) {
        const QString file = s.value(RecentFiles + "F" + QString::number(k)).toString().trimmed();
        if (!file.isEmpty()) t.Recent.Add(file);
    }
}

void SaveSettings(QSettings& s, const TSettings& t) {
    s.setValue(Configuration + "Hints", t.Hints);
    s.setValue(Configuration + "IRS", t.IRS);
    s.setValue(Configuration + "IDSZ", t.IDSZ);
    s.setValue(Configuration + "NIPOI", t.NIPOI);
    s.setValue(Configuration + "NumberRecent", t.NumberRecent);
    s.setValue(Configuration + "BackgroundAveraging", t.BackgroundAveraging);
    s.setValue(Colours + "Background_Colour", t.Background_Colour);
    s.setValue(Colours + "Data_Colour", t.Data_Colour);
    s.setValue(Colours + "Calc_Colour", t.Calc_Colour);
    s.setValue(Colours + "Diff_Colour", t.Diff_Colour);
    s.setValue(Colours + "Markers_Colour", t.Markers_Colour);
    s.setValue(Colours + "Main_Colour", t.Main_Colour);
    s.setValue(Scales + "HKLScale", t.HKLScale);
    s.setValue(Scales + "HKLSep", t.HKLSep);
    s.setValue(Scales + "HKLheight", t.HKLheight);
    s.setValue(Scales + "DifferenceScale", t.DifferenceScale);
    s.setValue("History/Count", 0);
    s.setValue("Update/UpdateSite", t.UpdateSite);
    s.setValue(Configuration + "TempRefine", t.TempRefine);
    s.setValue(Configuration + "AssignDatafile", t.AssignDatafile);
    s.setValue(Configuration + "StepOnStart", t.StepOnStart);
    // Written back under this spelling, while it is read as "RefineOnEntry".
    s.setValue(Configuration + "RefineonEntry", t.RefineOnEntry);
    s.setValue(Configuration + "RDPlot", t.RDPlot);
    s.setValue(Configuration + "RDWatch", t.RDWatch);
    s.setValue(Configuration + "RDUpdate", t.RDUpdate);
    s.setValue(Configuration + "RDOnTop", t.RDOnTop);
    s.setValue(Configuration + "QSPlot", t.QSPlot);
    s.setValue(Configuration + "QSWatch", t.QSWatch);
    s.setValue(Configuration + "QSUpdate", t.QSUpdate);
    s.setValue(Configuration + "AcceptChanges", t.AcceptChanges);
    s.setValue(Configuration + "View_d", t.View_d);
    s.setValue(Configuration + "Style", t.Style);
    s.setValue(Configuration + "StartUpDirectgory", t.StartUpDirectgory);
    s.setValue(KoraBasic + "StartUpScript", t.StartUpScript);
    s.setValue(KoraBasic + "LibraryScript", t.LibraryScript);
    for (int n = 1; n <= InstrumentCount; ++n)
        SaveInstrument(s, n, t.Instruments[n - 1]);
    for (int k = 0; k < t.Recent.Files.size(); ++k)
        s.setValue(RecentFiles + "F" + QString::number(k), t.Recent.Files[k]);
    s.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Koralix",
                                       "Koralix");
}

} // namespace koralix
