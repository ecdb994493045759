// Parameter access by address: the model field each address names, and the
// labels shown for parameters and constraints.
#include "Messenger.h"
#include "Model.h"
#include "ParameterTable.h"

#include <cstdio>

namespace koralix {

namespace {

std::string Number3(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%3d", n);
    return buffer;
}

template <int32_t ItemKind, typename R, typename Item> R* ModelField(Item& item, int32_t typeValue) {
    KORALIX_PARAMETER_TABLE(KORALIX_PARAMETER_FIELD_MODEL)
    return nullptr;
}

float* HistogramField(THistogram& h, int type) {
    return ModelField<KindHistogram, float>(h, type);
}

float* PhaseField(TPhase& p, int type) {
    return ModelField<KindPhase, float>(p, type);
}

float* AtomField(TAtom& a, int type) {
    return ModelField<KindAtom, float>(a, type);
}

float* SampleField(TSample& s, int type) {
    return ModelField<KindSample, float>(s, type);
}

template <typename T> T* Item(std::vector<T>& list, int number) {
    return number >= 1 && number <= static_cast<int>(list.size())
               ? &list[static_cast<size_t>(number - 1)]
               : nullptr;
}

// The field of an address for value access. Scattering values take the entry
// number as the atom number and f'/f'' as the type, the way macros pass them.
float* ValueField(TRietveld& model, const TAddress& a, bool forWriting) {
    switch (KindOf(a)) {
    case KindHistogram: {
        THistogram* h = Item(model.Histograms, a.Histogram);
        return h ? HistogramField(*h, a.Type) : nullptr;
    }
    case KindPhase: {
        TPhase* p = Item(model.Phases, a.Phase);
        return p ? PhaseField(*p, a.Type) : nullptr;
    }
    case KindAtom: {
        TPhase* p = Item(model.Phases, a.Phase);
        TAtom* atom = p ? Item(p->Atoms, a.Atom) : nullptr;
        return atom ? AtomField(*atom, a.Type) : nullptr;
    }
    case KindSample: {
        TSample* s = model.FindSample(a.Histogram, a.Phase);
        if (s)
            if (float* f = SampleField(*s, a.Type)) return f;
        if (forWriting) return nullptr;
        TPhase* p = Item(model.Phases, a.Phase);
        return p ? PhaseField(*p, a.Type) : nullptr;
    }
    case KindScatter: {
        THistogram* h = Item(model.Histograms, a.Histogram);
        const TAddress list = ScatterListAddress(a);
        TScatterFactor* e = h ? Item(h->Scatter.Items, list.Type) : nullptr;
        return e ? ModelField<KindScatter, float>(*e, list.Atom) : nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace

float TRietveld::GetValue(const TAddress& address) const {
    const float* f = ValueField(const_cast<TRietveld&>(*this), address, false);
    return f ? *f : 0.0f;
}

void TRietveld::SetValue(const TAddress& address, float value) {
    if (float* f = ValueField(*this, address, true)) *f = value;
}

std::string EntryLabel(const TParameterEntry& entry, int32_t type) {
    if (entry.Count > 1) return entry.Label + std::to_string(type - entry.Type);
    return entry.Label;
}

std::string EntryTitle(const TParameterEntry& entry, int32_t type) {
    if (entry.Count > 1) return entry.Title + std::to_string(type - entry.Type);
    return entry.Title;
}

std::string TRietveld::LabelOf(const TParameter& q, Messenger* messenger) const {
    const TAddress address = q.Address();
    const TParameterEntry* entry = FindParameterEntry(address);
    const std::string label = entry ? EntryLabel(*entry, q.ParamType) : std::string();
    switch (KindOf(address)) {
    case KindHistogram:
        return "H" + Number3(q.Histogram) + ": " + label;
    case KindPhase:
        return "P" + Number3(q.Phase) + ": " + label;
    case KindAtom: {
        const TPhase* p = q.Phase >= 1 && q.Phase <= PhaseCount() ? &Phase(q.Phase) : nullptr;
        const TAtom* a = p && q.Atom >= 1 && q.Atom <= p->AtomCount()
                             ? &p->Atoms[static_cast<size_t>(q.Atom - 1)]
                             : nullptr;
        return "P" + Number3(q.Phase) + ": " + label + " (" + (a ? a->Label.str() : std::string()) +
               ")";
    }
    case KindSample:
        return "H" + Number3(q.Histogram) + ": P" + Number3(q.Phase) + ": " + label;
    case KindScatter: {
        const THistogram* h =
            q.Histogram >= 1 && q.Histogram <= HistogramCount() ? &Histogram(q.Histogram) : nullptr;
        const TScatterFactor* e = h && q.ParamType >= 1 && q.ParamType <= h->Scatter.EntryCount()
                                      ? &h->Scatter.Items[static_cast<size_t>(q.ParamType - 1)]
                                      : nullptr;
        const std::string name = e ? e->Name.str() : std::string();
        if (entry) return "H" + Number3(q.Histogram) + ": " + label + name;
        return "Error in Scatter constraint" + name;
    }
    default:
        if (messenger) messenger->Message("Serious Constriaint error");
        return "";
    }
}

std::string TRietveld::ParameterLabel(int n, Messenger* messenger) const {
    return LabelOf(Parameters.Free.at(static_cast<size_t>(n - 1)), messenger);
}

std::string TRietveld::ConstraintLabel(int n, int side, Messenger* messenger) const {
    const TConstraint& c = Parameters.Constraints.at(static_cast<size_t>(n - 1));
    return LabelOf(side == 1 ? c.Master : c.Dependent, messenger);
}

} // namespace koralix
