#include "RefineRun.h"

#include "DataLink.h"
#include "FileTypes.h"
#include "FullProfData.h"
#include "GsasRefinement.h"
#include "PathNames.h"
#include "Refine.h"
#include "VendorData.h"

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

std::string ChosenDataFile(const std::string& input, const std::string& dataFile,
                           const TRietveld& model) {
    if (!dataFile.empty()) return dataFile;
    const std::string companion = DataFileFor(input, model.DataFormat);
    if (companion.empty() && FileTypeOf(input) == FileType::GsasExp) return GsasDataFile(input);
    if (companion.empty() && FileTypeOf(input) == FileType::FullProf)
        return FullProfDataFile(input);
    return companion;
}

std::string EngineDataNameFor(TRietveld& model, const std::string& input,
                              const std::string& dataFile, TRefine& refine, Messenger& messenger) {
    if (dataFile.empty()) return WithoutExtension(input);
    const std::string data = PrepareDataFile(model, dataFile, messenger);
    return EngineDataName(data, model.DataFormat, refine.TempDirectory());
}

TRunResult RunRefinement(TRietveld& model, const std::string& input, const std::string& dataFile,
                         const std::string& base, int cycles, bool update, Messenger& messenger) {
    TRunResult result;
    TRefine refine(messenger);
    refine.Model = &model;
    refine.BaseName = base;
    refine.DataName =
        EngineDataNameFor(model, input, ChosenDataFile(input, dataFile, model), refine, messenger);
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
