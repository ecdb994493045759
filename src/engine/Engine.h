// One refinement: reads the input and data files, computes the patterns and
// refines the code numbers of the input file by least squares. The exported
// library functions are thin wrappers around one instance of this class.
#pragma once

#include "BondGeometry.h"
#include "EngineState.h"
#include "Model.h"
#include "Pattern.h"
#include "ReflectionResults.h"
#include "SiteSymmetry.h"

#include <Eigen/Core>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace koralix::engine {

constexpr float EngineVersion = 8.0f;
constexpr int MaxHistograms = 20;
constexpr int MaxVariables = 2000;

// Status codes the driver turns into messages.
namespace Status {
inline constexpr int Ok = 0;
inline constexpr int InputFile = 1;
inline constexpr int OutputFile = 2;
inline constexpr int DataFile = 6;
inline constexpr int HistogramRange = 10;
inline constexpr int DataLines = 21;
inline constexpr int DataFirstLine = 22;
inline constexpr int BackgroundFile = 24;
inline constexpr int InputContent = 34;
inline constexpr int Histograms = 35;
inline constexpr int Variables = 44;
inline constexpr int JobType = 45;
inline constexpr int Scattering = 50;
inline constexpr int SpaceGroup = 51;
inline constexpr int NoReflections = 52;
inline constexpr int AmorphousZero = 60;
inline constexpr int NoLeBailFile = 70;
inline constexpr int LeBailRead = 71;
inline constexpr int InterpolationZero = 61;
inline constexpr int Unstable = 200;
inline constexpr int NotAvailable = 900;
} // namespace Status

// One least-squares variable: a code number and the fields that move with it.
struct TVariable {
    int Code = 0;
    std::vector<std::pair<TAddress, double>> Fields; // address, multiplier
    int RelaxGroup = 2;
    double Esd = 0, LastShift = 0;
    bool Held = false; // the pattern does not depend on it: held at its value
};

struct TAgreement {
    double Rp = 0, Rwp = 0, Rexp = 0, Chi2 = 0;
    int Points = 0;
};

struct TStartArguments {
    int Histograms = 0, Idsz = 8000, Irs = 1500, Nipoi = 0;
    std::string Input, DataName, Output, BaseName;
};

class TEngine {
  public:
    TEngine() = default;
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    int Start(const TStartArguments& args);
    // Starts from a model in memory (tests and the benchmark); data files are
    // found from `dataName` as Start finds them, the listing goes to `output`
    // (none when empty).
    int StartModel(const TRietveld& model, const std::string& dataName, const std::string& output);
    int Iterate(int cycle, bool& finished);
    int Close(bool update);

    int HistogramCount() const { return static_cast<int>(setup_.Data.size()); }
    const TAgreement& Agreement(int h) const { return agreement_[size_t(h - 1)]; }
    float Progress() const { return progress_.load(); }
    bool Started() const { return started_; }

    const THistogramData& Data(int h) const { return setup_.Data[size_t(h - 1)]; }
    const std::vector<double>& Calculated(int h) const { return calculated_[size_t(h - 1)]; }
    const std::vector<double>& Background(int h) const { return backgroundParts_[size_t(h - 1)]; }
    std::vector<TPlotReflection> PlotReflections(int h);
    std::vector<TReflectionRow> ReflectionRows(int h);
    // The reflections of phase p drawn in histogram h, in order of position; those
    // whose calculated F^2 lies below the model's F2Limit (when above 0) left out.
    std::vector<TReflectionResult> ReflectionResults(int h, int p) const;
    // The plot file and the reflection (Fourier) file the model asks for;
    // false when one could not be written.
    bool WriteOutputFiles() const;
    // The file names those take beside the listing.
    static std::string PlotFileName(const std::string& baseName);
    static std::string FourierFileName(const std::string& baseName);

    int GetParameter(const TAddress& address, double& value, double& esd) const;
    int GetByNumber(int code, double& value, double& esd) const;
    int SetParameter(const TAddress& address, double value);

    const std::vector<TVariable>& Variables() const { return variables_; }
    const TState& State() const { return state_; }
    const TRietveld& Model() const { return model_; }
    const std::vector<std::vector<double>>& Correlation() const { return correlation_; }
    const std::vector<std::string>& SiteNotes() const { return siteNotes_; }
    // Refined parameters the pattern does not depend on, held, in the order
    // they were found; the list only grows while the refinement is open.
    const std::vector<std::string>& HeldNotes() const { return heldNotes_; }

    // The derivatives of the calculated patterns with respect to each
    // variable at the current values: one row per point of every histogram
    // in turn, one column per variable. The cycle never holds it whole; it
    // sums the normal equations stretch by stretch from the same columns.
    Eigen::MatrixXd Jacobian();

    // Bond distances and angles in the model's Rmin..Rmax and bond-valence sums of phase p.
    TPhaseGeometry Geometry(int p) const;
    // BASE.ang and BASE.dst; false when a file could not be written.
    bool WriteBondFiles() const;
    // The map of type 0..5 (Fourier obs, calc, diff; Patterson obs, calc, diff)
    // of phase p from histogram h on the 64^3 grid, x slowest, z fastest.
    int FourierGrid(int h, int p, int type, std::vector<double>& rho) const;
    // Radial distribution function 1..5 (PDF, G, D, T, N) of phase p at r = 0, step, ... < rmax.
    int RadialDistribution(int p, int function, double rmax, double step,
                           std::vector<double>& values) const;

  private:
    // How one peak of a drawn phase changes per unit of a variable.
    struct TPeakChange {
        int Histogram, Phase, Peak;
        double Intensity, Position, Width, Eta;
        double Alpha = 0, Beta = 0; // time of flight
    };
    // A variable's derivative: the changes of the drawn peaks it moves, and
    // dense differences per histogram (empty when none) for what moves
    // otherwise (background, asymmetry, the Pearson VII exponent).
    struct TColumn {
        std::vector<TPeakChange> Peaks;
        std::vector<std::vector<double>> Dense;
    };
    struct TNormalEquations {
        Eigen::MatrixXd Matrix; // J'WJ
        Eigen::VectorXd Rhs;    // J'W(y - ycalc)
    };
    std::vector<TColumn> Columns();
    // The rows first..first+block.rows()-1 of histogram h's derivatives.
    void FillBlock(const std::vector<TColumn>& columns, int h, int first,
                   Eigen::Ref<Eigen::MatrixXd> block) const;
    TNormalEquations NormalEquations();
    int Prepare();
    int LoadData(int h);
    int PrepareBackground(int h);
    int PreparePhases();
    void PrepareSites();
    void BuildVariables();
    void ApplySiteTies(TVariable& v);
    void ComputeAll();
    // Why `state` cannot be drawn, or empty when it can: a peak wider than the
    // whole pattern cannot be told from the background, and drawing it would
    // make every reflection touch every point. Checked before any peak is drawn.
    std::string TooWide(const TState& state) const;
    void UpdateAgreement();
    double WeightedSum() const;
    int Cycle(int cycle, bool& finished);
    // Marks the variables whose normal-matrix diagonal shows no effect on the
    // pattern as held and lists them; returns the indices of the others.
    std::vector<int> HoldIneffective(const Eigen::MatrixXd& normal);
    void Listing(const std::string& text);
    void ListInput();
    void ListCycle(int cycle);
    void ListFinal();
    // Iobs / Icalc of each reflection of phase p in histogram h.
    std::vector<double> ObservedRatios(int h, int p) const;
    TObservedShares ObservedShares(int h, int p) const;
    void ListSymmetry(std::string& t) const;
    void ListSteps(std::string& t) const;
    void ListReflectionTables(std::string& t) const;
    void ListPoints(std::string& t) const;
    bool HasLeBail() const;
    // Starting intensities of the Le Bail phases, from BASE.leb when recycled.
    int PrepareLeBail();
    // `rounds` Le Bail extractions, each followed by the pattern they give.
    void ExtractLeBail(int rounds);
    bool WriteLeBail() const;

    TRietveld model_;
    TSetup setup_;
    TState state_;
    std::vector<TVariable> variables_;
    std::vector<std::vector<double>> calculated_;
    std::vector<TAgreement> agreement_;
    std::vector<std::vector<double>> correlation_;
    std::string dataName_, output_, baseName_;
    std::string listing_;
    std::atomic<float> progress_{0};
    double lambda_ = 0;
    bool started_ = false;
    bool finished_ = false;
    int maxVariables_ = MaxVariables;
    // The last pattern split by origin, for derivatives of the parts a variable touches.
    std::vector<std::vector<std::vector<double>>> phaseParts_; // [h][p]
    std::vector<std::vector<double>> backgroundParts_;         // [h]
    std::vector<std::vector<TRendering>> renderings_;          // [h][p]
    int cyclesRun_ = 0;
    bool leBailRecycled_ = false;
    std::vector<std::vector<TSiteSymmetry>> sites_; // [p][atom]
    std::vector<std::string> siteNotes_;            // what the site symmetry held or tied
    std::vector<std::string> heldNotes_;            // parameters the pattern does not depend on
};

} // namespace koralix::engine
