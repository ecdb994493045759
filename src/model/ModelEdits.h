// Edits of a model's atom lists that keep the refinement codes with their
// atoms: the parameter list names atoms by number, so inserting or deleting
// one renumbers the codes of the atoms after it.
#pragma once

namespace koralix {

class TAtom;
class TRietveld;

// Removes atom a (1-based) of phase p with its codes and constraints; the
// codes of later atoms move down with them. Out-of-range numbers throw.
void DeleteAtom(TRietveld& model, int p, int a);
// Inserts `atom` as atom a of phase p (a = count + 1 appends); the codes of the
// atoms from a on move up with them. Out-of-range numbers throw.
void InsertAtom(TRietveld& model, int p, int a, const TAtom& atom);

} // namespace koralix
