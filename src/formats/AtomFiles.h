// Atom sites from small text files: a plain list of label, type and
// coordinates, and the coordinate file EXPO writes.
#pragma once

#include "Model.h"

#include <string>

namespace koralix {

class Messenger;

enum class TAtomFileResult {
    Read,      // the file was read to its end or to its first empty line
    NotOpened, // the file could not be opened; the phase is untouched
    Invalid,   // a line could not be read; the atoms read before it stay
};

// One atom per line: label, type, x, y, z separated by blanks or tabs.
// The first atom read replaces the phase's atoms, later ones append; reading
// stops at the first empty line. A line with fewer than five fields shows
// "Invalid atom file" with the file and line.
TAtomFileResult ReadAtomListFile(const std::string& fileName, TPhase& phase, Messenger& messenger);

// Lines up to and including the first one containing "type" are skipped;
// every later non-empty line is label (also the type), x, y, z. A line with
// fewer than four fields shows "Invalid EXPO xyz file" with the file and line.
TAtomFileResult ReadExpoXyzFile(const std::string& fileName, TPhase& phase, Messenger& messenger);

} // namespace koralix
