// Refinable parameters: addresses, refinement codes, and the list of free
// parameters and constraints that says what is refined and how it is tied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace koralix {

// Phase number that marks a scattering-factor address; never a phase.
constexpr int32_t ScatterPhase = 99;

enum TParamKind : int32_t {
    KindHistogram = 0,
    KindPhase = 1,
    KindAtom = 2,
    KindSample = 3,
    KindScatter = 4,
    KindInvalid = 5,
};

struct TAddress {
    int32_t Histogram = 0;
    int32_t Phase = 0;
    int32_t Atom = 0;
    int32_t Type = 0;
    bool operator==(const TAddress&) const = default;
};

int32_t KindOf(const TAddress& address);

// A refinement code split into its code number and multiplier.
struct TCode {
    int32_t Number = 0;
    float Multiplier = 1;
};
TCode DecomposeCode(float code);
float ComposeCode(int32_t number, float multiplier);

class TParameter {
  public:
    int32_t Kind = KindInvalid;
    int32_t Phase = 0;
    int32_t Histogram = 0;
    int32_t Atom = 0;
    int32_t ParamType = 0;
    int32_t CodeNumber = 0;
    float Multiplier = 1;

    TParameter() = default;
    TParameter(const TAddress& address, float code);

    TAddress Address() const { return {Histogram, Phase, Atom, ParamType}; }
    void SetAddress(const TAddress& address);
    bool SameAddress(const TParameter& other) const { return Address() == other.Address(); }
    bool operator==(const TParameter&) const = default;
};

struct TConstraint {
    TParameter Master;
    TParameter Dependent;
    bool operator==(const TConstraint&) const = default;
};

struct TAddressHash {
    size_t operator()(const TAddress& a) const noexcept;
};

// CodeOf for every address at once, for writing a whole model.
class TCodeTable {
  public:
    explicit TCodeTable(const class TParameterList& list);
    float CodeOf(const TAddress& address) const;

  private:
    std::unordered_map<TAddress, float, TAddressHash> codes_;
};

class TParameterList {
  public:
    std::vector<TParameter> Free;
    std::vector<TConstraint> Constraints;

    int32_t FreeCount() const { return static_cast<int32_t>(Free.size()); }
    int32_t ConstraintCount() const { return static_cast<int32_t>(Constraints.size()); }
    void Clear();

    void AddFree(const TAddress& address, float code);
    int IndexOfFree(const TAddress& address) const;
    int IndexOfParameter(const TParameter& parameter) const;
    int IndexOfMaster(const TAddress& address) const;
    int IndexOfDependent(const TAddress& address) const;
    int FindConstraint(const TParameter& p1, const TParameter& p2) const;
    bool TakesPart(const TAddress& address) const;

    void AddConstraint(const TParameter& p1, const TParameter& p2);
    void DeleteConstraint(int index);
    void SetRefined(const TAddress& address, bool refined);
    float CodeOf(const TAddress& address) const;
    void Renumber();
    void Prune(int32_t maximum);

    bool operator==(const TParameterList&) const = default;
};

} // namespace koralix
