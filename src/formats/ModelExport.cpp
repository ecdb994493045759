// Job files for structure-solution programs: a SHELX instruction file and a
// SIRPOW/EXPO job, from histogram 1 and phase 1.
#include "ModelImport.h"
#include "NumberFormat.h"
#include "SafeFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cctype>

namespace koralix {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const TPhase* FirstPhase(const TRietveld& model) {
    return model.Phases.empty() ? nullptr : &model.Phases.front();
}

float FirstWave(const TRietveld& model) {
    return model.Histograms.empty() ? 0.0f : model.Histograms.front().Wave1;
}

char LatticeDigit(const std::string& symbol) {
    switch (symbol.empty() ? ' ' : symbol[0]) {
    case 'I':
        return '2';
    case 'R':
        return '3';
    case 'F':
        return '4';
    case 'A':
        return '5';
    case 'B':
        return '6';
    case 'C':
        return '7';
    default:
        return '1';
    }
}

} // namespace

std::string ShelxText(TRietveld& model) {
    model.Parameters.Renumber();
    const TPhase empty;
    const TPhase& phase = FirstPhase(model) ? *FirstPhase(model) : empty;
    std::string text = "TITL " + model.Title.substr(0, 76) + "\r\n";
    text += "CELL " + FormatReal(8, 5, FirstWave(model));
    for (float v : {phase.A, phase.B, phase.C, phase.Alpha, phase.Beta, phase.Gamma})
        text += " " + FormatReal(8, 4, v);
    text += "\r\n";
    text += std::string("LATT ") + LatticeDigit(phase.SpaceGroup.str()) + "\r\n";

    // Distinct types in alphabetical order, case ignored.
    std::vector<std::string> types;
    for (const TAtom& atom : phase.Atoms) {
        std::string type = TrimText(atom.AtomType.str());
        auto same = [&](const std::string& t) { return Lower(t) == Lower(type); };
        if (std::none_of(types.begin(), types.end(), same)) types.push_back(type);
    }
    std::stable_sort(types.begin(), types.end(), [](const std::string& a, const std::string& b) {
        return Lower(a) < Lower(b);
    });
    auto indexOf = [&](const TAtom& atom) {
        const std::string type = Lower(TrimText(atom.AtomType.str()));
        for (size_t k = 0; k < types.size(); ++k)
            if (Lower(types[k]) == type) return static_cast<int>(k) + 1;
        return 0;
    };
    text += "SFAC";
    for (const std::string& type : types)
        text += " " + type;
    text += "\r\nUNIT";
    for (size_t k = 0; k < types.size(); ++k) {
        const auto count =
            std::count_if(phase.Atoms.begin(), phase.Atoms.end(),
                          [&](const TAtom& a) { return indexOf(a) == static_cast<int>(k) + 1; });
        text += " " + std::to_string(count);
    }
    text += "\r\n";
    for (const TAtom& atom : phase.Atoms) {
        std::string label = atom.Label.str();
        label.resize(4, ' ');
        text += label + " " + RightAlign(std::to_string(indexOf(atom)), 3);
        for (float v : {atom.X, atom.Y, atom.Z, atom.N, atom.B})
            text += " " + FormatReal(6, 4, v);
        text += "\r\n";
    }
    return text;
}

void ExportShelx(TRietveld& model, const std::string& fileName) {
    WriteFileSafely(fileName, ShelxText(model));
}

std::string SirpowText(TRietveld& model) {
    model.Parameters.Renumber();
    const TPhase empty;
    const TPhase& phase = FirstPhase(model) ? *FirstPhase(model) : empty;
    std::string text = "%window\r\n%struct koralix\r\n%init\r\n";
    text += "%job " + model.Title.substr(0, 76) + "\r\n";
    text += "%data\r\n";
    text += "wavelength " + FormatReal(8, 5, FirstWave(model)) + "\r\n";
    text += "cell";
    for (float v : {phase.A, phase.B, phase.C, phase.Alpha, phase.Beta, phase.Gamma})
        text += "  " + FormatReal(8, 4, v);
    text += "\r\n";
    text += "space " + phase.SpaceGroup.str() + "\r\n";
    text += "ref2 xxxxxxx.fou - enter LeBail filename here\r\n";
    text += "content  XX XX XX XX - enter expected cell contents here.\r\n";
    text += "%normal\r\n%continue\r\n";
    return text;
}

void ExportSirpow(TRietveld& model, const std::string& fileName) {
    WriteFileSafely(fileName, SirpowText(model));
}

} // namespace koralix
