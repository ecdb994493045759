// Parameter access by address: the model field each address names, and the
// labels shown for parameters and constraints.
#include "Messenger.h"
#include "Model.h"

#include <cstdio>

namespace koralix {

namespace {

const char* const HistogramTypeLabels[19] = {"",
                                             "Zero",
                                             "Background 0",
                                             "Background 1",
                                             "Background 2",
                                             "Background 3",
                                             "Background 4",
                                             "Background 5",
                                             "Background 6",
                                             "Background 7",
                                             "Background 8",
                                             "Background 9",
                                             "Background 10",
                                             "Background 11",
                                             "Histogram Scale",
                                             "Wavelength 1/DifC",
                                             "DifA",
                                             "Sample Displacement",
                                             ""};

const char* const AtomTypeLabels[12] = {"",    "x",   "y",   "z",   "B",   "n",
                                        "B11", "B22", "B33", "B12", "B13", "B23"};

std::string PhaseTypeLabel(int type) {
    switch (type) {
    case 1:
        return "Phase Scale";
    case 2:
        return "Isotropic Thermal";
    case 6:
        return "a";
    case 7:
        return "b";
    case 8:
        return "c";
    case 9:
        return "Alpha";
    case 10:
        return "Beta";
    case 11:
        return "Gamma";
    default:
        return "";
    }
}

std::string SampleTypeLabel(int type) {
    switch (type) {
    case 3:
        return "U";
    case 4:
        return "V";
    case 5:
        return "W";
    case 12:
        return "Preffered Orientation";
    case 13:
        return "R value/Flat Plate P0";
    case 14:
        return "Asymmetery 1";
    case 15:
        return "Gam-0";
    case 16:
        return "Gam-1";
    case 17:
        return "Gam-2";
    case 18:
        return "Extinction";
    case 19:
        return "Uaniso";
    case 20:
        return "Asymmetery 2";
    case 21:
        return "TOF Alpha-1";
    case 22:
        return "TOF Alpha-2";
    case 23:
        return "TOF Beta-1";
    case 24:
        return "TOF Beta-2";
    case 25:
        return "Flat Plate Pore";
    case 26:
        return "Flat Plate Rough";
    default:
        return "";
    }
}

std::string Number3(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%3d", n);
    return buffer;
}

float* HistogramField(THistogram& h, int type) {
    if (type >= 2 && type <= 13) return &h.Background.Coeff[static_cast<size_t>(type - 2)];
    switch (type) {
    case 1:
        return &h.Zero;
    case 14:
        return &h.Scale;
    case 15:
        return &h.Wave1;
    case 16:
        return &h.Wave2;
    case 17:
        return &h.Displacement;
    case 18:
        return &h.Extra18;
    default:
        return nullptr;
    }
}

float* PhaseField(TPhase& p, int type) {
    switch (type) {
    case 1:
        return &p.Scale;
    case 2:
        return &p.OverallB;
    case 6:
        return &p.A;
    case 7:
        return &p.B;
    case 8:
        return &p.C;
    case 9:
        return &p.Alpha;
    case 10:
        return &p.Beta;
    case 11:
        return &p.Gamma;
    default:
        return nullptr;
    }
}

float* AtomField(TAtom& a, int type) {
    float* fields[12] = {nullptr, &a.X,   &a.Y,   &a.Z,   &a.B,   &a.N,
                         &a.B11,  &a.B22, &a.B33, &a.B12, &a.B13, &a.B23};
    return type >= 1 && type <= 11 ? fields[type] : nullptr;
}

float* SampleField(TSample& s, int type) {
    switch (type) {
    case 3:
        return &s.U;
    case 4:
        return &s.V;
    case 5:
        return &s.W;
    case 12:
        return &s.PO;
    case 13:
        return &s.AbsorptionR;
    case 14:
        return &s.Asym1;
    case 15:
        return &s.Gam0;
    case 16:
        return &s.Gam1;
    case 17:
        return &s.Gam2;
    case 18:
        return &s.Extinction;
    case 19:
        return &s.Uaniso;
    case 20:
        return &s.Asym2;
    case 21:
        return &s.TofAlpha1;
    case 22:
        return &s.TofAlpha2;
    case 23:
        return &s.TofBeta1;
    case 24:
        return &s.TofBeta2;
    case 25:
        return &s.Pore;
    case 26:
        return &s.Rough;
    default:
        return nullptr;
    }
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
        TScatterFactor* e = h ? Item(h->Scatter.Items, a.Atom) : nullptr;
        if (!e) return nullptr;
        return a.Type == 1 ? &e->FPrime : (a.Type == 2 ? &e->FDoublePrime : nullptr);
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

std::string TRietveld::LabelOf(const TParameter& q, Messenger* messenger) const {
    const int type = q.ParamType;
    switch (KindOf(q.Address())) {
    case KindHistogram:
        return "H" + Number3(q.Histogram) + ": " +
               (type >= 0 && type <= 18 ? HistogramTypeLabels[type] : "");
    case KindPhase:
        return "P" + Number3(q.Phase) + ": " + PhaseTypeLabel(type);
    case KindAtom: {
        const TPhase* p = q.Phase >= 1 && q.Phase <= PhaseCount() ? &Phase(q.Phase) : nullptr;
        const TAtom* a = p && q.Atom >= 1 && q.Atom <= p->AtomCount()
                             ? &p->Atoms[static_cast<size_t>(q.Atom - 1)]
                             : nullptr;
        return "P" + Number3(q.Phase) + ": " +
               (type >= 0 && type <= 11 ? AtomTypeLabels[type] : "") + " (" +
               (a ? a->Label.str() : std::string()) + ")";
    }
    case KindSample:
        return "H" + Number3(q.Histogram) + ": P" + Number3(q.Phase) + ": " + SampleTypeLabel(type);
    case KindScatter: {
        const THistogram* h =
            q.Histogram >= 1 && q.Histogram <= HistogramCount() ? &Histogram(q.Histogram) : nullptr;
        const TScatterFactor* e = h && type >= 1 && type <= h->Scatter.EntryCount()
                                      ? &h->Scatter.Items[static_cast<size_t>(type - 1)]
                                      : nullptr;
        const std::string name = e ? e->Name.str() : std::string();
        if (q.Atom == 1) return "H" + Number3(q.Histogram) + ": f' :" + name;
        if (q.Atom == 2) return "H" + Number3(q.Histogram) + ": f'' :" + name;
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
