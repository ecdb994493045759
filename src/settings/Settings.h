// The program's preferences, the 20 stored instruments and the recent-file
// list: loaded once at start-up and written back at exit. The store works on
// any QSettings, so tests use a temporary INI file and never the user's own.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace koralix {

struct TInstrument {
    QString Title;
    double Wave1 = 1.54051;
    double Wave2 = 1.54433;
    double Ratio = 0.5;
    double Zero = 0.0;
    double Pol = 0.0;
    double U = 0.01;
    double V = -0.005;
    double W = 0.02;
    double gamma = 0.1;
    double Asym1 = 0.02;
    double Asym2 = 0.0;
    int32_t Profile = 3;   // position in the sample editor's profile list
    int32_t Radiation = 0; // 0 X-ray CW, 1 neutron CW, 2 neutron TOF, 3 energy dispersive
    double Start = 10.0;
    double Step = 0.01;
    double Stop = 100.0;

    // The values a missing slot n reads as.
    static TInstrument Unset(int slot);
    // The built-in "Cu Ka X-ray machine" that fills an unset slot 1.
    static TInstrument CuKa();
    bool operator==(const TInstrument&) const = default;
};

constexpr int InstrumentCount = 20;

// Most recent first, at most Capacity entries.
class TRecentFiles {
  public:
    int Capacity = 5;
    QStringList Files;

    // Puts a file at the top, removing an older entry of the same name.
    void Add(const QString& file);
};

struct TSettings {
    int32_t Version = -1;
    int32_t IDSZ = 10000;
    int32_t IRS = 4000;
    int32_t NIPOI = 1500;
    int32_t NumberRecent = 5;
    bool Hints = true;
    bool View_d = false;
    bool TempRefine = true;
    QString StartUpDirectgory;
    bool StepOnStart = false;
    bool RefineOnEntry = false;
    bool RDPlot = false, RDWatch = false, RDUpdate = false, RDOnTop = false;
    bool QSPlot = false, QSWatch = false, QSUpdate = false;
    int32_t Style = 0;
    bool AcceptChanges = false;
    int32_t BackgroundAveraging = 3;
    bool AssignDatafile = false;
    int32_t UpdateSite = 0;
    QString StartUpScript;
    QString LibraryScript;
    QString DatabasePhases;
    QString DatabaseAtoms;
    // Colours are stored as Windows RGB values (0x00BBGGRR).
    int32_t Background_Colour = 255;
    int32_t Data_Colour = 0;
    int32_t Calc_Colour = 255;
    int32_t Diff_Colour = 65280;
    int32_t Markers_Colour = 65280;
    int32_t Main_Colour = 16777215;
    int32_t HKLScale = 100;
    int32_t HKLheight = 5;
    int32_t DifferenceScale = 100;
    int32_t HKLSep = 100;
    std::array<TInstrument, InstrumentCount> Instruments;
    TRecentFiles Recent;
};

// Reads every value with its default. Writes "Version" 1 when it is missing,
// and the default database paths (in `databaseFolder`) when they are empty.
void LoadSettings(QSettings& store, TSettings& settings, const QString& databaseFolder);
// Writes the values back as the program does at exit.
void SaveSettings(QSettings& store, const TSettings& settings);

// The store of the running program: INI format, organisation and application "Koralix".
std::unique_ptr<QSettings> OpenUserSettings();

} // namespace koralix
