// refine: a whole refinement through the engine, from the command line.
#include "Commands.h"
#include "DataFileRead.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "ModelJson.h"
#include "PathNames.h"
#include "Refine.h"
#include "RefineOutput.h"
#include "RefineRun.h"

#include <cctype>
#include <charconv>
#include <iostream>
#include <optional>

namespace koralix::cli {

namespace {

struct RefineOptions {
    std::string input;
    std::string data;
    std::optional<int> cycles;
    std::string engine;
    bool json = false;
    std::string pattern, reflections;
};

std::optional<RefineOptions> ParseOptions(const Args& args) {
    RefineOptions o;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto value = [&]() -> std::optional<std::string> {
            if (k + 1 >= args.size()) return std::nullopt;
            return args[++k];
        };
        if (a == "--json") {
            o.json = true;
        } else if (a == "--pattern" || a == "--reflections") {
            auto v = value();
            if (!v) return std::nullopt;
            (a == "--pattern" ? o.pattern : o.reflections) = *v;
        } else if (a == "--data" || a == "--engine" || a == "--cycles") {
            auto v = value();
            if (!v) return std::nullopt;
            if (a == "--data") o.data = *v;
            if (a == "--engine") o.engine = *v;
            if (a == "--cycles") {
                int n = 0;
                auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
                if (ec != std::errc() || end != v->data() + v->size() || n < 0) return std::nullopt;
                o.cycles = n;
            }
        } else if (o.input.empty() && a.rfind("--", 0) != 0) {
            o.input = a;
        } else {
            return std::nullopt;
        }
    }
    if (o.input.empty()) return std::nullopt;
    return o;
}

std::string Number(float value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

nlohmann::ordered_json ParameterValues(TRefine& refine, const TRietveld& model) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int n = 1; n <= model.Parameters.FreeCount(); ++n) {
        const TAddress a = model.Parameters.Free[static_cast<size_t>(n - 1)].Address();
        list.push_back(
            {{"label", model.ParameterLabel(n)},
             {"value", JsonNumber(refine.GetParValue(a.Histogram, a.Phase, a.Atom, a.Type))},
             {"esd", JsonNumber(refine.GetParEsd(a.Histogram, a.Phase, a.Atom, a.Type))}});
    }
    return list;
}

// The engine's data-file messages ("Error opening data file", "Error reading
// data file: ...") do not say which file they mean.
constexpr int DataOpenStatus = 6;
constexpr int FirstDataReadStatus = 21, LastDataReadStatus = 23;

void SayWhichDataFile(int status, const std::string& chosen, const std::string& dataName,
                      const TRietveld& model) {
    const bool opening = status == DataOpenStatus;
    if (!opening && (status < FirstDataReadStatus || status > LastDataReadStatus)) return;
    // The engine tries the extension in either case; the lower case is the one shown.
    std::string extension = DataFormatExtension(model.DataFormat);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string tried = chosen.empty() ? dataName + extension : chosen;
    if (opening)
        std::cerr << "koralix-cli: the data file " << tried
                  << " could not be opened; name one with --data.\n";
    else
        std::cerr << "koralix-cli: the data file " << tried
                  << " could not be read in the model's data format (DataFormat "
                  << model.DataFormat << ").\n";
}

} // namespace

int RunRefine(const Args& args) {
    auto options = ParseOptions(args);
    if (!options) {
        std::cerr
            << "usage: koralix-cli refine IN [--data PATH] [--cycles N] [--engine LIB] [--json] "
               "[--pattern FILE] [--reflections FILE]\n";
        return 2;
    }
    StderrMessenger messenger;
    TRietveld model;
    ReadModelFile(model, options->input, messenger);
    if (!model.Loaded) return 1;

    TRefine refine(messenger);
    if (!options->engine.empty()) refine.LibraryPath = options->engine;
    refine.Model = &model;
    refine.BaseName = WithoutExtension(options->input);
    const std::string chosen = ChosenDataFile(options->input, options->data, model);
    refine.DataName = EngineDataNameFor(model, options->input, chosen, refine, messenger);
    refine.StartRefinement();
    if (refine.State() != RefineState::Started) {
        SayWhichDataFile(refine.LastError, chosen, refine.DataName, model);
        return 1;
    }

    const int cycles = options->cycles.value_or(model.Cycles);
    nlohmann::ordered_json histograms = nlohmann::ordered_json::array();
    for (int c = 1; c <= cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) return 1;
        if (options->json) continue;
        std::cout << "cycle " << c;
        for (int h = 1; h <= model.HistogramCount(); ++h)
            std::cout << " H" << h << " Rp=" << Number(refine.GetRp(h))
                      << " Rwp=" << Number(refine.GetRwp(h))
                      << " chi2=" << Number(refine.GetChi2(h));
        std::cout << '\n' << std::flush;
    }
    for (int h = 1; h <= model.HistogramCount(); ++h)
        histograms.push_back({{"Rp", JsonNumber(refine.GetRp(h))},
                              {"Rwp", JsonNumber(refine.GetRwp(h))},
                              {"chi2", JsonNumber(refine.GetChi2(h))}});
    nlohmann::ordered_json parameters = ParameterValues(refine, model);
    const bool finished = refine.FinishedFlag();
    const int cyclesRun = refine.Cycle();
    refine.CloseRefinement(true);
    if (refine.LastError == 0 &&
        !WriteRefinementOutput(refine.BaseName + ".upd", refine.DataName, options->pattern,
                               options->reflections, messenger))
        return 1;
    if (options->json) {
        nlohmann::ordered_json result = {{"cycles", cyclesRun},
                                         {"finished", finished},
                                         {"status", refine.LastError},
                                         {"histograms", histograms},
                                         {"parameters", parameters}};
        std::cout << JsonText(result) << '\n';
    }
    return refine.LastError == 0 ? 0 : 1;
}

} // namespace koralix::cli
