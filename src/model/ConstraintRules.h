// The rows of the constraints editor turned into the model's parameter list,
// and the checks that keep ties the engine cannot honour out of the file.
#pragma once

#include "Parameters.h"

#include <string>
#include <vector>

namespace koralix {

class TRietveld;

// One tie as the editor shows it: dependent = Ratio x master.
struct TConstraintRow {
    TParameter Master;
    TParameter Dependent;
    float Ratio = 1;
};

// What is wrong with a set of rows, one readable line per fault, naming the
// parameters by their labels: a parameter tied to itself, a cycle of ties, a
// dependent tied to two masters, a side that is not a refined parameter of
// `refined`, or an address of no known kind. Empty when the rows can be used.
std::vector<std::string> CheckConstraintRows(const TRietveld& model,
                                             const std::vector<TConstraintRow>& rows,
                                             const std::vector<TParameter>& refined);

// Rebuilds `list` from the rows and the parameters left untied: the list is
// emptied, every row added as a constraint (a ratio of 0 counts as 1), and
// every parameter of `untied` that takes part in no constraint made free.
void RebuildParameterList(TParameterList& list, const std::vector<TConstraintRow>& rows,
                          const std::vector<TParameter>& untied);

// Constraints of a parameter list that the engine would silently ignore:
// a dependent whose master is not refined, or a parameter tied to itself.
std::vector<std::string> CheckParameterList(const TRietveld& model);

} // namespace koralix
