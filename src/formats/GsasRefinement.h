// The refinement a GSAS experiment file describes, beyond the model itself:
// flags, phase fractions, background functions, profile terms, and the data
// file it names.
#pragma once

#include "LineSource.h"
#include "Model.h"

#include <string>

namespace koralix {

// Applies to a model just imported from the same lines: the refinement flags
// of cell (with the ties of the crystal system), atoms (F, X with the ties of
// the site symmetry, isotropic U), phase fractions, histogram scale, zero,
// profile terms and background. GU, GV, GW become the Caglioti terms of the
// squared FWHM (times 8 ln 2 / 10^4), the Lorentzian LX, LY a pseudo-Voigt
// mixing, Howard's asymmetry moves from centidegrees to degrees. A shifted
// Chebyshev background keeps its coefficients; the other functions become
// user points sampled from them. Constant-wavelength histograms only.
void CarryGsasRefinement(TRietveld& model, LineSource& lines);

// The data file named by histogram 1 (HFIL), as written in the file.
std::string GsasDataFileName(const std::string& text);

// The data file an experiment file names, found beside it; empty when the
// file names none or it is not there.
std::string GsasDataFile(const std::string& expPath);

// The file called `name` (its folders dropped, Windows or Unix) in the folder
// of `besidePath`, matched in any case; empty when there is none.
std::string FindBeside(const std::string& besidePath, const std::string& name);

} // namespace koralix
