#include "AtomFiles.h"

#include "Messenger.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <fstream>

namespace koralix {

namespace {

std::vector<std::string> Fields(std::string line) {
    std::replace(line.begin(), line.end(), '\t', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    TBrkApart parts;
    parts.Split(line);
    return parts.Fields;
}

TAtom AtomFrom(const std::string& label, const std::string& type, const std::string& x,
               const std::string& y, const std::string& z) {
    TAtom atom;
    atom.Label = Pad4Upper(label);
    atom.AtomType = Pad4Upper(type);
    atom.X = TextToReal(x);
    atom.Y = TextToReal(y);
    atom.Z = TextToReal(z);
    return atom;
}

// Appends, except that the first atom of a file replaces what the phase held.
class AtomCollector {
  public:
    explicit AtomCollector(TPhase& phase) : phase_(phase) {}
    void Add(const TAtom& atom) {
        if (first_) phase_.ClearAtoms();
        first_ = false;
        phase_.AddAtom(atom);
    }

  private:
    TPhase& phase_;
    bool first_ = true;
};

TAtomFileResult Refuse(Messenger& messenger, const char* text, const std::string& fileName,
                       int line, const char* reason) {
    messenger.Message(std::string(text) + "\n" + fileName + ", line " + std::to_string(line) +
                      ": " + reason);
    return TAtomFileResult::Invalid;
}

} // namespace

TAtomFileResult ReadAtomListFile(const std::string& fileName, TPhase& phase, Messenger& messenger) {
    if (!FileOpenProblem(fileName).empty()) return TAtomFileResult::NotOpened;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return TAtomFileResult::NotOpened;
    AtomCollector atoms(phase);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (TrimText(line).empty()) break;
        std::vector<std::string> f = Fields(line);
        if (f.size() < 5)
            return Refuse(messenger, "Invalid atom file", fileName, number,
                          "expected a label, a type and x, y, z");
        atoms.Add(AtomFrom(f[0], f[1], f[2], f[3], f[4]));
    }
    if (in.bad()) return Refuse(messenger, "Invalid atom file", fileName, 0, "read error");
    return TAtomFileResult::Read;
}

TAtomFileResult ReadExpoXyzFile(const std::string& fileName, TPhase& phase, Messenger& messenger) {
    if (!FileOpenProblem(fileName).empty()) return TAtomFileResult::NotOpened;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return TAtomFileResult::NotOpened;
    AtomCollector atoms(phase);
    std::string line;
    bool started = false;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!started) {
            started = line.find("type") != std::string::npos;
            continue;
        }
        if (TrimText(line).empty()) continue;
        std::vector<std::string> f = Fields(line);
        if (f.size() < 4)
            return Refuse(messenger, "Invalid EXPO xyz file", fileName, number,
                          "expected a label and x, y, z");
        atoms.Add(AtomFrom(f[0], f[0], f[1], f[2], f[3]));
    }
    if (in.bad()) return Refuse(messenger, "Invalid EXPO xyz file", fileName, 0, "read error");
    return TAtomFileResult::Read;
}

} // namespace koralix
