// The least-squares cycle: derivatives by finite differences of the parts of
// the pattern a variable touches, spread over threads; the normal equations
// solved after scaling to unit diagonal; shifts damped by the relaxation
// factors; esds from the inverse normal matrix scaled by chi^2.
#include "Engine.h"

#include "InputFile.h"
#include "ParameterTable.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <thread>

namespace koralix::engine {

namespace {

struct TTouch {
    std::vector<std::vector<char>> Blocks; // [h][p]
    std::vector<char> Background;          // [h]
};

TTouch TouchOf(const TVariable& v, int nh, int np) {
    TTouch t;
    t.Blocks.assign(size_t(nh), std::vector<char>(size_t(np), 0));
    t.Background.assign(size_t(nh), 0);
    for (const auto& [a, m] : v.Fields) {
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
    if (!entry || entry->Path == TDerivativePath::Shape) return false;
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
    TCalculator calc(setup_);
    calculated_.assign(size_t(nh), {});
    phaseParts_.assign(size_t(nh), {});
    backgroundParts_.assign(size_t(nh), {});
    renderings_.assign(size_t(nh), std::vector<TRendering>(size_t(np)));
    for (int h = 1; h <= nh; ++h) {
        const size_t n = setup_.Data[size_t(h - 1)].X.size();
        auto& bkg = backgroundParts_[size_t(h - 1)];
        bkg.assign(n, 0.0);
        calc.AddBackground(state_, h, bkg);
        std::vector<double> total = bkg;
        phaseParts_[size_t(h - 1)].assign(size_t(np), {});
        for (int p = 1; p <= np; ++p) {
            auto& part = phaseParts_[size_t(h - 1)][size_t(p - 1)];
            part.assign(n, 0.0);
            calc.AddPhase(state_, h, p, part, nullptr, nullptr,
                          &renderings_[size_t(h - 1)][size_t(p - 1)]);
            for (size_t i = 0; i < n; ++i)
                total[i] += part[i];
        }
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

Eigen::MatrixXd TEngine::Jacobian() {
    const int nh = HistogramCount(), np = model_.PhaseCount();
    const int nv = static_cast<int>(variables_.size());
    std::vector<int> offsets;
    int points = 0;
    for (const auto& d : setup_.Data) {
        offsets.push_back(points);
        points += static_cast<int>(d.X.size());
    }
    Eigen::MatrixXd jacobian = Eigen::MatrixXd::Zero(points, nv);
    std::atomic<int> next{0}, done{0};
    auto worker = [&]() {
        TCalculator calc(setup_);
        calc.Warm(state_);
        TState shifted = state_;
        std::vector<double> part, diff;
        std::vector<TPeakValues> peaks;
        for (int v; (v = next.fetch_add(1)) < nv;) {
            const TVariable& var = variables_[size_t(v)];
            const TTouch touch = TouchOf(var, nh, np);
            const bool fromSlopes = ThroughPeakValues(model_, var);
            const double step = StepFor(state_, var);
            Apply(shifted, var, step);
            for (int h = 1; h <= nh; ++h) {
                const auto& d = setup_.Data[size_t(h - 1)];
                diff.assign(d.X.size(), 0.0);
                bool any = false;
                for (int p = 1; p <= np; ++p) {
                    if (!touch.Blocks[size_t(h - 1)][size_t(p - 1)]) continue;
                    any = true;
                    const TRendering& drawn = renderings_[size_t(h - 1)][size_t(p - 1)];
                    if (fromSlopes) {
                        // First order in the changes of each drawn peak: no profile drawn again.
                        calc.Peaks(shifted, h, p, peaks);
                        if (SamePeaks(peaks, drawn)) {
                            for (size_t j = 0; j < peaks.size(); ++j) {
                                const double dI = peaks[j].Intensity - drawn.Intensity[j];
                                const double dP = peaks[j].Position - drawn.Position[j];
                                const double dW = peaks[j].Width - drawn.Width[j];
                                const double dE = peaks[j].Eta - drawn.Eta[j];
                                if (dI == 0 && dP == 0 && dW == 0 && dE == 0) continue;
                                const double intensity = drawn.Intensity[j];
                                const size_t o = static_cast<size_t>(drawn.Offset[j]);
                                double* out = diff.data() + drawn.First[j];
                                for (int i = 0; i < drawn.Count[j]; ++i) {
                                    const size_t k = o + static_cast<size_t>(i);
                                    out[i] +=
                                        dI * drawn.Values[k] +
                                        intensity * (dP * drawn.DPosition[k] +
                                                     dW * drawn.DWidth[k] + dE * drawn.DEta[k]);
                                }
                            }
                            continue;
                        }
                    }
                    part.assign(d.X.size(), 0.0);
                    calc.AddPhase(shifted, h, p, part);
                    const auto& base = phaseParts_[size_t(h - 1)][size_t(p - 1)];
                    for (size_t i = 0; i < part.size(); ++i)
                        diff[i] += part[i] - base[i];
                }
                if (touch.Background[size_t(h - 1)]) {
                    part.assign(d.X.size(), 0.0);
                    calc.AddBackground(shifted, h, part);
                    const auto& base = backgroundParts_[size_t(h - 1)];
                    for (size_t i = 0; i < part.size(); ++i)
                        diff[i] += part[i] - base[i];
                    any = true;
                }
                for (size_t i = 0; i < d.X.size(); ++i)
                    jacobian(offsets[size_t(h - 1)] + static_cast<int>(i), v) =
                        any ? diff[i] / step : 0.0;
            }
            // Undo exactly: restore the fields from the unshifted state.
            for (const auto& [a, m] : var.Fields)
                if (double* f = FieldOf(shifted, a)) *f = *FieldOf(state_, a);
            progress_ = static_cast<float>(90.0 * (done.fetch_add(1) + 1) / nv);
        }
    };
    const int threads =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::min(16, nv));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();

    return jacobian;
}

int TEngine::Cycle(int cycle, bool& finished) {
    const int nh = HistogramCount(), np = model_.PhaseCount();
    const int nv = static_cast<int>(variables_.size());
    // Rows of the least squares: the used points of all histograms.
    std::vector<std::vector<int>> rowOf(static_cast<size_t>(nh));
    int rows = 0;
    for (int h = 0; h < nh; ++h) {
        const auto& d = setup_.Data[size_t(h)];
        rowOf[size_t(h)].assign(d.X.size(), -1);
        for (size_t i = 0; i < d.X.size(); ++i)
            if (d.Used[i]) rowOf[size_t(h)][i] = rows++;
    }
    if (rows == 0 || nv == 0) {
        finished = true;
        return Status::Ok;
    }
    if (rows <= nv) return Status::Unstable;

    const Eigen::MatrixXd derivatives = Jacobian();
    Eigen::MatrixXd jacobian(rows, nv);
    Eigen::VectorXd residual(rows);
    for (int h = 0, offset = 0; h < nh; ++h) {
        const auto& d = setup_.Data[size_t(h)];
        for (size_t i = 0; i < d.X.size(); ++i)
            if (d.Used[i]) {
                const int r = rowOf[size_t(h)][i];
                const double sw = std::sqrt(d.Weight[i]);
                residual(r) = sw * (d.Y[i] - calculated_[size_t(h)][i]);
                jacobian.row(r) = sw * derivatives.row(offset + static_cast<int>(i));
            }
        offset += static_cast<int>(d.X.size());
    }

    Eigen::MatrixXd fullNormal = Eigen::MatrixXd::Zero(nv, nv);
    fullNormal.selfadjointView<Eigen::Lower>().rankUpdate(jacobian.transpose());
    fullNormal = fullNormal.selfadjointView<Eigen::Lower>();
    const Eigen::VectorXd fullRhs = jacobian.transpose() * residual;
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
        if (!Sane(state_)) {
            if (model_.Strategy != 2) return Status::Unstable;
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
    if (!WriteBondFiles()) return Status::OutputFile;
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
    *f = value;
    StateToModel(state_, model_);
    if (started_) {
        ComputeAll();
        UpdateAgreement();
    }
    return Status::Ok;
}

} // namespace koralix::engine
