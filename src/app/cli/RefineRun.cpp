#include "RefineRun.h"

#include "DataLink.h"
#include "FileTypes.h"
#include "PathNames.h"
#include "Refine.h"

namespace koralix::cli {

namespace {

std::vector<TAddress> RefinedAddresses(const TRietveld& model) {
    std::vector<TAddress> list;
    for (const TParameter& p : model.Parameters.Free)
        list.push_back(p.Address());
    for (const TConstraint& c : model.Parameters.Constraints)
        list.push_back(c.Dependent.Address());
    return list;
}

} // namespace

TRunResult RunRefinement(TRietveld& model, const std::string& input, const std::string& dataFile,
                         const std::string& base, int cycles, bool update, Messenger& messenger) {
    TRunResult result;
    TRefine refine(messenger);
    refine.Model = &model;
    refine.BaseName = base;
    std::string data = dataFile;
    if (data.empty()) data = DataFileFor(input, model.DataFormat);
    refine.DataName = data.empty() ? WithoutExtension(input)
                                   : EngineDataName(data, model.DataFormat, refine.TempDirectory());
    refine.StartRefinement();
    result.Status = refine.LastError;
    if (refine.State() != RefineState::Started) return result;
    result.Started = true;
    for (int c = 1; c <= cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) {
            result.Status = refine.LastError;
            return result;
        }
    }
    for (int h = 1; h <= model.HistogramCount(); ++h)
        result.Histograms.push_back({refine.GetRp(h), refine.GetRwp(h), refine.GetChi2(h)});
    for (const TAddress& a : RefinedAddresses(model)) {
        TParameter p;
        p.SetAddress(a);
        const double value = refine.GetParValue(a.Histogram, a.Phase, a.Atom, a.Type);
        result.Parameters.push_back(
            {a, model.LabelOf(p), value, refine.GetParEsd(a.Histogram, a.Phase, a.Atom, a.Type)});
    }
    for (const TRunParameter& p : result.Parameters)
        model.SetValue(p.Address, static_cast<float>(p.Value));
    refine.GetPlot(result.Plot, 1);
    result.Finished = refine.FinishedFlag();
    result.Cycles = refine.Cycle();
    refine.CloseRefinement(update);
    result.Status = refine.LastError;
    return result;
}

} // namespace koralix::cli
