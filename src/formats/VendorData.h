// Diffractometer files of the instrument makers, read through xylib: Bruker
// RAW (all versions) and UXD, PANalytical XRDML, Philips RD/SD and UDF,
// Rigaku, Sietronics, CSV and the other formats xylib knows. The engine
// reads none of them, so for a refinement the scan is written beside the
// file in a format it does read.
#pragma once

#include "PlotData.h"

#include <string>

namespace koralix {

class Messenger;
class TRietveld;

// The xylib format of the file, or empty when it is none of them. Files of
// the program's own data types (.dat, .gs, .xy, .cpi) are not taken, nor is
// a file (a GSAS .raw, say) that xylib only takes for loose text columns
// unless its extension says columns (.csv, .txt, .xye, .chi, .asc).
std::string VendorFormatOf(const std::string& path);

// Reads the first scan (block) of the file into `data`: x from the first
// column, counts from the second, and in `W` the esd of a third column where
// the format has one, else 1. False with `error` naming the file when it fails.
bool ReadVendorData(const std::string& path, TData& data, std::string& error);

// A data file the engine reads for `dataFile`: the file itself, or for an
// instrument maker's file or a FullProf data file (FullProfData.h) that the
// program's own readers refuse, its scan written beside it as a new file (never
// over an existing one) with the model's data format set to match: GSAS ESD
// (format 3) for a scan at a constant step, carrying the file's esds or
// those of counting statistics; XY (format 4) for an uneven one. When the
// scan cannot be read or written, the messenger says why and `dataFile` is
// returned unchanged.
std::string PrepareDataFile(TRietveld& model, const std::string& dataFile, Messenger& messenger);

} // namespace koralix
