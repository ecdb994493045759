// plot: the pattern plot of a refinement or a data file, rendered to a file
// without a display, with the same chart and colours as the workbench window.
#include "Commands.h"
#include "FileTypes.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "PathNames.h"
#include "PlotForm.h"
#include "Refine.h"

#include <QApplication>

#include <charconv>
#include <iostream>
#include <optional>

namespace koralix::cli {

namespace {

struct PlotOptions {
    std::string input, output, data;
    int histogram = 1;
    int cycles = 0;
};

bool ToInt(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<PlotOptions> Parse(const Args& args) {
    PlotOptions o;
    std::vector<std::string> positional;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a == "--data" || a == "--hist" || a == "--cycles") {
            if (k + 1 >= args.size()) return std::nullopt;
            const std::string& v = args[++k];
            if (a == "--data") o.data = v;
            if (a == "--hist" && (!ToInt(v, o.histogram) || o.histogram < 1)) return std::nullopt;
            if (a == "--cycles" && (!ToInt(v, o.cycles) || o.cycles < 0)) return std::nullopt;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return std::nullopt;
    o.input = positional[0];
    o.output = positional[1];
    return o;
}

// Refines the model for the asked cycles and fetches the histogram's pattern.
bool RefinedPlot(const PlotOptions& o, TRietveld& model, TPlotData& plot, int& cycles,
                 Messenger& messenger) {
    ReadModelFile(model, o.input, messenger);
    if (!model.Loaded) return false;
    if (o.histogram > model.HistogramCount()) {
        messenger.Message("The model has no histogram " + std::to_string(o.histogram) + ".");
        return false;
    }
    TRefine refine(messenger);
    refine.Model = &model;
    refine.BaseName = WithoutExtension(o.input);
    std::string companion = DataFileFor(o.input, model.DataFormat);
    refine.DataName = WithoutExtension(!o.data.empty()     ? o.data
                                       : companion.empty() ? o.input
                                                           : companion);
    refine.StartRefinement();
    if (refine.State() != RefineState::Started) return false;
    for (int c = 0; c < o.cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) return false;
    }
    refine.GetPlot(plot, o.histogram);
    cycles = refine.Cycle();
    refine.CloseRefinement(false);
    return plot.PointCount > 0;
}

} // namespace

int RunPlot(const Args& args) {
    auto options = Parse(args);
    if (!options) {
        std::cerr << "usage: koralix-cli plot IN OUT [--data PATH] [--hist N] [--cycles N]\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "koralix-cli";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    StderrMessenger messenger;
    TRietveld model;
    TPlotData plot;
    THistogram* histogram = nullptr;
    int cycles = 0;
    if (IsDataFile(options->input)) {
        plot.ReadDataFile(options->input, 1, FileTypeOf(options->input), messenger);
        if (plot.PointCount <= 0) return 1;
    } else {
        if (!RefinedPlot(*options, model, plot, cycles, messenger)) return 1;
        histogram = &model.Histograms[static_cast<size_t>(options->histogram - 1)];
    }
    TSettings settings;
    TPlotForm form(settings, messenger);
    form.resize(1100, 700);
    form.Data = &plot;
    if (histogram) {
        form.Model = &model;
        form.HistogramNumber = options->histogram;
    }
    form.Cycle = cycles;
    form.Plot();
    form.Unzoom();
    if (!form.SaveImage(QString::fromStdString(options->output), 1100, 700)) {
        messenger.Message("Cannot write " + options->output);
        return 1;
    }
    return 0;
}

} // namespace koralix::cli
