// The least-squares cycle: derivatives by finite differences of the parts of
// the pattern a variable touches, spread over threads; the normal equations
// solved after scaling to unit diagonal; shifts damped by the relaxation
// factors; esds from the inverse normal matrix scaled by chi^2.
#include "Engine.h"

#include "InputFile.h"
#include "NumberFormat.h"
#include "Parallel.h"
#include "ParameterTable.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace koralix::engine {

namespace {

constexpr int LeBailRoundsPerCycle = 3;

struct TTouch {
    std::vector<std::vector<char>> Blocks; // [h][p]
    std::vector<char> Background;          // [h]
};

TTouch TouchOf(const TVariable& v, int nh, int np) {
    TTouch t;
    t.Blocks.assign(size_t(nh), std::vector<char>(size_t(np), 0));
    t.Background.assign(size_t(nh), 0);
    for (const auto& [a, m] : v.Fields) {
        const TParameterEntry* entry = FindParameterEntry(a);
        if (entry && entry->Path == TDerivativePath::Background) {
            // The background coefficients leave every peak where it is.
            t.Background[size_t(a.Histogram - 1)] = 1;
            continue;
        }
        switch (KindOf(a)) {
        case KindHistogram:
        case KindScatter:
            for (int p = 0; p < np; ++p)
                t.Blocks[size_t(a.Histogram - 1)][size_t(p)] = 1;
            t.Background[size_t(a.Histogram - 1)] = 1;
            break;
        case KindPhase:
        case KindAtom:
            for (int h = 0; h < nh; ++h)
                t.Blocks[size_t(h)][size_t(a.Phase - 1)] = 1;
            break;
        case KindSample:
            t.Blocks[size_t(a.Histogram - 1)][size_t(a.Phase - 1)] = 1;
            break;
        default:
            break;
        }
    }
    return t;
}

// Whether a field acts on the pattern only through the intensity, position,
// width and mixing of its peaks (or the background), so that its derivative
// follows from the slopes of the drawn peaks. Asymmetry and the Pearson VII
// exponent change the shape itself: their derivatives are numeric, forward
// differences of the peaks drawn again (tests/engine/JacobianTest.cpp holds
// them to central differences like every other derivative).
bool ThroughPeakValues(const TRietveld& model, const TAddress& a) {
    const TParameterEntry* entry = FindParameterEntry(a);
    if (!entry) return false;
    // A time-of-flight peak's rise and decay are among the values its slopes
    // are kept for, so they and the cell, which moves them through d, need no
    // drawing again.
    const bool rate = KindOf(a) == KindSample && a.Type >= ParamType::SampleTofAlpha1 &&
                      a.Type <= ParamType::SampleTofBeta2;
    if (rate) return model.Histograms[size_t(a.Histogram - 1)].IsTof();
    if (entry->Path == TDerivativePath::Shape) return false;
    // The Pearson VII exponent comes from the Gam terms and changes the shape.
    if (KindOf(a) == KindSample && a.Type >= ParamType::SampleGam0 &&
        a.Type <= ParamType::SampleGam2)
        return model.Histograms[size_t(a.Histogram - 1)].Profile != 2;
    return true;
}

bool ThroughPeakValues(const TRietveld& model, const TVariable& v) {
    for (const auto& [a, m] : v.Fields)
        if (!ThroughPeakValues(model, a)) return false;
    return true;
}

// A finite-difference step small against the value yet far above rounding.
double StepFor(const TState& s, const TVariable& v) {
    double scale = 0;
    for (const auto& [a, m] : v.Fields) {
        const double* f = FieldOf(s, a);
        if (f) scale = std::max(scale, std::abs(*f));
    }
    return 1e-6 * std::max(scale, 1e-2);
}

void Apply(TState& s, const TVariable& v, double shift) {
    for (const auto& [a, m] : v.Fields)
        if (double* f = FieldOf(s, a)) *f += m * shift;
}

bool Sane(const TState& s) {
    for (const auto& p : s.Phases) {
        if (!ValidCell(p)) return false;
        for (const auto& a : p.Atoms)
            for (double x : {a.X, a.Y, a.Z, a.B, a.N})
                if (!std::isfinite(x)) return false;
    }
    for (const auto& h : s.Histograms)
        if (!std::isfinite(h.Zero) || !std::isfinite(h.Scale) || !(h.Wave1 > 0)) return false;
    return true;
}

} // namespace

TEngine::~TEngine() = default;

void TEngine::ComputeAll() {
    const int nh = HistogramCount(), np = model_.PhaseCount();
    calculated_.assign(size_t(nh), {});
    phaseParts_.assign(size_t(nh), std::vector<std::vector<double>>(size_t(np)));
    backgroundParts_.assign(size_t(nh), {});
    renderings_.assign(size_t(nh), std::vector<TRendering>(size_t(np)));
    // Each phase's peaks are drawn on all threads; the parts are summed in a
    // fixed order.
    TCalculator calc(setup_);
    for (int task = 0; task < nh * (np + 1); ++task) {
        const int h = 1 + task / (np + 1), p = task % (np + 1);
        const size_t n = setup_.Data[size_t(h - 1)].X.size();
        if (p == 0) {
            auto& bkg = backgroundParts_[size_t(h - 1)];
            bkg.assign(n, 0.0);
            calc.AddBackground(state_, h, bkg);
            continue;
        }
        auto& part = phaseParts_[size_t(h - 1)][size_t(p - 1)];
        part.assign(n, 0.0);
        calc.AddPhase(state_, h, p, part, nullptr, nullptr,
                      &renderings_[size_t(h - 1)][size_t(p - 1)]);
    }
    for (int h = 1; h <= nh; ++h) {
        std::vector<double> total = backgroundParts_[size_t(h - 1)];
        for (const auto& part : phaseParts_[size_t(h - 1)])
            for (size_t i = 0; i < total.size(); ++i)
                total[i] += part[i];
        calculated_[size_t(h - 1)] = std::move(total);
    }
}

double TEngine::WeightedSum() const {
    double sum = 0;
    for (size_t h = 0; h < setup_.Data.size(); ++h) {
        const auto& d = setup_.Data[h];
        for (size_t i = 0; i < d.X.size(); ++i)
            if (d.Used[i]) {
                const double r = d.Y[i] - calculated_[h][i];
                sum += d.Weight[i] * r * r;
            }
    }
    return sum;
}

void TEngine::UpdateAgreement() {
    const double nvar = static_cast<double>(variables_.size());
    for (size_t h = 0; h < setup_.Data.size(); ++h) {
        const auto& d = setup_.Data[h];
        double absDiff = 0, absObs = 0, wr2 = 0, wy2 = 0;
        int n = 0;
        for (size_t i = 0; i < d.X.size(); ++i) {
            if (!d.Used[i]) continue;
            const double r = d.Y[i] - calculated_[h][i];
            absDiff += std::abs(r);
            absObs += std::abs(d.Y[i]);
            wr2 += d.Weight[i] * r * r;
            wy2 += d.Weight[i] * d.Y[i] * d.Y[i];
            ++n;
        }
        TAgreement a;
        a.Points = n;
        if (n > 0 && absObs > 0 && wy2 > 0) {
            const double dof = std::max(1.0, n - nvar);
            a.Rp = 100 * absDiff / absObs;
            a.Rwp = 100 * std::sqrt(wr2 / wy2);
            a.Rexp = 100 * std::sqrt(dof / wy2);
            a.Chi2 = wr2 / dof;
        }
        agreement_[h] = a;
    }
}

std::string TEngine::TooWide(const TState& state) const {
    TCalculator calc(setup_);
    for (int h = 1; h <= HistogramCount(); ++h) {
        const auto& x = setup_.Data[size_t(h - 1)].X;
        if (x.empty()) continue;
        const double span = x.back() - x.front();
        for (int p = 1; p <= model_.PhaseCount(); ++p) {
            const double widest = calc.WidestPeak(state, h, p);
            if (widest > span)
                return "Peaks of phase " + std::to_string(p) + " in histogram " +
                       std::to_string(h) + " are wider (FWHM up to " + FixedText(widest, 3) +
                       ") than the whole pattern (" + FixedText(span, 3) +
                       "): the refinement cannot fit them; check the peak widths\n";
        }
    }
    return {};
}

int TEngine::Iterate(int cycle, bool& finished) {
    if (!started_) return Status::NotAvailable;
    progress_ = 0;
    if (finished_) {
        finished = true;
        return Status::Ok;
    }
    const int status = Cycle(cycle, finished);
    std::feclearexcept(FE_ALL_EXCEPT);
    progress_ = 100;
    if (status != Status::Ok) return status;
    finished_ = finished;
    ++cyclesRun_;
    ListCycle(cycle);
    return Status::Ok;
}

std::vector<TEngine::TColumn> TEngine::Columns() {
    const int nh = HistogramCount(), np = model_.PhaseCount();
    const int nv = static_cast<int>(variables_.size());
    std::vector<TColumn> columns(static_cast<size_t>(nv));
    std::atomic<int> next{0}, done{0};
    auto worker = [&]() {
        TCalculator calc(setup_);
        calc.Warm(state_);
        TState shifted = state_;
        std::vector<double> part;
        std::vector<TPeakValues> peaks;
        for (int v; (v = next.fetch_add(1)) < nv;) {
            const TVariable& var = variables_[size_t(v)];
            TColumn& column = columns[size_t(v)];
            column.Dense.assign(size_t(nh), {});
            const TTouch touch = TouchOf(var, nh, np);
            const bool fromSlopes = ThroughPeakValues(model_, var);
            const double step = StepFor(state_, var);
            Apply(shifted, var, step);
            // Dense differences of a histogram's parts, for what the peak slopes cannot give.
            auto addDifference = [&](int h, const std::vector<double>& base) {
                auto& dense = column.Dense[size_t(h - 1)];
                dense.resize(base.size(), 0.0);
                for (size_t i = 0; i < base.size(); ++i)
                    dense[i] += (part[i] - base[i]) / step;
            };
            for (int h = 1; h <= nh; ++h) {
                const size_t n = setup_.Data[size_t(h - 1)].X.size();
                for (int p = 1; p <= np; ++p) {
                    if (!touch.Blocks[size_t(h - 1)][size_t(p - 1)]) continue;
                    const TRendering& drawn = renderings_[size_t(h - 1)][size_t(p - 1)];
                    if (fromSlopes) {
                        // First order in the changes of each drawn peak: no profile drawn again.
                        calc.Peaks(shifted, h, p, peaks);
                        if (SamePeaks(peaks, drawn)) {
                            for (size_t j = 0; j < peaks.size(); ++j) {
                                TPeakChange change{h,
                                                   p,
                                                   static_cast<int>(j),
                                                   (peaks[j].Intensity - drawn.Intensity[j]) / step,
                                                   (peaks[j].Position - drawn.Position[j]) / step,
                                                   (peaks[j].Width - drawn.Width[j]) / step,
                                                   (peaks[j].Eta - drawn.Eta[j]) / step,
                                                   0,
                                                   0};
                                if (!drawn.DAlpha.empty()) {
                                    change.Alpha = (peaks[j].Alpha - drawn.Alpha[j]) / step;
                                    change.Beta = (peaks[j].Beta - drawn.Beta[j]) / step;
                                }
                                if (change.Intensity != 0 || change.Position != 0 ||
                                    change.Width != 0 || change.Eta != 0 || change.Alpha != 0 ||
                                    change.Beta != 0)
                                    column.Peaks.push_back(change);
                            }
                            continue;
                        }
                    }
                    part.assign(n, 0.0);
                    calc.AddPhase(shifted, h, p, part);
                    addDifference(h, phaseParts_[size_t(h - 1)][size_t(p - 1)]);
                }
                if (touch.Background[size_t(h - 1)]) {
                    part.assign(n, 0.0);
                    calc.AddBackground(shifted, h, part);
                    addDifference(h, backgroundParts_[size_t(h - 1)]);
                }
            }
            // Undo exactly: restore the fields from the unshifted state.
            for (const auto& [a, m] : var.Fields)
                if (double* f = FieldOf(shifted, a)) *f = *FieldOf(state_, a);
            progress_ = static_cast<float>(90.0 * (done.fetch_add(1) + 1) / nv);
        }
    };
    RunWorkers(nv, worker);
    return columns;
}

void TEngine::FillBlock(const std::vector<TColumn>& columns, int h, int first,
                        Eigen::Ref<Eigen::MatrixXd> block) const {
    block.setZero();
    const int last = first + static_cast<int>(block.rows());
    for (size_t v = 0; v < columns.size(); ++v) {
        const TColumn& column = columns[v];
        double* out = block.col(static_cast<long>(v)).data();
        if (const auto& dense = column.Dense[size_t(h - 1)]; !dense.empty())
            for (int i = first; i < last; ++i)
                out[i - first] = dense[size_t(i)];
        for (const TPeakChange& c : column.Peaks) {
            if (c.Histogram != h) continue;
            const TRendering& drawn = renderings_[size_t(h - 1)][size_t(c.Phase - 1)];
            const size_t j = static_cast<size_t>(c.Peak);
            const int from = std::max(first, drawn.First[j]);
            const int to = std::min(last, drawn.First[j] + drawn.Count[j]);
            if (from >= to) continue;
            const double intensity = drawn.Intensity[j];
            const size_t o = static_cast<size_t>(drawn.Offset[j] + from - drawn.First[j]);
            const double* values = drawn.Values.data() + o;
            const double* dPosition = drawn.DPosition.data() + o;
            const double* dWidth = drawn.DWidth.data() + o;
            const double* dEta = drawn.DEta.data() + o;
            for (int i = 0; i < to - from; ++i)
                out[from - first + i] +=
                    c.Intensity * values[i] +
                    intensity * (c.Position * dPosition[i] + c.Width * dWidth[i] + c.Eta * dEta[i]);
            if (c.Alpha == 0 && c.Beta == 0) continue;
            const double* dAlpha = drawn.DAlpha.data() + o;
            const double* dBeta = drawn.DBeta.data() + o;
            for (int i = 0; i < to - from; ++i)
                out[from - first + i] += intensity * (c.Alpha * dAlpha[i] + c.Beta * dBeta[i]);
        }
    }
}

Eigen::MatrixXd TEngine::Jacobian() {
    const std::vector<TColumn> columns = Columns();
    int points = 0;
    for (const auto& d : setup_.Data)
        points += static_cast<int>(d.X.size());
    Eigen::MatrixXd jacobian(points, static_cast<long>(variables_.size()));
    for (int h = 1, offset = 0; h <= HistogramCount(); ++h) {
        const int n = static_cast<int>(setup_.Data[size_t(h - 1)].X.size());
        FillBlock(columns, h, 0, jacobian.middleRows(offset, n));
        offset += n;
    }
    return jacobian;
}

TEngine::TNormalEquations TEngine::NormalEquations() {
    const std::vector<TColumn> columns = Columns();
    const long nv = static_cast<long>(variables_.size());
    // Stretches of points, each adding its share of the normal matrix; the
    // stretches are dealt to a fixed number of lanes, each summed in order and
    // the lanes summed in order, so that the threads never change the sums.
    constexpr int Stretch = 512, Lanes = 8;
    struct TStretch {
        int Histogram, First, Count;
    };
    std::vector<TStretch> stretches;
    for (int h = 1; h <= HistogramCount(); ++h) {
        const int n = static_cast<int>(setup_.Data[size_t(h - 1)].X.size());
        for (int first = 0; first < n; first += Stretch)
            stretches.push_back({h, first, std::min(Stretch, n - first)});
    }
    std::vector<TNormalEquations> lanes(Lanes);
    RunParallel(Lanes, [&](int lane) {
        TNormalEquations& sum = lanes[size_t(lane)];
        sum.Matrix = Eigen::MatrixXd::Zero(nv, nv);
        sum.Rhs = Eigen::VectorXd::Zero(nv);
        Eigen::MatrixXd block, weighted;
        Eigen::VectorXd residual;
        for (size_t s = size_t(lane); s < stretches.size(); s += Lanes) {
            const TStretch& st = stretches[s];
            const THistogramData& d = setup_.Data[size_t(st.Histogram - 1)];
            const auto& calc = calculated_[size_t(st.Histogram - 1)];
            block.resize(st.Count, nv);
            FillBlock(columns, st.Histogram, st.First, block);
            int rows = 0;
            for (int i = 0; i < st.Count; ++i)
                rows += d.Used[size_t(st.First + i)] != 0;
            weighted.resize(rows, nv);
            residual.resize(rows);
            for (int i = 0, r = 0; i < st.Count; ++i) {
                const size_t k = size_t(st.First + i);
                if (!d.Used[k]) continue;
                const double sw = std::sqrt(d.Weight[k]);
                weighted.row(r) = sw * block.row(i);
                residual(r++) = sw * (d.Y[k] - calc[k]);
            }
            sum.Matrix.selfadjointView<Eigen::Lower>().rankUpdate(weighted.transpose());
            sum.Rhs.noalias() += weighted.transpose() * residual;
        }
    });
    TNormalEquations total{Eigen::MatrixXd::Zero(nv, nv), Eigen::VectorXd::Zero(nv)};
    for (const TNormalEquations& lane : lanes) {
        total.Matrix += lane.Matrix;
        total.Rhs += lane.Rhs;
    }
    total.Matrix = total.Matrix.selfadjointView<Eigen::Lower>();
    return total;
}

int TEngine::Cycle(int cycle, bool& finished) {
    const int nv = static_cast<int>(variables_.size());
    // Rows of the least squares: the used points of all histograms.
    int rows = 0;
    for (const auto& d : setup_.Data)
        rows += static_cast<int>(std::count_if(d.Used.begin(), d.Used.end(), [](char u) { return u != 0; }));
    if (rows == 0 || nv == 0) {
        finished = true;
        return Status::Ok;
    }
    if (rows <= nv) return Status::Unstable;

    // Le Bail intensities follow the observed pattern under the current
    // positions and widths before the least squares moves them.
    if (HasLeBail()) ExtractLeBail(LeBailRoundsPerCycle);
    const TNormalEquations equations = NormalEquations();
    const Eigen::MatrixXd& fullNormal = equations.Matrix;
    const Eigen::VectorXd& fullRhs = equations.Rhs;
    if (!fullNormal.allFinite() || !fullRhs.allFinite()) return Status::Unstable;

    // Variables the pattern does not depend on are held before the scaling,
    // which would otherwise divide by their zero diagonal.
    const std::vector<int> active = HoldIneffective(fullNormal);
    if (active.empty()) return Status::Unstable;
    const int na = static_cast<int>(active.size());
    Eigen::MatrixXd normal(na, na);
    Eigen::VectorXd rhs(na);
    for (int i = 0; i < na; ++i) {
        rhs(i) = fullRhs(active[size_t(i)]);
        for (int j = 0; j < na; ++j)
            normal(i, j) = fullNormal(active[size_t(i)], active[size_t(j)]);
    }

    Eigen::VectorXd scale(na);
    for (int v = 0; v < na; ++v)
        scale(v) = 1 / std::sqrt(normal(v, v));
    const Eigen::MatrixXd scaled = scale.asDiagonal() * normal * scale.asDiagonal();
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(scaled);
    if (eigen.info() != Eigen::Success) return Status::Unstable;
    const Eigen::VectorXd values = eigen.eigenvalues();
    if (!(values.minCoeff() > 1e-12 * values.maxCoeff())) return Status::Unstable;
    const Eigen::MatrixXd inverse = eigen.eigenvectors() * values.cwiseInverse().asDiagonal() *
                                    eigen.eigenvectors().transpose();

    const double before = WeightedSum();
    const TState start = state_;
    const auto startCalculated = calculated_;
    const auto startPhase = phaseParts_;
    const auto startBackground = backgroundParts_;
    const auto startRenderings = renderings_;
    if (model_.Strategy == 1) lambda_ = std::max(0.0, static_cast<double>(model_.Marquardt));
    if (model_.Strategy == 2 && cycle <= 1)
        lambda_ = model_.Marquardt > 0 ? model_.Marquardt : 1e-3;
    if (model_.Strategy == 0) lambda_ = 0;

    Eigen::VectorXd shift;
    bool accepted = false;
    for (int attempt = 0; attempt < 10 && !accepted; ++attempt) {
        Eigen::MatrixXd damped = scaled;
        damped.diagonal().array() += lambda_;
        shift = scale.asDiagonal() * damped.ldlt().solve(scale.asDiagonal() * rhs);
        if (!shift.allFinite()) return Status::Unstable;
        state_ = start;
        for (int v = 0; v < na; ++v) {
            const TVariable& var = variables_[size_t(active[size_t(v)])];
            Apply(state_, var, model_.Relax[size_t(var.RelaxGroup)] * shift(v));
        }
        const bool sane = Sane(state_);
        const std::string tooWide = sane ? TooWide(state_) : std::string();
        if (!sane || !tooWide.empty()) {
            if (model_.Strategy != 2) {
                Listing(tooWide);
                return Status::Unstable;
            }
            lambda_ = lambda_ > 0 ? lambda_ * 10 : 1e-3;
            continue;
        }
        ComputeAll();
        const double after = WeightedSum();
        if (!std::isfinite(after)) {
            if (model_.Strategy != 2) return Status::Unstable;
        } else if (model_.Strategy != 2 || after <= before) {
            accepted = true;
            if (model_.Strategy == 2) lambda_ = std::max(lambda_ / 10, 1e-6);
            break;
        }
        lambda_ = lambda_ > 0 ? lambda_ * 10 : 1e-3;
    }
    if (!accepted) {
        // Marquardt could not lower chi^2: the refinement has converged as far as it can.
        state_ = start;
        calculated_ = startCalculated;
        phaseParts_ = startPhase;
        backgroundParts_ = startBackground;
        renderings_ = startRenderings;
        shift.setZero();
        finished = true;
    }
    UpdateAgreement();

    const double dof = std::max(1, rows - na);
    const double chi2 = WeightedSum() / dof;
    correlation_.assign(size_t(nv), std::vector<double>(size_t(nv), 0));
    bool small = true;
    for (TVariable& var : variables_)
        var.Esd = var.LastShift = 0;
    for (int v = 0; v < na; ++v) {
        TVariable& var = variables_[size_t(active[size_t(v)])];
        var.Esd = std::sqrt(std::max(0.0, inverse(v, v) * chi2)) * scale(v);
        var.LastShift = shift(v);
        if (!(std::abs(shift(v)) <= model_.Eps * var.Esd)) small = false;
        for (int w = 0; w < na; ++w)
            correlation_[size_t(active[size_t(v)])][size_t(active[size_t(w)])] =
                inverse(v, w) / std::sqrt(inverse(v, v) * inverse(w, w));
    }
    if (small || cycle >= model_.Cycles) finished = true;
    StateToModel(state_, model_);
    return Status::Ok;
}

std::vector<int> TEngine::HoldIneffective(const Eigen::MatrixXd& normal) {
    // The size of the weighted pattern, against which a variable's effect is measured.
    double pattern = 0;
    for (size_t h = 0; h < setup_.Data.size(); ++h) {
        const auto& d = setup_.Data[h];
        for (size_t i = 0; i < d.X.size(); ++i)
            if (d.Used[i]) pattern += d.Weight[i] * calculated_[h][i] * calculated_[h][i];
    }
    std::vector<int> active;
    for (int v = 0; v < static_cast<int>(variables_.size()); ++v) {
        TVariable& var = variables_[size_t(v)];
        // A shift as large as the variable's own size (or 0.01 when it is 0)
        // that changes the weighted pattern by less than a part in 1e9 does nothing.
        double size = 1e-2;
        for (const auto& [a, m] : var.Fields)
            if (const double* f = FieldOf(state_, a)) size = std::max(size, std::abs(*f));
        const double effect = std::sqrt(std::max(0.0, normal(v, v))) * size;
        const bool ineffective = !(normal(v, v) > 0) || !(effect > 1e-9 * std::sqrt(pattern));
        if (ineffective && !var.Held) {
            std::string labels;
            for (const auto& [a, m] : var.Fields)
                labels += (labels.empty() ? "" : ", ") + model_.LabelOf(TParameter(a, 10));
            heldNotes_.push_back("Parameter " + std::to_string(var.Code) + " (" + labels +
                                 ") held: the calculated pattern does not depend on it");
            Listing(heldNotes_.back() + "\n");
        }
        var.Held = ineffective;
        if (!ineffective) active.push_back(v);
    }
    return active;
}

int TEngine::Close(bool update) {
    if (!started_) return Status::NotAvailable;
    StateToModel(state_, model_);
    ListFinal();
    if (!WriteBondFiles() || !WriteLeBail() || !WriteOutputFiles()) return Status::OutputFile;
    if (update) {
        try {
            WriteInputFile(model_, baseName_ + ".upd");
        } catch (const std::exception&) {
            return Status::OutputFile;
        }
    }
    started_ = false;
    return Status::Ok;
}

std::vector<TPlotReflection> TEngine::PlotReflections(int h) {
    std::vector<TPlotReflection> list;
    TCalculator calc(setup_);
    std::vector<double> scratch(setup_.Data[size_t(h - 1)].X.size(), 0.0);
    for (int p = 1; p <= model_.PhaseCount(); ++p)
        calc.AddPhase(state_, h, p, scratch, &list);
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.Position < b.Position; });
    return list;
}

std::vector<TReflectionRow> TEngine::ReflectionRows(int h) {
    std::vector<TReflectionRow> rows;
    TCalculator calc(setup_);
    std::vector<double> scratch(setup_.Data[size_t(h - 1)].X.size(), 0.0);
    for (int p = 1; p <= model_.PhaseCount(); ++p)
        calc.AddPhase(state_, h, p, scratch, nullptr, &rows);
    return rows;
}

int TEngine::GetParameter(const TAddress& address, double& value, double& esd) const {
    const double* f = FieldOf(state_, address);
    value = 0;
    esd = 0;
    if (!f) return Status::HistogramRange;
    value = *f;
    for (const TVariable& v : variables_)
        for (const auto& [a, m] : v.Fields)
            if (a == address) esd = std::abs(m) * v.Esd;
    return Status::Ok;
}

int TEngine::GetByNumber(int code, double& value, double& esd) const {
    value = 0;
    esd = 0;
    for (const TVariable& v : variables_) {
        if (v.Code != code) continue;
        const auto& [a, m] = v.Fields.front();
        value = *FieldOf(state_, a);
        esd = std::abs(m) * v.Esd;
        return Status::Ok;
    }
    return Status::HistogramRange;
}

int TEngine::SetParameter(const TAddress& address, double value) {
    double* f = FieldOf(state_, address);
    if (!f || !std::isfinite(value)) return Status::HistogramRange;
    const double before = *f;
    *f = value;
    if (started_) {
        if (const std::string tooWide = TooWide(state_); !tooWide.empty()) {
            *f = before;
            Listing(tooWide);
            return Status::Unstable;
        }
    }
    StateToModel(state_, model_);
    if (started_) {
        ComputeAll();
        UpdateAgreement();
    }
    return Status::Ok;
}

} // namespace koralix::engine
