#include "ScatterEdits.h"

#include "Model.h"

namespace koralix {

namespace {

bool OfEntry(const TParameter& p, int h, int n) {
    return p.Kind == KindScatter && p.Histogram == h && p.ParamType == n;
}

void Renumber(TParameter& p, int h, int n) {
    if (p.Kind == KindScatter && p.Histogram == h && p.ParamType > n) --p.ParamType;
}

} // namespace

void DeleteScatterEntry(TRietveld& model, int h, int n) {
    if (h < 1 || h > model.HistogramCount()) return;
    TScatterList& list = model.Histogram(h).Scatter;
    if (n < 1 || n > list.EntryCount()) return;
    TParameterList& parameters = model.Parameters;
    for (int atom : {1, 2}) parameters.SetRefined({h, ScatterPhase, atom, n}, false);
    // SetRefined may promote a dependent of another entry; what is left of
    // this entry (none in practice) must not survive it.
    std::erase_if(parameters.Free, [&](const TParameter& p) { return OfEntry(p, h, n); });
    for (TParameter& p : parameters.Free) Renumber(p, h, n);
    for (TConstraint& c : parameters.Constraints) {
        Renumber(c.Master, h, n);
        Renumber(c.Dependent, h, n);
    }
    list.DeleteEntry(n);
}

} // namespace koralix
