#include "NewModel.h"

namespace koralix {

int32_t NewJobType(bool dataFile, int32_t radiation) {
    static constexpr int32_t data[] = {0, 1, 4, 6};
    static constexpr int32_t calculation[] = {2, 3, 5, 7};
    if (radiation < 0 || radiation > 3) radiation = 0;
    return dataFile ? data[radiation] : calculation[radiation];
}

namespace {

void SetUpHistogram(THistogram& h, const TNewHistogram& choice) {
    const TInstrumentSetup& i = choice.Instrument;
    h.JobType = NewJobType(choice.DataFile, i.Radiation);
    h.Profile = i.Profile + 1;
    h.Zero = float(i.Zero);
    h.Wave1 = float(i.Wave1);
    h.Wave2 = float(i.Wave2);
    h.Ratio = float(i.Ratio);
    h.Polarization = float(i.Pol);
    h.ThetaMin = float(i.Start);
    h.ThetaMax = float(i.Stop);
    h.ThetaStep = float(i.Step);
}

void SetUpSample(TSample& s, const TInstrumentSetup& i) {
    s.U = float(i.U);
    s.V = float(i.V);
    s.W = float(i.W);
    s.Gam0 = float(i.Gamma);
    s.Asym1 = float(i.Asym1);
    s.Asym2 = float(i.Asym2);
}

// What a first refinement against measured data moves: the phase scales, a
// smooth background and the zero shift of each measured histogram. Cells wait
// for the crystal system's ties, which the phase editor sets; the histogram
// scales stay fixed, as they would only repeat the phase scales.
void RefineStartingParameters(TRietveld& model) {
    bool measured = false;
    for (int h = 1; h <= model.HistogramCount(); ++h) {
        if (model.Histogram(h).IsCalculation()) continue;
        measured = true;
        for (int type : {2, 3, 4, 1}) model.Parameters.SetRefined({h, 0, 0, type}, true);
    }
    if (!measured) return;
    for (int p = 1; p <= model.PhaseCount(); ++p) model.Parameters.SetRefined({0, p, 0, 1}, true);
}

} // namespace

void BuildNewModel(TRietveld& model, const std::vector<TNewHistogram>& histograms,
                   const std::vector<int32_t>& phaseAtoms) {
    model.Clear();
    for (size_t i = 0; i < histograms.size(); ++i) model.AddHistogram();
    for (size_t j = 0; j < phaseAtoms.size(); ++j) model.AddPhase();
    model.Loaded = true;
    for (int h = 1; h <= model.HistogramCount(); ++h) {
        const TNewHistogram& choice = histograms[size_t(h - 1)];
        SetUpHistogram(model.Histogram(h), choice);
        for (int p = 1; p <= model.PhaseCount(); ++p)
            SetUpSample(*model.FindSample(h, p), choice.Instrument);
    }
    for (int p = 1; p <= model.PhaseCount(); ++p) {
        TPhase& phase = model.Phase(p);
        const int32_t atoms = phaseAtoms[size_t(p - 1)];
        phase.CalcMethod = atoms > 0 ? 0 : 1;
        for (int32_t a = 0; a < atoms; ++a) phase.AddAtom(TAtom());
    }
    RefineStartingParameters(model);
}

} // namespace koralix
