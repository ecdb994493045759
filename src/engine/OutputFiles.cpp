// The plot file and the reflection file for Fourier programs, written beside
// the listing when the refinement closes. Each goes through a temporary file
// renamed over the old one, so that a failed write never leaves half a file.
// A file holds one block per histogram (plot) or per histogram and phase
// (reflections); with more than one block, each starts with a line "# ...".
#include "Engine.h"

#include "NumberFormat.h"
#include "SafeFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

namespace koralix::engine {

namespace {

struct TPointView {
    double X, Yobs, Ycalc, Background, Weight;
};

// One column of a plot file: its heading and how it follows from a point.
struct TPlotColumn {
    const char* Heading;
    std::function<std::string(const TPointView&)> Text;
};

std::string Counts(double y) {
    return F(12, 2, y);
}

const TPlotColumn XColumn{"X", [](const TPointView& p) { return F(10, 4, p.X); }};
const TPlotColumn YobsColumn{"Yobs", [](const TPointView& p) { return Counts(p.Yobs); }};
const TPlotColumn YcalcColumn{"Ycalc", [](const TPointView& p) { return Counts(p.Ycalc); }};
const TPlotColumn DiffColumn{"Yobs-Ycalc",
                             [](const TPointView& p) { return Counts(p.Yobs - p.Ycalc); }};
const TPlotColumn BackgroundColumn{"Background",
                                   [](const TPointView& p) { return Counts(p.Background); }};
const TPlotColumn EsdColumn{"Esd", [](const TPointView& p) {
                                return F(10, 3, p.Weight > 0 ? 1 / std::sqrt(p.Weight) : 0.0);
                            }};
// The difference in units of its esd: flat noise of unit size where the fit is good.
const TPlotColumn NormalisedColumn{"(Yobs-Ycalc)/Esd", [](const TPointView& p) {
                                       return F(10, 3, (p.Yobs - p.Ycalc) * std::sqrt(std::max(
                                                                                 0.0, p.Weight)));
                                   }};

struct TPlotLayout {
    std::vector<TPlotColumn> Columns;
    bool Tabs = false;        // tab-separated for spreadsheets, fixed columns otherwise
    bool Reflections = false; // the reflection positions follow the points
};

// Plot file types 1 to 4.
TPlotLayout PlotLayout(int type) {
    switch (type) {
    case 1: return {{XColumn, YobsColumn, YcalcColumn, DiffColumn, BackgroundColumn}, true, false};
    case 2: return {{XColumn, YobsColumn, YcalcColumn, DiffColumn}, false, true};
    case 3: return {{XColumn, YobsColumn, YcalcColumn, NormalisedColumn}, false, false};
    default:
        return {{XColumn, YobsColumn, YcalcColumn, DiffColumn, BackgroundColumn, EsdColumn},
                false,
                true};
    }
}

std::string Trimmed(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string HklText(const Hkl& h) {
    return I(4, h[0]) + I(4, h[1]) + I(4, h[2]);
}

// SHELX-style F8.2 columns hold at most 99999.99: larger values are scaled down together.
double Fit8(const std::vector<TReflectionResult>& list) {
    double top = 0;
    for (const TReflectionResult& r : list)
        top = std::max(top, r.F2Obs);
    return top > 99999 ? 99999 / top : 1.0;
}

void WriteReflections(int type, const std::vector<TReflectionResult>& list, std::string& t) {
    const double fit = type <= 2 ? Fit8(list) : 1.0;
    for (const TReflectionResult& r : list) {
        switch (type) {
        case 1:
        case 2:
            for (const Hkl& e : type == 1 && !r.Equivalents.empty() ? r.Equivalents
                                                                     : std::vector<Hkl>{r.H})
                t += HklText(e) + F(8, 2, r.F2Obs * fit) + F(8, 2, r.F2Sigma * fit) + "\n";
            break;
        case 3:
            t += HklText(r.H) + F(12, 2, r.F2Obs) + F(8, 1, r.PhaseAngle) + "\n";
            break;
        case 4:
            t += HklText(r.H) + F(12, 2, r.F2Calc) + F(8, 1, r.PhaseAngle) + "\n";
            break;
        case 5:
            t += HklText(r.H) + F(10, 3, std::sqrt(r.F2Obs)) + F(10, 3, std::sqrt(r.F2Calc)) + "\n";
            break;
        default:
            t += HklText(r.H) + F(12, 2, r.F2Obs) + F(10, 2, r.F2Sigma) + I(4, r.Multiplicity) +
                 F(10, 4, r.Position) + "\n";
            break;
        }
    }
}

bool WriteSafely(const std::string& file, const std::string& text) {
    try {
        WriteFileSafely(file, text);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace

std::string TEngine::PlotFileName(const std::string& baseName) {
    return baseName + ".plt";
}

std::string TEngine::FourierFileName(const std::string& baseName) {
    return baseName + ".hkl";
}

bool TEngine::WriteOutputFiles() const {
    if (baseName_.empty()) return true;
    const int nh = HistogramCount(), np = model_.PhaseCount();
    bool ok = true;
    if (model_.PlotFileType >= 1 && model_.PlotFileType <= 4) {
        const TPlotLayout layout = PlotLayout(model_.PlotFileType);
        const std::string gap = layout.Tabs ? "\t" : " ";
        std::string t = model_.Title + "\n";
        for (int h = 1; h <= nh; ++h) {
            const THistogramData& d = setup_.Data[size_t(h - 1)];
            const auto& calc = calculated_[size_t(h - 1)];
            const auto& bkg = backgroundParts_[size_t(h - 1)];
            if (nh > 1) t += "# histogram " + std::to_string(h) + "\n";
            for (size_t c = 0; c < layout.Columns.size(); ++c)
                t += (c ? gap : "") + std::string(layout.Columns[c].Heading);
            t += "\n";
            for (size_t i = 0; i < d.X.size() && i < calc.size(); ++i) {
                const TPointView point{d.X[i], d.Y[i], calc[i], i < bkg.size() ? bkg[i] : 0.0,
                                       d.Weight[i]};
                for (size_t c = 0; c < layout.Columns.size(); ++c) {
                    const std::string value = layout.Columns[c].Text(point);
                    t += layout.Tabs ? (c ? gap : "") + Trimmed(value) : value;
                }
                t += "\n";
            }
            if (!layout.Reflections) continue;
            t += "Reflections\n";
            for (int p = 1; p <= np; ++p)
                for (const TReflectionResult& r : ReflectionResults(h, p))
                    t += F(10, 4, r.Position) + I(4, p) + HklText(r.H) + "\n";
        }
        ok = WriteSafely(PlotFileName(baseName_), t) && ok;
    }
    if (model_.FourierFileType >= 1 && model_.FourierFileType <= 6) {
        std::string t;
        for (int h = 1; h <= nh; ++h)
            for (int p = 1; p <= np; ++p) {
                if (nh * np > 1)
                    t += "# histogram " + std::to_string(h) + " phase " + std::to_string(p) +
                         " " + model_.Phases[size_t(p - 1)].Name + "\n";
                WriteReflections(model_.FourierFileType, ReflectionResults(h, p), t);
            }
        // SHELX reads up to a line of zero indices.
        if (model_.FourierFileType <= 2) t += HklText({0, 0, 0}) + F(8, 2, 0) + F(8, 2, 0) + "\n";
        ok = WriteSafely(FourierFileName(baseName_), t) && ok;
    }
    return ok;
}

} // namespace koralix::engine
