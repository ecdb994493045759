// File-type codes taken from a path's extension, the companion data file of
// an input file, and a harmless test that a file can be read.
#pragma once

#include <string>
#include <string_view>

namespace koralix {

namespace FileType {
inline constexpr int Input = 0;    // .INP
inline constexpr int FullProf = 1; // .PCR
inline constexpr int Dbws = 2;     // .DWB
inline constexpr int GsasExp = 3;  // .EXP
inline constexpr int Dat = 4;      // .DAT
inline constexpr int GsasRaw = 7;  // .GSAS, .GS
inline constexpr int Shelx = 8;    // .INS
inline constexpr int Xy = 9;       // .XY
inline constexpr int Cpi = 10;     // .CPI
inline constexpr int Unknown = 11;
} // namespace FileType

// The code of the path's extension (the text from the last "." of the file
// name on), compared without regard to case.
int FileTypeOf(std::string_view path);
bool IsDataFile(std::string_view path);
// True when the path names a file that can be opened for reading; the file is
// opened read-only and closed again at once.
bool FileReadable(const std::string& path);
// The data file beside an input file: same folder and base name, extension by
// the data format (3 .GS, 4 and 5 .XY, 6 .CPI, otherwise .DAT). The extension
// is tried as written, then in lower case; empty when neither file exists.
std::string DataFileFor(const std::string& inputPath, int dataFormat);

} // namespace koralix
