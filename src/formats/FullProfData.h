// The data files that go with FullProf control files, in the layouts the
// control file's instrument code names: free columns after a start/step/end
// line (0), the ILL multicounter layout of D1A, D2B and 3T2 (6), and x, y,
// esd columns after an XYDATA header (10). The engine reads none of them, so
// for a refinement the scan is written beside the file (see PrepareDataFile).
#pragma once

#include "PlotData.h"

#include <optional>
#include <string>

namespace koralix {

enum class FullProfLayout { FreeSteps = 0, Multicounter = 6, XySigma = 10 };

// The layout of the file, or nothing. Only files named .dat or with an
// extension of no data format here are looked at, and a file whose first
// line is a .dat header that the program reads itself is never taken.
std::optional<FullProfLayout> FullProfLayoutOf(const std::string& path);

// Reads the scan into `data`, the esds into `W`: from the file where it has
// them (the multicounter layout's averaged counts have the variance y / n for
// n counters), else those of counting statistics. False with `error` naming
// the file and line when it fails.
bool ReadFullProfData(const std::string& path, TData& data, std::string& error);

// The data file a control file names on its "! Files => DAT-file: NAME,"
// line, found beside it in any case (".dat" added when the name has no
// extension, as FullProf does); empty when it names none or it is not there.
std::string FullProfDataFile(const std::string& pcrPath);

} // namespace koralix
