#include "Parameters.h"

#include <cmath>
#include <limits>

namespace koralix {

int32_t KindOf(const TAddress& a) {
    if (a.Histogram != 0 && a.Phase == 0 && a.Atom == 0) return KindHistogram;
    if (a.Histogram != 0 && a.Phase == ScatterPhase && a.Atom != 0) return KindScatter;
    if (a.Atom != 0 && a.Histogram == 0 && a.Phase != 0) return KindAtom;
    if (a.Phase != 0 && a.Histogram != 0 && a.Atom == 0) return KindSample;
    if (a.Phase != 0 && a.Histogram == 0 && a.Atom == 0) return KindPhase;
    return KindInvalid;
}

TCode DecomposeCode(float code) {
    float magnitude = std::fabs(code);
    TCode c;
    const float number = std::trunc(magnitude / 10.0f);
    // A code number beyond any code count is garbage: keep it out of range of
    // every list rather than let it wrap.
    c.Number =
        number < 2147483520.0f ? static_cast<int32_t>(number) : std::numeric_limits<int32_t>::max();
    c.Multiplier = magnitude - 10.0f * static_cast<float>(c.Number);
    if (c.Multiplier == 0) c.Multiplier = 1;
    if (code < 0) c.Multiplier = -c.Multiplier;
    return c;
}

float ComposeCode(int32_t number, float multiplier) {
    float sign = multiplier > 0 ? 1.0f : (multiplier < 0 ? -1.0f : 0.0f);
    return sign * (std::fabs(multiplier) + 10.0f * static_cast<float>(number));
}

TParameter::TParameter(const TAddress& address, float code) {
    SetAddress(address);
    TCode c = DecomposeCode(code);
    CodeNumber = c.Number;
    Multiplier = c.Multiplier;
}

void TParameter::SetAddress(const TAddress& a) {
    Histogram = a.Histogram;
    Phase = a.Phase;
    Atom = a.Atom;
    ParamType = a.Type;
    Kind = KindOf(a);
}

void TParameterList::Clear() {
    Free.clear();
    Constraints.clear();
}

void TParameterList::AddFree(const TAddress& address, float code) {
    if (code == 0 || IndexOfFree(address) >= 0) return;
    Free.emplace_back(address, code);
}

int TParameterList::IndexOfFree(const TAddress& address) const {
    for (size_t i = 0; i < Free.size(); ++i)
        if (Free[i].Address() == address) return static_cast<int>(i);
    return -1;
}

int TParameterList::IndexOfParameter(const TParameter& parameter) const {
    int found = -1;
    for (size_t i = 0; i < Free.size(); ++i)
        if (Free[i].SameAddress(parameter)) found = static_cast<int>(i);
    return found;
}

int TParameterList::IndexOfMaster(const TAddress& address) const {
    for (size_t i = 0; i < Constraints.size(); ++i)
        if (Constraints[i].Master.Address() == address) return static_cast<int>(i);
    return -1;
}

int TParameterList::IndexOfDependent(const TAddress& address) const {
    for (size_t i = 0; i < Constraints.size(); ++i)
        if (Constraints[i].Dependent.Address() == address) return static_cast<int>(i);
    return -1;
}

int TParameterList::FindConstraint(const TParameter& p1, const TParameter& p2) const {
    for (size_t i = 0; i < Constraints.size(); ++i) {
        const TConstraint& c = Constraints[i];
        if ((c.Master.SameAddress(p1) && c.Dependent.SameAddress(p2)) ||
            (c.Master.SameAddress(p2) && c.Dependent.SameAddress(p1)))
            return static_cast<int>(i);
    }
    return -1;
}

bool TParameterList::TakesPart(const TAddress& address) const {
    return IndexOfMaster(address) >= 0 || IndexOfDependent(address) >= 0;
}

void TParameterList::AddConstraint(const TParameter& first, const TParameter& second) {
    if (FindConstraint(first, second) >= 0) return;
    TParameter p1 = first;
    TParameter p2 = second;
    float r = p2.Multiplier;
    bool p1Takes = TakesPart(p1.Address());
    bool p2Takes = TakesPart(p2.Address());
    if (!p1Takes && p2Takes) {
        TParameter oldP1 = p1;
        TParameter oldP2 = p2;
        oldP1.Multiplier = oldP2.Multiplier == 0 ? 1.0f : 1.0f / oldP2.Multiplier;
        oldP2.Multiplier = 1;
        p1 = oldP2;
        p2 = oldP1;
        std::swap(p1Takes, p2Takes);
    }
    if (IndexOfMaster(p1.Address()) >= 0 && IndexOfMaster(p2.Address()) >= 0) {
        for (TConstraint& c : Constraints) {
            if (!c.Master.SameAddress(p2)) continue;
            c.Master.SetAddress(p1.Address());
            c.Master.Multiplier = 1;
            c.Dependent.Multiplier /= p2.Multiplier;
        }
        return;
    }
    if (p2Takes) return;
    TAddress master = p1.Address();
    if (int d = IndexOfDependent(p1.Address()); d >= 0) {
        master = Constraints[static_cast<size_t>(d)].Master.Address();
        r = Constraints[static_cast<size_t>(d)].Dependent.Multiplier * p2.Multiplier;
    } else {
        AddFree(p1.Address(), 1);
    }
    TConstraint c;
    c.Master = TParameter(master, 1);
    c.Master.CodeNumber = 0;
    c.Master.Multiplier = 1;
    c.Dependent = TParameter(p2.Address(), r);
    Constraints.push_back(c);
}

void TParameterList::DeleteConstraint(int index) {
    if (index < 0 || index >= ConstraintCount()) return;
    const TConstraint c = Constraints[static_cast<size_t>(index)];
    AddFree(c.Master.Address(), 1);
    AddFree(c.Dependent.Address(), 1);
    Constraints.erase(Constraints.begin() + index);
}

void TParameterList::SetRefined(const TAddress& address, bool refined) {
    if (refined) {
        if (IndexOfFree(address) >= 0 || TakesPart(address)) return;
        TParameter p(address, 1);
        p.CodeNumber = 0;
        p.Multiplier = 1;
        Free.push_back(p);
        return;
    }
    for (int d = IndexOfDependent(address); d >= 0; d = IndexOfDependent(address))
        DeleteConstraint(d);
    if (int m = IndexOfMaster(address); m >= 0) {
        const TParameter promoted = Constraints[static_cast<size_t>(m)].Dependent;
        AddFree(promoted.Address(), 1);
        for (size_t k = static_cast<size_t>(m) + 1; k < Constraints.size(); ++k)
            if (Constraints[k].Master.Address() == address)
                Constraints[k].Master.SetAddress(promoted.Address());
        Constraints.erase(Constraints.begin() + m);
    }
    if (int f = IndexOfFree(address); f >= 0) Free.erase(Free.begin() + f);
}

float TParameterList::CodeOf(const TAddress& address) const {
    if (int f = IndexOfFree(address); f >= 0) {
        const TParameter& p = Free[static_cast<size_t>(f)];
        return ComposeCode(p.CodeNumber, p.Multiplier);
    }
    if (int d = IndexOfDependent(address); d >= 0) {
        const TConstraint& c = Constraints[static_cast<size_t>(d)];
        int master = IndexOfFree(c.Master.Address());
        if (master < 0) return 0;
        return ComposeCode(Free[static_cast<size_t>(master)].CodeNumber, c.Dependent.Multiplier);
    }
    return 0;
}

size_t TAddressHash::operator()(const TAddress& a) const noexcept {
    uint64_t h = static_cast<uint32_t>(a.Histogram);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(a.Phase);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(a.Atom);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(a.Type);
    return static_cast<size_t>(h ^ (h >> 29));
}

TCodeTable::TCodeTable(const TParameterList& list) {
    // The first free parameter of an address wins, then the first constraint
    // that has it as dependent, as in TParameterList::CodeOf.
    std::unordered_map<TAddress, const TParameter*, TAddressHash> firstFree;
    for (const TParameter& p : list.Free) {
        firstFree.emplace(p.Address(), &p);
        codes_.emplace(p.Address(), ComposeCode(p.CodeNumber, p.Multiplier));
    }
    for (const TConstraint& c : list.Constraints) {
        auto master = firstFree.find(c.Master.Address());
        float code = master == firstFree.end()
                         ? 0.0f
                         : ComposeCode(master->second->CodeNumber, c.Dependent.Multiplier);
        codes_.emplace(c.Dependent.Address(), code);
    }
}

float TCodeTable::CodeOf(const TAddress& address) const {
    auto it = codes_.find(address);
    return it == codes_.end() ? 0.0f : it->second;
}

void TParameterList::Renumber() {
    for (size_t i = 0; i < Free.size(); ++i)
        Free[i].CodeNumber = static_cast<int32_t>(i + 1);
}

void TParameterList::Prune(int32_t maximum) {
    std::erase_if(Free, [maximum](const TParameter& p) { return p.CodeNumber > maximum; });
    for (size_t i = 0; i < Free.size(); ++i) {
        for (size_t j = i + 1; j < Free.size(); ++j) {
            if (Free[i].CodeNumber == 0 || Free[j].CodeNumber != Free[i].CodeNumber) continue;
            // Copies: AddConstraint may append to Free.
            const TParameter p = Free[i];
            const TParameter q = Free[j];
            AddConstraint(p, q);
            Free[j].CodeNumber = 0;
        }
    }
    std::erase_if(Free, [](const TParameter& p) { return p.CodeNumber == 0; });
}

} // namespace koralix
