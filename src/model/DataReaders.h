// The readers of the four diffraction data formats. Each refills the pattern
// and reports problems through the messenger; TData::ReadDataFile picks one.
#pragma once

#include <string>

namespace koralix {

class Messenger;
class TData;

// ZKRM ".dat": a start/step/finish/title line, then ten points a line in one
// of three fixed layouts, detected from the first data line.
void ReadDatFile(TData& data, const std::string& fileName, Messenger& messenger);
// GSAS raw data: title, BANK line, then records in the STD, ESD, ALT, FXY or FXYE layout.
void ReadGsasFile(TData& data, const std::string& fileName, Messenger& messenger);
// Two columns x and y separated by commas or blanks, after a title line.
void ReadXyFile(TData& data, const std::string& fileName, Messenger& messenger);
// Sietronics ".cpi": title, start, finish and step lines, six more header
// lines, then one intensity a line.
void ReadCpiFile(TData& data, const std::string& fileName, Messenger& messenger);

} // namespace koralix
