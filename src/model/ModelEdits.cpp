#include "ModelEdits.h"

#include "Model.h"

#include <algorithm>
#include <stdexcept>

namespace koralix {

namespace {

bool IsAtomOf(const TParameter& q, int p) {
    return q.Histogram == 0 && q.Phase == p && q.Atom > 0;
}

// Drops the free parameters and constraints that `gone` names, then renumbers
// the rest with `shift`.
template <class Gone, class Shift>
void DropAndShift(TParameterList& list, Gone gone, Shift shift) {
    std::erase_if(list.Free, gone);
    std::erase_if(list.Constraints,
                  [&](const TConstraint& c) { return gone(c.Master) || gone(c.Dependent); });
    for (TParameter& q : list.Free)
        shift(q);
    for (TConstraint& c : list.Constraints) {
        shift(c.Master);
        shift(c.Dependent);
    }
}

} // namespace

void DeleteAtom(TRietveld& model, int p, int a) {
    TPhase& phase = model.Phase(p);
    if (a < 1 || a > phase.AtomCount()) throw std::out_of_range("atom number out of range");
    DropAndShift(
        model.Parameters, [p, a](const TParameter& q) { return IsAtomOf(q, p) && q.Atom == a; },
        [p, a](TParameter& q) {
            if (IsAtomOf(q, p) && q.Atom > a) --q.Atom;
        });
    phase.Atoms.erase(phase.Atoms.begin() + (a - 1));
}

void InsertAtom(TRietveld& model, int p, int a, const TAtom& atom) {
    TPhase& phase = model.Phase(p);
    if (a < 1 || a > phase.AtomCount() + 1) throw std::out_of_range("atom number out of range");
    DropAndShift(
        model.Parameters, [](const TParameter&) { return false; },
        [p, a](TParameter& q) {
            if (IsAtomOf(q, p) && q.Atom >= a) ++q.Atom;
        });
    phase.Atoms.insert(phase.Atoms.begin() + (a - 1), atom);
}

} // namespace koralix
