// The phase editor's atom grid as a spreadsheet: written as .xlsx, read
// back from .xlsx or from a legacy .xls file.
#pragma once

#include "Model.h"

#include <string>
#include <vector>

namespace koralix {

class Messenger;

// Rows of cells, row 0 the header, in the atom grid's 26 columns: "#",
// "Mult", "Name", "Type", then each of x, y, z, B, n, B11..B23 followed by
// its flag column.
using TSheetRows = std::vector<std::vector<std::string>>;

// The grid of a phase as the phase editor shows it (flags left blank, Mult 0).
TSheetRows AtomGridRows(const TPhase& phase);

// Writes the rows to an .xlsx workbook, numbers as numbers. The old file is
// replaced only once the new one is complete. False with `error` set on failure.
bool WriteAtomSheet(const std::string& fileName, const TSheetRows& rows, std::string& error);

// Reads the first worksheet of an .xlsx or .xls file (by its content, so a
// misnamed file still reads). False with `error` set on failure.
bool ReadAtomSheet(const std::string& fileName, TSheetRows& rows, std::string& error);

// Appends one atom per row after the header: name from column 2, type from
// column 3, x, y, z, B, n from columns 4, 6, 8, 10, 12. A cell that is not a
// number stops with "'<text>' is not a valid floating point value" naming
// the row; atoms appended before it stay. True when every row was taken.
bool AppendSheetAtoms(const TSheetRows& rows, TPhase& phase, Messenger& messenger);

} // namespace koralix
