// The refined model as a Crystallographic Information File: one data block
// per phase (cell, space group, atom sites, with standard uncertainties where
// they are known) and one powder block with the agreement factors, the
// radiation and the observed and calculated pattern of histogram 1.
#pragma once

#include "Model.h"

#include <functional>
#include <string>
#include <vector>

namespace koralix {

// What a refinement adds to the model: standard uncertainties, agreement
// factors and the pattern. Empty parts are left out of the file.
struct TCifResults {
    // The esd of a field by its parameter address; 0 when not refined.
    std::function<double(const TAddress&)> Esd;
    bool HasAgreement = false;
    double Rp = 0, Rwp = 0, Rexp = 0, Chi2 = 0; // percent, percent, percent, reduced
    std::vector<double> X, Observed, Calculated;
};

// A value with its standard uncertainty in parentheses, to the last digit
// the uncertainty gives (esd digits 2 to 19): 8.47126(28). Without an esd the
// value is written to `decimals` places.
std::string ValueWithEsd(double value, double esd, int decimals = 6);

std::string CifText(const TRietveld& model, const TCifResults& results = {});

// Writes the file safely (temporary file renamed over the target); throws
// std::runtime_error naming the file when it cannot be written.
void ExportCif(const TRietveld& model, const TCifResults& results, const std::string& fileName);

// The structure alone, for the export commands that have no refinement.
void ExportCifStructure(TRietveld& model, const std::string& fileName);

} // namespace koralix
