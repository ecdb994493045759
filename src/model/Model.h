// The refinement model: one input file in memory. Histograms, phases with
// their atoms, one sample per histogram-phase pair, and the parameter list.
// Lists hold their items by value, so a list owns what it holds.
#pragma once

#include "FixedText.h"
#include "Pairs.h"
#include "Parameters.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace koralix {

class Messenger;

constexpr int MaxBackgroundPoints = 50;
constexpr int MaxExcludedRegions = 50;
constexpr int MaxTablePairs = 49;

enum TBackgroundKind : int32_t {
    BkgPolynomial = 0,
    BkgAmorphous = -1,
    BkgChebyI = -2,
    BkgShiftedChebyI = -3,
    BkgChebyII = -4,
    BkgShiftedChebyII = -5,
    BkgDampedAmorphous = -6,
    BkgAutomatic = -7,
    BkgDataFile = 1,
    BkgUserPoints = 2,
};

class TBackGround {
  public:
    int32_t Kind = BkgPolynomial;
    std::array<float, 12> Coeff{}; // Coeff[0] is coefficient 1
    TPairList Points;
    float Offset = 0;
    int32_t SmoothCycles = 30;
    int32_t SmoothSteps = 30;

    void AddPoint(float x, float y);
    int32_t PointCount() const { return Points.Count(); }
    void ClearPoints() { Points.Clear(); }
    void SortPoints();
    bool operator==(const TBackGround&) const = default;
};

class TExcluded {
  public:
    TPairList Regions;

    void AddRegion(float a, float b);
    void SetRegion(int i, float low, float high) { Regions.SetPair(i, low, high); }
    void DeleteRegion(int n) { Regions.Delete(n - 1); }
    int32_t RegionCount() const { return Regions.Count(); }
    void ClearRegions() { Regions.Clear(); }
    bool operator==(const TExcluded&) const = default;
};

struct TIncidentSpec {
    std::array<float, 9> Coeff{};
    bool operator==(const TIncidentSpec&) const = default;
};

class TScatterFactor {
  public:
    int32_t Kind = 0; // 0 coefficients, 1 table
    TFixedText<4> Name = "????";
    float FPrime = 0;
    float FDoublePrime = 0;
    std::array<float, 9> Coeff{};
    TPairList Table;

    void AddTablePair(float x, float y);
    int32_t TableCount() const { return Table.Count(); }
    void ClearTable() { Table.Clear(); }
    bool operator==(const TScatterFactor&) const = default;
};

class TScatterList {
  public:
    std::vector<TScatterFactor> Items;

    void AddEntry() { Items.emplace_back(); }
    int32_t EntryCount() const { return static_cast<int32_t>(Items.size()); }
    void DeleteEntry(int n);
    bool operator==(const TScatterList&) const = default;
};

class THistogram {
  public:
    int32_t JobType = 0;
    int32_t ExtraFlag = 0;
    int32_t Profile = 4;
    int32_t Absorption = 0;
    int32_t Illumination = 0;
    int32_t UseDisplacement = 0;
    float Extra18 = 0;
    float Scale = 1.0f;
    float ThetaMin = 5.0f;
    float ThetaMax = 100.0f;
    float ThetaStep = 0.01f;
    float Zero = 0;
    float Displacement = 0;
    float Wave1 = 1.5414f;
    float Wave2 = 1.5414f;
    float Ratio = 0;
    float BaseWidth = 7.0f;
    float Weighting = 1.0f;
    float Polarization = 0;
    TIncidentSpec Spectrum;
    TExcluded Excluded;
    TBackGround Background;
    TScatterList Scatter;

    bool IsCalculation() const { return IsCalculationJob(JobType); }
    bool IsTof() const { return JobType == 4 || JobType == 5; }
    bool IsXrayCw() const { return JobType == 0 || JobType == 2; }
    static bool IsCalculationJob(int32_t job) {
        return job == 2 || job == 3 || job == 5 || job == 7;
    }
    bool operator==(const THistogram&) const = default;
};

class TAtom {
  public:
    TFixedText<4> Label = "O   ";
    TFixedText<4> AtomType = "O   ";
    float X = 0, Y = 0, Z = 0;
    float B = 0.6f;
    float N = 1.0f;
    float B11 = 0, B22 = 0, B33 = 0, B12 = 0, B13 = 0, B23 = 0;

    void Assign(const TAtom& source) { *this = source; }
    bool operator==(const TAtom&) const = default;
};

class TPhase {
  public:
    std::string Name = "A new phase";
    TFixedText<20> SpaceGroup = "P 1";
    float A = 3.8f, B = 3.8f, C = 3.8f;
    float Alpha = 90.0f, Beta = 90.0f, Gamma = 90.0f;
    float Scale = 0.01f;
    float OverallB = 0;
    int32_t Z = 1;
    std::vector<TAtom> Atoms;
    int32_t CalcMethod = 0; // 0 normal, 1 Le Bail

    void AddAtom(const TAtom& atom) { Atoms.push_back(atom); }
    int32_t AtomCount() const { return static_cast<int32_t>(Atoms.size()); }
    void ClearAtoms() { Atoms.clear(); }
    void Assign(const TPhase& source);
    bool operator==(const TPhase&) const = default;
};

class TSample {
  public:
    int32_t Histogram = 1;
    int32_t Phase = 1;
    float U = 0.08f, V = -0.15f, W = 0.15f;
    float Uaniso = 0;
    float Gam0 = 0.01f, Gam1 = 0, Gam2 = 0;
    float TofAlpha1 = 0, TofAlpha2 = 0, TofBeta1 = 0, TofBeta2 = 0;
    float AbsorptionR = 0;
    float Pore = 0, Rough = 0;
    float Asym1 = 0.01f;
    float Asym2 = 0;
    float Extinction = 0;
    float PO = 1.0f;
    float POH = 0, POK = 0, POL = 1;
    float AnisoH = 0, AnisoK = 0, AnisoL = 1;
    bool operator==(const TSample&) const = default;
};

class TTransformation {
  public:
    float M[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

    void SetIdentity();
    float Determinant() const;
    // row is 1..3
    float Apply(int row, float x, float y, float z) const;
    void Assign(const TTransformation& source) { *this = source; }
};

// The record label that readers show in their messages: an exact decimal held
// in hundredths (2.01 is 201) and shown in its shortest form.
class TRecordLabel {
  public:
    void Set(int whole) { hundredths_ = whole * 100; }
    void SetHundredths(int hundredths) { hundredths_ = hundredths; }
    void Advance() { hundredths_ += 1; }
    void AdvanceWhole() { hundredths_ += 100; }
    int Hundredths() const { return hundredths_; }
    std::string Text() const;

  private:
    int hundredths_ = 100;
};

class TRietveld {
  public:
    std::string Title = "A New refinement";
    int32_t Cycles = 30;
    int32_t CodeCount = 0;
    float Eps = 0.1f;
    std::array<float, 4> Relax{0.9f, 0.9f, 0.9f, 0.9f};
    int32_t IOT = 0;
    int32_t IPL = 0;
    int32_t IPC = 1;
    int32_t MAT = 1;
    int32_t Control5 = 1;
    int32_t LST1 = 0;
    int32_t LST2 = 0;
    int32_t LST3 = 0;
    int32_t IPL1 = 0;
    int32_t PlotFileType = 2;
    int32_t FourierFileType = 0;
    int32_t DataFormat = 0;
    int32_t LSync = 0;
    int32_t SeparateData = 0;
    int32_t RecycleLeBail = 0;
    int32_t Background12 = 0;
    int32_t IPREF = 0;
    int32_t PrintU = 0;
    int32_t Strategy = 0;
    float Rmin = 0;
    float Rmax = 0;
    float Marquardt = 0;
    float AsymLimit = 20.0f;
    float F2Limit = 0;
    std::vector<THistogram> Histograms;
    std::vector<TPhase> Phases;
    std::vector<TSample> Samples;
    TParameterList Parameters;
    bool Loaded = false;
    int32_t TrailingLines1 = 0;
    int32_t TrailingLines2 = 0;
    TRecordLabel RecordLabel;

    int32_t HistogramCount() const { return static_cast<int32_t>(Histograms.size()); }
    int32_t PhaseCount() const { return static_cast<int32_t>(Phases.size()); }
    bool AllCalculation() const;

    void Clear();
    void AddHistogram();
    void AddPhase();
    void AppendHistogram(THistogram histogram) { Histograms.push_back(std::move(histogram)); }
    void AppendPhase(TPhase phase) { Phases.push_back(std::move(phase)); }
    void AppendSample(const TSample& sample) { Samples.push_back(sample); }
    TSample* FindSample(int h, int p);
    const TSample* FindSample(int h, int p) const;
    int SampleIndex(int h, int p) const;
    void DeleteHistogram(int h);
    void DeletePhase(int p);

    // 1-based access that raises the list's index error when out of range.
    THistogram& Histogram(int h) { return Histograms.at(static_cast<size_t>(h - 1)); }
    const THistogram& Histogram(int h) const { return Histograms.at(static_cast<size_t>(h - 1)); }
    TPhase& Phase(int p) { return Phases.at(static_cast<size_t>(p - 1)); }
    const TPhase& Phase(int p) const { return Phases.at(static_cast<size_t>(p - 1)); }

    bool IsRefined(const TAddress& address) const;
    float GetValue(const TAddress& address) const;
    void SetValue(const TAddress& address, float value);
    // Labels show "Serious Constriaint error" through `messenger` for an invalid address.
    std::string ParameterLabel(int n, Messenger* messenger = nullptr) const;
    std::string ConstraintLabel(int n, int side, Messenger* messenger = nullptr) const;
    std::string LabelOf(const TParameter& parameter, Messenger* messenger = nullptr) const;
};

} // namespace koralix
