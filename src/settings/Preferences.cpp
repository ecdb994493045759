#include "Preferences.h"

namespace koralix {

void SavePreferences(QSettings& s, const TSettings& t) {
    const QString c = QStringLiteral("Configuration/");
    s.setValue(c + "IRS", t.IRS);
    s.setValue(c + "IDSZ", t.IDSZ);
    s.setValue(c + "NIPOI", t.NIPOI);
    s.setValue(c + "NumberRecent", t.NumberRecent);
    s.setValue(c + "BackgroundAveraging", t.BackgroundAveraging);
    s.setValue(c + "TempRefine", t.TempRefine);
    s.setValue(c + "StepOnStart", t.StepOnStart);
    s.setValue(c + "RefineonEntry", t.RefineOnEntry);
    s.setValue(c + "RDPlot", t.RDPlot);
    s.setValue(c + "RDWatch", t.RDWatch);
    s.setValue(c + "RDUpdate", t.RDUpdate);
    // The store tells case apart, so the value goes under the name it is read by.
    s.setValue(c + "RDOnTop", t.RDOnTop);
    s.setValue(c + "QSPlot", t.QSPlot);
    s.setValue(c + "QSWatch", t.QSWatch);
    s.setValue(c + "QSUpdate", t.QSUpdate);
    s.setValue(c + "AcceptChanges", t.AcceptChanges);
    s.setValue(c + "StartUpDirectgory", t.StartUpDirectgory);
    s.setValue("Update/UpdateSite", t.UpdateSite);
    s.setValue(c + "Style", t.Style);
    s.setValue("Database/Phases", t.DatabasePhases);
    s.setValue("Database/Atoms", t.DatabaseAtoms);
    s.setValue(c + "KoraBasic/StartUpScript", t.StartUpScript);
    s.setValue(c + "KoraBasic/LibraryScript", t.LibraryScript);
    // Colours, scales and hints apply at once in the program; keeping them now
    // means a crash before exit does not lose them.
    s.setValue(c + "Hints", t.Hints);
    const std::pair<const char*, int32_t> colours[] = {
        {"Background_Colour", t.Background_Colour}, {"Data_Colour", t.Data_Colour},
        {"Calc_Colour", t.Calc_Colour},             {"Diff_Colour", t.Diff_Colour},
        {"Markers_Colour", t.Markers_Colour},       {"Main_Colour", t.Main_Colour},
    };
    for (const auto& [name, value] : colours)
        s.setValue(c + "Colours/" + name, value);
    s.sync();
}

namespace {

const TUpdateSite DefaultSites[UpdateSiteCount] = {
    {"Koralix FTP site", "ftp.koralix.org", "/pub/koralix/updates/"},
    {"Koralix web site", "https://www.koralix.org", "/download/koralix/updates/"},
    {"European FTP mirror", "ftp.eu.koralix.org", "/mirrors/koralix/updates/"},
    {"American web mirror", "https://us.koralix.org", "/mirrors/koralix/updates/"},
    {"Asian web mirror", "https://asia.koralix.org", "/mirrors/koralix/updates/"},
    {"Not Available", "http://localhost", "/koralix/updates/"},
};

} // namespace

std::vector<TUpdateSite> LoadUpdateSites(QSettings& s) {
    std::vector<TUpdateSite> sites;
    for (int i = 0; i < UpdateSiteCount; ++i) {
        const QString n = QString::number(i + 1);
        const TUpdateSite& d = DefaultSites[i];
        sites.push_back({s.value("Update/Caption" + n, d.Caption).toString(),
                         s.value("Update/Host" + n, d.Host).toString(),
                         s.value("Update/Directory" + n, d.Directory).toString()});
    }
    // The last entry stands for "no site"; its caption is fixed.
    sites.back().Caption = "Not Available";
    return sites;
}

TUpdateSite UpdateSiteAt(const std::vector<TUpdateSite>& sites, int index) {
    if (sites.empty()) return {};
    if (index < 0 || index >= static_cast<int>(sites.size())) return sites.back();
    return sites[static_cast<size_t>(index)];
}

} // namespace koralix
