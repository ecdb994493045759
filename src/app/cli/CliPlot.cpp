// plot: the pattern plot of a refinement or a data file, rendered to a file
// without a display, with the same chart and colours as the workbench window.
#include "Commands.h"
#include "FileTypes.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "PathNames.h"
#include "PlotForm.h"
#include "PublicationPlot.h"
#include "Refine.h"
#include "StartAndCycle.h"
#include "VendorData.h"

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
    bool publication = false;
    double widthMm = TPublicationStyle().WidthMm;
};

bool ToMillimetres(const std::string& text, double& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 20 && value <= 500;
}

bool ToInt(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<PlotOptions> Parse(const Args& args) {
    PlotOptions o;
    std::vector<std::string> positional;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a == "--data" || a == "--hist" || a == "--cycles" || a == "--style" ||
            a == "--width-mm") {
            if (k + 1 >= args.size()) return std::nullopt;
            const std::string& v = args[++k];
            if (a == "--data") o.data = v;
            if (a == "--style" && v != "publication" && v != "window") return std::nullopt;
            if (a == "--style") o.publication = v == "publication";
            if (a == "--width-mm" && !ToMillimetres(v, o.widthMm)) return std::nullopt;
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
    // Neither data nor a model by its extension: a plot names the file, as it
    // may have been taken for a diffractometer file first.
    if (!IsModelFileType(FileTypeOf(o.input))) {
        messenger.Message(o.input + ": Unknown File type. Please check the file extension.");
        return false;
    }
    ReadModelFile(model, o.input, messenger);
    if (!model.Loaded) return false;
    if (o.histogram > model.HistogramCount()) {
        messenger.Message("The model has no histogram " + std::to_string(o.histogram) + ".");
        return false;
    }
    TRefine refine(messenger);
    // A plot writes nothing but its image: an empty base name keeps the
    // engine's listing in the driver's private folder.
    if (!StartAndCycle(refine, model, o.input, o.data, "", o.cycles, messenger)) return false;
    refine.GetPlot(plot, o.histogram);
    cycles = refine.Cycle();
    refine.CloseRefinement(false);
    return plot.PointCount > 0;
}

int WritePublicationPlot(const PlotOptions& o, const TPlotData& plot, const THistogram* histogram,
                         const TRietveld& model, Messenger& messenger) {
    QStringList phases;
    for (const TPhase& phase : model.Phases)
        phases << QString::fromStdString(phase.Name);
    TPublicationStyle style;
    style.WidthMm = o.widthMm;
    const std::string problem =
        SavePublicationPlot(plot, histogram, phases, style, QString::fromStdString(o.output));
    if (problem.empty()) return 0;
    messenger.Message(problem);
    return 1;
}

} // namespace

int RunPlot(const Args& args) {
    auto options = Parse(args);
    if (!options) {
        std::cerr << "usage: koralix-cli plot IN OUT [--data PATH] [--hist N] [--cycles N] "
                     "[--style window|publication] [--width-mm W (20 to 500)]\n";
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
    std::string error;
    if (IsDataFile(options->input)) {
        if (const std::string reason = UnreadableReason(options->input); !reason.empty()) {
            messenger.Message(reason);
            return 1;
        }
        plot.ReadDataFile(options->input, 1, FileTypeOf(options->input), messenger);
        if (plot.PointCount <= 0) return 1;
    } else if (!VendorFormatOf(options->input).empty()) {
        if (!ReadVendorData(options->input, plot, error)) {
            messenger.Message(error);
            return 1;
        }
    } else {
        if (!RefinedPlot(*options, model, plot, cycles, messenger)) return 1;
        histogram = &model.Histograms[static_cast<size_t>(options->histogram - 1)];
    }
    if (options->publication)
        return WritePublicationPlot(*options, plot, histogram, model, messenger);
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
    // The form gives the message when the image is not written.
    return form.SaveImage(QString::fromStdString(options->output), 1100, 700) ? 0 : 1;
}

} // namespace koralix::cli
