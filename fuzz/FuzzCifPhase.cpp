// Any bytes as a CIF file: the import must end with a phase or a message, the
// symbol it stores must fit the phase and mean the group it was read as, and
// every number it stores must be finite.
#include "CifPhase.h"
#include "Messenger.h"
#include "SpaceGroupServices.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    koralix::TPhase phase;
    koralix::RecordingMessenger messenger;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    koralix::TCifResult result = koralix::ReadCifPhaseText(text, "fuzz.cif", phase, messenger);
    Require((result == koralix::TCifResult::Invalid) == !messenger.messages.empty());
    Require(phase.SpaceGroup.size() <= 20);
    for (float v : {phase.A, phase.B, phase.C, phase.Alpha, phase.Beta, phase.Gamma})
        Require(std::isfinite(v));
    const int general = koralix::GeneralMultiplicity(phase.SpaceGroup.str());
    for (const koralix::TAtom& atom : phase.Atoms) {
        Require(std::isfinite(atom.X) && std::isfinite(atom.Y) && std::isfinite(atom.Z));
        Require(std::isfinite(atom.B) && std::isfinite(atom.N));
        if (general > 0)
            Require(koralix::SiteMultiplicity(phase.SpaceGroup.str(), atom.X, atom.Y, atom.Z) >= 1);
    }
    return 0;
}
