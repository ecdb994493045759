// What the preferences dialog writes when the user confirms it, and the update
// sites it offers. The sites are settings so that an institute can point the
// program at its own mirror; the defaults name the program's own servers.
#pragma once

#include "Settings.h"

#include <vector>

namespace koralix {

// Writes the values the preferences dialog edits, in the order it confirms
// them. The recent-file list and the instruments wait for the program's exit.
void SavePreferences(QSettings& store, const TSettings& settings);

struct TUpdateSite {
    QString Caption;
    // "ftp.example.org" or "ftp://host:port" for FTP, "http(s)://host" otherwise.
    QString Host;
    // The site's own prefix followed by the common path; ends in "updates/".
    QString Directory;
    bool IsFtp() const { return Host.startsWith("ftp", Qt::CaseInsensitive); }
};

constexpr int UpdateSiteCount = 6;

// The six sites, from section "Update" ("Caption1", "Host1", "Directory1" ... "6"),
// each value defaulting to the program's own.
std::vector<TUpdateSite> LoadUpdateSites(QSettings& store);
// The site at a list position; any position past the last means the last.
TUpdateSite UpdateSiteAt(const std::vector<TUpdateSite>& sites, int index);

} // namespace koralix
