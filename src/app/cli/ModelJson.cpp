#include "ModelJson.h"

#include <charconv>

namespace koralix::cli {

using json = nlohmann::ordered_json;

namespace {

// The double whose shortest text is the float's shortest text, so that the
// JSON shows 0.1 for 0.1f and reads back to the same single.
double Shortest(float value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    double result = value;
    std::from_chars(buffer, end, result);
    return result;
}

json Pairs(const TPairList& list) {
    json out = json::array();
    for (const TPair& p : list.Items)
        out.push_back({Shortest(p.X), Shortest(p.Y)});
    return out;
}

template <size_t N> json Reals(const std::array<float, N>& values) {
    json out = json::array();
    for (float v : values)
        out.push_back(Shortest(v));
    return out;
}

json ScatterToJson(const TScatterFactor& e) {
    return {{"Kind", e.Kind},
            {"Name", e.Name.str()},
            {"FPrime", Shortest(e.FPrime)},
            {"FDoublePrime", Shortest(e.FDoublePrime)},
            {"Coeff", Reals(e.Coeff)},
            {"Table", Pairs(e.Table)}};
}

json AtomToJson(const TAtom& a) {
    return {{"Label", a.Label.str()}, {"AtomType", a.AtomType.str()}, {"X", Shortest(a.X)},
            {"Y", Shortest(a.Y)},     {"Z", Shortest(a.Z)},           {"B", Shortest(a.B)},
            {"N", Shortest(a.N)},     {"B11", Shortest(a.B11)},       {"B22", Shortest(a.B22)},
            {"B33", Shortest(a.B33)}, {"B12", Shortest(a.B12)},       {"B13", Shortest(a.B13)},
            {"B23", Shortest(a.B23)}};
}

} // namespace

json HistogramToJson(const THistogram& h) {
    json scatter = json::array();
    for (const TScatterFactor& e : h.Scatter.Items)
        scatter.push_back(ScatterToJson(e));
    const TBackGround& b = h.Background;
    return {{"JobType", h.JobType},
            {"ExtraFlag", h.ExtraFlag},
            {"Profile", h.Profile},
            {"Absorption", h.Absorption},
            {"Illumination", h.Illumination},
            {"UseDisplacement", h.UseDisplacement},
            {"Extra18", Shortest(h.Extra18)},
            {"Scale", Shortest(h.Scale)},
            {"ThetaMin", Shortest(h.ThetaMin)},
            {"ThetaMax", Shortest(h.ThetaMax)},
            {"ThetaStep", Shortest(h.ThetaStep)},
            {"Zero", Shortest(h.Zero)},
            {"Displacement", Shortest(h.Displacement)},
            {"Wave1", Shortest(h.Wave1)},
            {"Wave2", Shortest(h.Wave2)},
            {"Ratio", Shortest(h.Ratio)},
            {"BaseWidth", Shortest(h.BaseWidth)},
            {"Weighting", Shortest(h.Weighting)},
            {"Polarization", Shortest(h.Polarization)},
            {"Spectrum", Reals(h.Spectrum.Coeff)},
            {"Excluded", Pairs(h.Excluded.Regions)},
            {"Background",
             {{"Kind", b.Kind},
              {"Coeff", Reals(b.Coeff)},
              {"Points", Pairs(b.Points)},
              {"Offset", Shortest(b.Offset)},
              {"SmoothCycles", b.SmoothCycles},
              {"SmoothSteps", b.SmoothSteps}}},
            {"Scatter", scatter}};
}

json PhaseToJson(const TPhase& p) {
    json atoms = json::array();
    for (const TAtom& a : p.Atoms)
        atoms.push_back(AtomToJson(a));
    return {{"Name", p.Name},
            {"SpaceGroup", p.SpaceGroup.str()},
            {"A", Shortest(p.A)},
            {"B", Shortest(p.B)},
            {"C", Shortest(p.C)},
            {"Alpha", Shortest(p.Alpha)},
            {"Beta", Shortest(p.Beta)},
            {"Gamma", Shortest(p.Gamma)},
            {"Scale", Shortest(p.Scale)},
            {"OverallB", Shortest(p.OverallB)},
            {"Z", p.Z},
            {"CalcMethod", p.CalcMethod},
            {"Atoms", atoms}};
}

json SampleToJson(const TSample& s) {
    return {{"Histogram", s.Histogram},
            {"Phase", s.Phase},
            {"U", Shortest(s.U)},
            {"V", Shortest(s.V)},
            {"W", Shortest(s.W)},
            {"Uaniso", Shortest(s.Uaniso)},
            {"Gam0", Shortest(s.Gam0)},
            {"Gam1", Shortest(s.Gam1)},
            {"Gam2", Shortest(s.Gam2)},
            {"TofAlpha1", Shortest(s.TofAlpha1)},
            {"TofAlpha2", Shortest(s.TofAlpha2)},
            {"TofBeta1", Shortest(s.TofBeta1)},
            {"TofBeta2", Shortest(s.TofBeta2)},
            {"AbsorptionR", Shortest(s.AbsorptionR)},
            {"Pore", Shortest(s.Pore)},
            {"Rough", Shortest(s.Rough)},
            {"Asym1", Shortest(s.Asym1)},
            {"Asym2", Shortest(s.Asym2)},
            {"Extinction", Shortest(s.Extinction)},
            {"PO", Shortest(s.PO)},
            {"POH", Shortest(s.POH)},
            {"POK", Shortest(s.POK)},
            {"POL", Shortest(s.POL)},
            {"AnisoH", Shortest(s.AnisoH)},
            {"AnisoK", Shortest(s.AnisoK)},
            {"AnisoL", Shortest(s.AnisoL)}};
}

json ParameterToJson(const TParameter& p) {
    return {{"Kind", p.Kind},
            {"Histogram", p.Histogram},
            {"Phase", p.Phase},
            {"Atom", p.Atom},
            {"ParamType", p.ParamType},
            {"CodeNumber", p.CodeNumber},
            {"Multiplier", Shortest(p.Multiplier)}};
}

json ModelToJson(const TRietveld& m) {
    json histograms = json::array(), phases = json::array(), samples = json::array();
    for (const THistogram& h : m.Histograms)
        histograms.push_back(HistogramToJson(h));
    for (const TPhase& p : m.Phases)
        phases.push_back(PhaseToJson(p));
    for (const TSample& s : m.Samples)
        samples.push_back(SampleToJson(s));
    json free = json::array(), constraints = json::array();
    for (const TParameter& p : m.Parameters.Free)
        free.push_back(ParameterToJson(p));
    for (const TConstraint& c : m.Parameters.Constraints)
        constraints.push_back(
            {{"Master", ParameterToJson(c.Master)}, {"Dependent", ParameterToJson(c.Dependent)}});
    return {{"Loaded", m.Loaded},
            {"Title", m.Title},
            {"Cycles", m.Cycles},
            {"CodeCount", m.CodeCount},
            {"Eps", Shortest(m.Eps)},
            {"Relax", Reals(m.Relax)},
            {"IOT", m.IOT},
            {"IPL", m.IPL},
            {"IPC", m.IPC},
            {"MAT", m.MAT},
            {"Control5", m.Control5},
            {"LST1", m.LST1},
            {"LST2", m.LST2},
            {"LST3", m.LST3},
            {"IPL1", m.IPL1},
            {"PlotFileType", m.PlotFileType},
            {"FourierFileType", m.FourierFileType},
            {"DataFormat", m.DataFormat},
            {"LSync", m.LSync},
            {"SeparateData", m.SeparateData},
            {"RecycleLeBail", m.RecycleLeBail},
            {"Background12", m.Background12},
            {"IPREF", m.IPREF},
            {"PrintU", m.PrintU},
            {"Strategy", m.Strategy},
            {"Rmin", Shortest(m.Rmin)},
            {"Rmax", Shortest(m.Rmax)},
            {"Marquardt", Shortest(m.Marquardt)},
            {"AsymLimit", Shortest(m.AsymLimit)},
            {"F2Limit", Shortest(m.F2Limit)},
            {"TrailingLines1", m.TrailingLines1},
            {"TrailingLines2", m.TrailingLines2},
            {"Histograms", histograms},
            {"Phases", phases},
            {"Samples", samples},
            {"Parameters", {{"Free", free}, {"Constraints", constraints}}}};
}

double JsonNumber(float value) {
    return Shortest(value);
}

std::string JsonText(const json& value) {
    // Invalid UTF-8 in titles or labels is replaced rather than aborting the dump.
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}

} // namespace koralix::cli
