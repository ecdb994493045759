#include "ConstraintRules.h"

#include "Model.h"

#include <algorithm>
#include <functional>
#include <map>

namespace koralix {

namespace {

struct AddressLess {
    bool operator()(const TAddress& a, const TAddress& b) const {
        return std::tie(a.Histogram, a.Phase, a.Atom, a.Type) <
               std::tie(b.Histogram, b.Phase, b.Atom, b.Type);
    }
};

std::string Quoted(const TRietveld& model, const TParameter& p) {
    return "\"" + model.LabelOf(p) + "\"";
}

bool Listed(const std::vector<TParameter>& refined, const TParameter& p) {
    return std::any_of(refined.begin(), refined.end(),
                       [&](const TParameter& r) { return r.SameAddress(p); });
}

// The masters of a chain of ties that leads back to where it started.
std::vector<std::string> Cycles(const TRietveld& model, const std::vector<TConstraintRow>& rows) {
    std::map<TAddress, std::vector<const TParameter*>, AddressLess> ruled;
    for (const TConstraintRow& r : rows)
        if (!r.Master.SameAddress(r.Dependent))
            ruled[r.Master.Address()].push_back(&r.Dependent);
    std::vector<std::string> faults;
    std::map<TAddress, int, AddressLess> state; // 1 on the path, 2 done
    std::vector<const TParameter*> path;
    std::function<void(const TParameter&)> visit = [&](const TParameter& p) {
        state[p.Address()] = 1;
        path.push_back(&p);
        for (const TParameter* next : ruled[p.Address()]) {
            int s = state[next->Address()];
            if (s == 1) {
                std::string chain;
                auto start = std::find_if(path.begin(), path.end(), [&](const TParameter* q) {
                    return q->SameAddress(*next);
                });
                for (auto it = start; it != path.end(); ++it) chain += Quoted(model, **it) + " -> ";
                faults.push_back("The ties " + chain + Quoted(model, *next) + " form a cycle.");
            } else if (s == 0) {
                visit(*next);
            }
        }
        path.pop_back();
        state[p.Address()] = 2;
    };
    for (const TConstraintRow& r : rows)
        if (state[r.Master.Address()] == 0) visit(r.Master);
    return faults;
}

} // namespace

std::vector<std::string> CheckConstraintRows(const TRietveld& model,
                                             const std::vector<TConstraintRow>& rows,
                                             const std::vector<TParameter>& refined) {
    std::vector<std::string> faults;
    std::map<TAddress, const TParameter*, AddressLess> masterOf;
    for (const TConstraintRow& r : rows) {
        for (const TParameter* side : {&r.Master, &r.Dependent}) {
            if (KindOf(side->Address()) == KindInvalid)
                faults.push_back("A constraint names a parameter of no known kind.");
            else if (!Listed(refined, *side))
                faults.push_back(Quoted(model, *side) + " is not refined.");
        }
        if (r.Master.SameAddress(r.Dependent)) {
            faults.push_back(Quoted(model, r.Master) + " is tied to itself.");
            continue;
        }
        auto [it, added] = masterOf.emplace(r.Dependent.Address(), &r.Master);
        if (!added && !it->second->SameAddress(r.Master))
            faults.push_back(Quoted(model, r.Dependent) + " is tied to both " +
                             Quoted(model, *it->second) + " and " + Quoted(model, r.Master) + ".");
    }
    std::vector<std::string> cycles = Cycles(model, rows);
    faults.insert(faults.end(), cycles.begin(), cycles.end());
    // One fault is enough to name once.
    std::vector<std::string> unique;
    for (std::string& f : faults)
        if (std::find(unique.begin(), unique.end(), f) == unique.end()) unique.push_back(std::move(f));
    return unique;
}

void RebuildParameterList(TParameterList& list, const std::vector<TConstraintRow>& rows,
                          const std::vector<TParameter>& untied) {
    list.Clear();
    for (const TConstraintRow& r : rows) {
        TParameter master = r.Master;
        master.Multiplier = 1;
        TParameter dependent = r.Dependent;
        dependent.Multiplier = r.Ratio == 0 ? 1.0f : r.Ratio;
        list.AddConstraint(master, dependent);
    }
    for (const TParameter& p : untied)
        if (!list.TakesPart(p.Address())) list.SetRefined(p.Address(), true);
}

std::vector<std::string> CheckParameterList(const TRietveld& model) {
    std::vector<std::string> faults;
    const TParameterList& list = model.Parameters;
    for (const TConstraint& c : list.Constraints) {
        if (c.Master.SameAddress(c.Dependent))
            faults.push_back(Quoted(model, c.Master) + " is tied to itself.");
        else if (list.IndexOfFree(c.Master.Address()) < 0)
            faults.push_back(Quoted(model, c.Dependent) + " is tied to " + Quoted(model, c.Master) +
                             ", which is not refined.");
    }
    return faults;
}

} // namespace koralix
