// Starting a refinement: the input file, the data files, the phases and the
// list of least-squares variables.
#include "Engine.h"

#include "DataFields.h"
#include "DataReaders.h"
#include "FileTypes.h"
#include "InputFile.h"
#include "ParameterTable.h"
#include "SiteSymmetry.h"
#include "Messenger.h"
#include "PlotData.h"
#include "TextHelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace koralix::engine {

namespace {

struct TDataFormat {
    const char* extension;
    int fileType;
};

TDataFormat FormatOf(int dataFormat) {
    switch (dataFormat) {
    case 3:
        return {".GS", GsasFileType};
    case 4:
    case 5:
        return {".XY", XyFileType};
    case 6:
        return {".CPI", CpiFileType};
    default:
        return {".DAT", DatFileType};
    }
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The name with the extension as written, else in lower case; empty when neither exists.
std::string ExistingFile(const std::string& stem, const std::string& extension) {
    std::error_code ec;
    for (const std::string& name : {stem + extension, stem + Lower(extension)})
        if (std::filesystem::is_regular_file(name, ec)) return name;
    return {};
}

// The BANK line of a GSAS file, empty when none starts one of its first lines.
// Read as the data readers read it, so that lone CR line ends count as lines.
std::string GsasBankLine(const std::string& fileName) {
    TextLines lines;
    if (!lines.Read(fileName)) return {};
    for (int n = 0; n < 50 && n < lines.Count(); ++n)
        if (lines[n].starts_with("BANK")) return std::string(lines[n]);
    return {};
}

// Whether a GSAS file holds esds (ESD, FXYE) rather than counter numbers next to its counts.
bool GsasHoldsEsds(const std::string& bankLine) {
    return bankLine.find("ESD") != std::string::npos || bankLine.find("FXYE") != std::string::npos;
}

// The x of the points of a GSAS file in microseconds, for a time-of-flight
// histogram. The reader keeps the constant-wavelength reading, degrees =
// BCOEF / 100, which for TOF files is wrong in two ways: the grid layouts
// (STD, ESD) give BCOEF in microseconds, so their grid is taken from BCOEF
// again; ALT records (RALF and CONST binning alike) write each x as 32 times
// the microseconds. FXY and FXYE records hold microseconds already. The
// layout words are tested in the order the reader tests them.
std::vector<double> GsasTofMicroseconds(const TData& raw, const std::string& bankLine) {
    const auto has = [&](const char* word) { return bankLine.find(word) != std::string::npos; };
    std::vector<double> x(raw.X.begin(), raw.X.begin() + raw.HeldPoints());
    if (has("FXY")) return x;
    if (has("ALT")) {
        for (double& v : x)
            v /= 32;
        return x;
    }
    // The reader holds BCOEF / 100 as floats: back to BCOEF at their 7 digits,
    // so that a step of 5 is 5 and not 5.0000000745.
    const auto bcoef = [](float held) {
        char text[32];
        const auto written =
            std::to_chars(text, text + sizeof text, 100.0 * held, std::chars_format::general, 7);
        double value = 100.0 * held;
        std::from_chars(text, written.ptr, value);
        return value;
    };
    const double start = bcoef(raw.Start), step = bcoef(raw.Step);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = start + static_cast<double>(i) * step;
    return x;
}

// The x,y reader stops quietly at the first line it cannot read; a file with
// more data lines than points read has a broken line.
bool XyLinesUnread(const std::string& fileName, int pointsRead) {
    TextLines lines;
    if (!lines.Read(fileName)) return false;
    int dataLines = 0;
    for (int n = 1; n < lines.Count(); ++n) // the first line is the title
        if (lines[n].find_first_not_of(" \t\r,") != std::string_view::npos) ++dataLines;
    return dataLines > pointsRead;
}

bool InExcluded(const THistogram& hist, double x) {
    for (int r = 0; r < hist.Excluded.RegionCount(); ++r)
        if (x >= hist.Excluded.Regions.X(r) && x <= hist.Excluded.Regions.Y(r)) return true;
    return false;
}

double Interpolate(const std::vector<std::pair<double, double>>& points, double x) {
    if (points.empty()) return 0;
    if (x <= points.front().first) return points.front().second;
    if (x >= points.back().first) return points.back().second;
    auto it = std::upper_bound(points.begin(), points.end(), x,
                               [](double v, const auto& p) { return v < p.first; });
    const auto& [x1, y1] = *it;
    const auto& [x0, y0] = *(it - 1);
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

// Peak stripping: each point is replaced by the mean of its neighbours
// `steps` points away when that mean is lower, `cycles` times over.
std::vector<double> SmoothedBackground(const std::vector<double>& y, int cycles, int steps) {
    std::vector<double> b = y, next;
    const int n = static_cast<int>(b.size());
    steps = std::clamp(steps, 1, std::max(1, n / 2));
    cycles = std::clamp(cycles, 1, 1000);
    for (int c = 0; c < cycles; ++c) {
        next = b;
        for (int i = 0; i < n; ++i) {
            const int lo = std::max(0, i - steps), hi = std::min(n - 1, i + steps);
            next[size_t(i)] = std::min(b[size_t(i)], 0.5 * (b[size_t(lo)] + b[size_t(hi)]));
        }
        b.swap(next);
    }
    return b;
}

int RelaxGroupOf(const TAddress& a) {
    const TParameterEntry* entry = FindParameterEntry(a);
    return entry ? entry->RelaxGroup : 2;
}

} // namespace

int TEngine::Start(const TStartArguments& args) {
    if (!FileReadable(args.Input)) return Status::InputFile;
    RecordingMessenger messages;
    try {
        ReadInputFile(model_, args.Input, messages);
    } catch (const std::exception& e) {
        messages.Message(e.what());
    }
    for (const auto& m : messages.messages)
        listing_ += "Input: " + m + "\n";
    if (!model_.Loaded) {
        Listing("");
        return Status::InputContent;
    }
    if (args.Histograms != model_.HistogramCount() || model_.HistogramCount() > MaxHistograms)
        return Status::Histograms;
    dataName_ = args.DataName;
    output_ = args.Output;
    baseName_ = args.BaseName;
    {
        std::ofstream out(output_, std::ios::binary | std::ios::trunc);
        if (!out) return Status::OutputFile;
    }
    maxVariables_ = std::min(std::max(args.Idsz, 0), MaxVariables);
    return Prepare();
}

int TEngine::StartModel(const TRietveld& model, const std::string& dataName,
                        const std::string& output) {
    model_ = model;
    dataName_ = dataName;
    output_ = output;
    baseName_ = output.substr(0, output.rfind('.'));
    if (model_.HistogramCount() > MaxHistograms || model_.HistogramCount() == 0)
        return Status::Histograms;
    if (!output_.empty()) {
        std::ofstream out(output_, std::ios::binary | std::ios::trunc);
        if (!out) return Status::OutputFile;
    }
    return Prepare();
}

int TEngine::Prepare() {
    const int nh = model_.HistogramCount();
    if (nh == 0) return Status::Histograms;
    for (const auto& h : model_.Histograms)
        if (h.JobType < 0 || h.JobType > 7) return Status::JobType;
    setup_.Model = &model_;
    setup_.Data.assign(size_t(nh), {});
    state_ = StateFromModel(model_);
    for (int h = 1; h <= nh; ++h) {
        if (int s = LoadData(h)) return s;
        if (int s = PrepareBackground(h)) return s;
    }
    if (int s = PreparePhases()) return s;
    PrepareSites();
    BuildVariables();
    if (static_cast<int>(variables_.size()) > maxVariables_) return Status::Variables;
    agreement_.assign(size_t(nh), {});
    if (const std::string tooWide = TooWide(state_); !tooWide.empty()) {
        Listing(tooWide);
        return Status::Unstable;
    }
    ComputeAll();
    // Extracted from equal starting values the Le Bail intensities need a few
    // rounds before the first cycle; recycled ones start close already.
    if (HasLeBail()) ExtractLeBail(leBailRecycled_ ? 1 : 10);
    for (const auto& y : calculated_)
        for (double v : y)
            if (!std::isfinite(v)) return Status::Unstable;
    UpdateAgreement();
    ListInput();
    ListCycle(0); // the starting agreement, so that the listing shows where the fit began
    started_ = true;
    return Status::Ok;
}

int TEngine::LoadData(int h) {
    const THistogram& hist = model_.Histograms[size_t(h - 1)];
    THistogramData& data = setup_.Data[size_t(h - 1)];
    data.Calculation = hist.IsCalculation();
    data.Neutron = hist.JobType == 1 || hist.JobType == 3 || hist.IsTof();
    if (data.Calculation) {
        const double step = hist.ThetaStep;
        if (!(step > 0) || !(hist.ThetaMax > hist.ThetaMin)) return Status::NoReflections;
        const double count = std::floor((hist.ThetaMax - hist.ThetaMin) / step + 1e-6) + 1;
        if (count > MaxDataPoints) return Status::DataLines;
        for (int i = 0; i < static_cast<int>(count); ++i) {
            data.X.push_back(hist.ThetaMin + i * step);
            data.Y.push_back(0);
            data.Weight.push_back(0);
            data.Used.push_back(0);
        }
        return Status::Ok;
    }
    const TDataFormat format = FormatOf(model_.DataFormat);
    const std::string stem = model_.SeparateData ? dataName_ + std::to_string(h) : dataName_;
    const std::string file = ExistingFile(stem, format.extension);
    if (file.empty()) return Status::DataFile;
    TData raw;
    RecordingMessenger messages;
    raw.ReadDataFile(file, h, format.fileType, messages);
    const int held = raw.HeldPoints();
    for (const auto& m : messages.messages)
        listing_ += "Data: " + m + "\n";
    if (held <= 0) return Status::DataFirstLine;
    if (!messages.messages.empty()) return Status::DataLines;
    if (format.fileType == XyFileType && XyLinesUnread(file, held)) return Status::DataLines;
    const std::string bankLine = model_.DataFormat == 3 ? GsasBankLine(file) : std::string();
    const bool esds = GsasHoldsEsds(bankLine);
    const std::vector<double> xs = model_.DataFormat == 3 && hist.IsTof()
                                       ? GsasTofMicroseconds(raw, bankLine)
                                       : std::vector<double>(raw.X.begin(), raw.X.begin() + held);
    const double weighting = hist.Weighting > 0 ? hist.Weighting : 1.0;
    for (int i = 0; i < held; ++i) {
        const double x = xs[size_t(i)], y = raw.Y[size_t(i)], wraw = raw.W[size_t(i)];
        if (!std::isfinite(x) || !std::isfinite(y)) return Status::DataLines;
        if (x < hist.ThetaMin || x > hist.ThetaMax) continue;
        if (!data.X.empty() && x <= data.X.back()) return Status::DataLines;
        double w;
        if (esds)
            w = wraw > 0 ? 1 / (wraw * wraw) : 0;
        else if (model_.DataFormat == 4)
            w = wraw > 0 && wraw != 1 ? wraw : 1 / std::max(y, 1.0);
        else if (model_.DataFormat <= 3)
            w = (wraw > 0 ? wraw : 1) / std::max(y, 1.0);
        else
            w = 1 / std::max(y, 1.0);
        data.X.push_back(x);
        data.Y.push_back(y);
        data.Weight.push_back(w * weighting);
        data.Used.push_back(!InExcluded(hist, x) && w > 0);
    }
    if (data.X.empty()) return Status::NoReflections;
    return Status::Ok;
}

int TEngine::PrepareBackground(int h) {
    const THistogram& hist = model_.Histograms[size_t(h - 1)];
    THistogramData& data = setup_.Data[size_t(h - 1)];
    const TBackGround& bkg = hist.Background;
    switch (bkg.Kind) {
    case BkgUserPoints: {
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < bkg.PointCount(); ++i)
            points.emplace_back(bkg.Points.X(i), bkg.Points.Y(i));
        std::sort(points.begin(), points.end());
        for (size_t i = 1; i < points.size(); ++i)
            if (points[i].first == points[i - 1].first) return Status::InterpolationZero;
        for (double x : data.X)
            data.BackgroundPoints.push_back(Interpolate(points, x));
        return Status::Ok;
    }
    case BkgDataFile: {
        const std::string stem = model_.SeparateData ? dataName_ + std::to_string(h) : dataName_;
        const std::string file = ExistingFile(stem, ".BGR");
        if (file.empty()) return Status::BackgroundFile;
        TData raw;
        RecordingMessenger messages;
        ReadXyFile(raw, file, messages);
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < raw.HeldPoints(); ++i)
            points.emplace_back(raw.X[size_t(i)], raw.Y[size_t(i)]);
        if (points.empty()) return Status::BackgroundFile;
        std::sort(points.begin(), points.end());
        for (size_t i = 1; i < points.size(); ++i)
            if (points[i].first == points[i - 1].first) return Status::InterpolationZero;
        for (double x : data.X)
            data.BackgroundPoints.push_back(Interpolate(points, x));
        return Status::Ok;
    }
    case BkgAutomatic:
        data.BackgroundPoints = data.Calculation
                                    ? std::vector<double>(data.X.size(), 0.0)
                                    : SmoothedBackground(data.Y, bkg.SmoothCycles, bkg.SmoothSteps);
        return Status::Ok;
    case BkgAmorphous:
    case BkgDampedAmorphous: {
        const int n = model_.Background12 ? 12 : 6;
        const int pairs = bkg.Kind == BkgDampedAmorphous ? (n - 2) / 2 : (n - 1) / 2;
        for (int i = 0; i < pairs; ++i)
            if (bkg.Coeff[size_t(2 * i + 1)] != 0 && bkg.Coeff[size_t(2 * i + 2)] == 0)
                return Status::AmorphousZero;
        return Status::Ok;
    }
    default:
        return Status::Ok;
    }
}

int TEngine::PreparePhases() {
    const int np = model_.PhaseCount();
    const int nh = model_.HistogramCount();
    if (np == 0) return Status::NoReflections;
    setup_.Symmetry.assign(size_t(np), {});
    setup_.Reflections.assign(size_t(np), {});
    setup_.Forms.assign(size_t(nh), std::vector<std::vector<TFormFactor>>(size_t(np)));
    for (int p = 1; p <= np; ++p) {
        const TPhase& phase = model_.Phases[size_t(p - 1)];
        if (!PrepareSymmetry(phase.SpaceGroup.str(), setup_.Symmetry[size_t(p - 1)]))
            return Status::SpaceGroup;
        if (!ValidCell(state_.Phases[size_t(p - 1)])) return Status::SpaceGroup;
        const gemmi::UnitCell cell = CellOf(state_.Phases[size_t(p - 1)]);
        if (!(cell.volume > 0) || !std::isfinite(cell.volume)) return Status::SpaceGroup;
        // The shortest d any histogram can show, with room for the cell to grow.
        double dMin = 1e9;
        for (int h = 1; h <= nh; ++h) {
            const THistogram& hist = model_.Histograms[size_t(h - 1)];
            const double d = MakePeakGeometry(hist)->SmallestD(hist, setup_.Data[size_t(h - 1)].X);
            if (!(d > 0)) return Status::NoReflections;
            dMin = std::min(dMin, d);
        }
        setup_.Reflections[size_t(p - 1)] =
            ListReflections(setup_.Symmetry[size_t(p - 1)], cell, dMin * 0.97);
        for (int h = 1; h <= nh; ++h) {
            const THistogram& hist = model_.Histograms[size_t(h - 1)];
            auto& forms = setup_.Forms[size_t(h - 1)][size_t(p - 1)];
            for (const TAtom& atom : phase.Atoms) {
                TFormFactor form;
                if (!FindFormFactor(hist, TrimText(atom.AtomType.str()),
                                    setup_.Data[size_t(h - 1)].Neutron, hist.Wave1, form))
                    return Status::Scattering;
                forms.push_back(form);
            }
        }
    }
    if (int s = PrepareLeBail()) return s;
    // Every histogram must see at least one reflection; where the peaks lie
    // tells, without drawing them.
    TCalculator calculator(setup_);
    for (int h = 1; h <= nh; ++h) {
        bool seen = false;
        for (int p = 1; p <= np && !seen; ++p)
            seen = calculator.AnyPeakInside(state_, h, p);
        if (!seen) return Status::NoReflections;
    }
    return Status::Ok;
}

void TEngine::PrepareSites() {
    sites_.assign(state_.Phases.size(), {});
    for (size_t p = 0; p < state_.Phases.size(); ++p) {
        const TPhaseState& phase = state_.Phases[p];
        const gemmi::UnitCell cell = CellOf(phase);
        for (const TAtomState& atom : phase.Atoms)
            sites_[p].push_back(
                SiteSymmetryOf(setup_.Symmetry[p], cell, atom.X, atom.Y, atom.Z));
    }
}

namespace {

constexpr std::array<const char*, 3> CoordinateNames{"x", "y", "z"};
constexpr std::array<const char*, 6> AnisotropicNames{"B11", "B22", "B33", "B12", "B13", "B23"};

// The ties of an atom term (coordinate or anisotropic term), its index among
// them and the type number of its first term; false for other addresses.
struct TTermTies {
    size_t Index = 0;
    int FirstType = 0;
    size_t Count = 0;
    const bool* Free = nullptr;
    const double* Follow = nullptr; // Follow[term * Count + free term]
};

bool TermTiesOf(const TSiteSymmetry& site, const TAddress& a, TTermTies& out) {
    if (a.Type >= ParamType::AtomX && a.Type <= ParamType::AtomZ) {
        out = {size_t(a.Type - ParamType::AtomX), ParamType::AtomX, 3,
               site.Coordinates.Free.data(), site.Coordinates.Follow[0].data()};
        return true;
    }
    if (a.Type >= ParamType::AtomB11 && a.Type <= ParamType::AtomB23) {
        out = {size_t(a.Type - ParamType::AtomB11), ParamType::AtomB11, 6,
               site.Anisotropic.Free.data(), site.Anisotropic.Follow[0].data()};
        return true;
    }
    return false;
}

std::string TieOf(const TSiteSymmetry& site, const TTermTies& t, size_t term) {
    return t.Count == 3 ? TieText(site.Coordinates, term, CoordinateNames)
                        : TieText(site.Anisotropic, term, AnisotropicNames);
}

} // namespace

// Fields of atoms on special positions as their site allows: a term the site
// fixes or ties to another is held, a free term carries its tied terms along.
void TEngine::ApplySiteTies(TVariable& v) {
    std::vector<std::pair<TAddress, double>> fields;
    auto add = [&](const TAddress& a, double m) {
        for (auto& [b, n] : fields)
            if (b == a) {
                n += m;
                return;
            }
        fields.emplace_back(a, m);
    };
    for (const auto& [a, m] : v.Fields) {
        TTermTies t;
        if (KindOf(a) != KindAtom || !TermTiesOf(sites_[size_t(a.Phase - 1)][size_t(a.Atom - 1)],
                                                 a, t)) {
            add(a, m);
            continue;
        }
        const TSiteSymmetry& site = sites_[size_t(a.Phase - 1)][size_t(a.Atom - 1)];
        TParameter label(a, 10);
        const std::string why = " (site multiplicity " + std::to_string(site.Multiplicity) +
                                ", " + std::to_string(site.Order) + " operations keep the site)";
        if (!t.Free[t.Index]) {
            const std::string tie = TieOf(site, t, t.Index);
            siteNotes_.push_back(model_.LabelOf(label) + " held: " +
                                 (tie == "fixed" ? "the site symmetry fixes it"
                                                 : "the site symmetry ties it, " +
                                                       std::string(t.Count == 3
                                                                       ? CoordinateNames[t.Index]
                                                                       : AnisotropicNames[t.Index]) +
                                                       " = " + tie) +
                                 why);
            continue;
        }
        add(a, m);
        for (size_t i = 0; i < t.Count; ++i) {
            const double share = t.Follow[i * t.Count + t.Index];
            if (i == t.Index || share == 0) continue;
            TAddress tied = a;
            tied.Type = t.FirstType + static_cast<int>(i);
            add(tied, m * share);
            siteNotes_.push_back(model_.LabelOf(TParameter(tied, 10)) + " follows " +
                                 model_.LabelOf(label) + ": " +
                                 (t.Count == 3 ? CoordinateNames[i] : AnisotropicNames[i]) +
                                 " = " + TieOf(site, t, i) + why);
        }
    }
    v.Fields = std::move(fields);
}

void TEngine::BuildVariables() {
    variables_.clear();
    siteNotes_.clear();
    const TParameterList& list = model_.Parameters;
    for (const TParameter& free : list.Free) {
        TVariable v;
        v.Code = free.CodeNumber;
        auto add = [&](const TAddress& a, double m) {
            if (FieldOf(state_, a)) v.Fields.emplace_back(a, m);
        };
        add(free.Address(), free.Multiplier);
        for (const TConstraint& c : list.Constraints)
            if (c.Master.Address() == free.Address())
                add(c.Dependent.Address(), c.Dependent.Multiplier);
        ApplySiteTies(v);
        if (v.Fields.empty()) continue;
        v.RelaxGroup = RelaxGroupOf(v.Fields.front().first);
        variables_.push_back(std::move(v));
    }
}

} // namespace koralix::engine
