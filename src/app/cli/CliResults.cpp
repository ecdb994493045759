// fourier and rdf: the maps and radial distribution functions of a refined
// phase, computed by the engine after N cycles, printed as JSON.
#include "Commands.h"
#include "FileTypes.h"
#include "FourierLayout.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "ModelJson.h"
#include "PathNames.h"
#include "Refine.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <vector>

namespace koralix::cli {

namespace {

struct ResultOptions {
    std::string input, data, out;
    int cycles = 0, histogram = 1, phase = 1, type = 0, function = 1;
};

bool ToInt(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Options of both commands; `allowed` names the ones a command takes.
std::optional<ResultOptions> Parse(const Args& args, const std::vector<std::string>& allowed) {
    ResultOptions o;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a.rfind("--", 0) != 0) {
            if (!o.input.empty()) return std::nullopt;
            o.input = a;
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), a) == allowed.end() || k + 1 >= args.size())
            return std::nullopt;
        const std::string& v = args[++k];
        bool ok = true;
        if (a == "--data") o.data = v;
        if (a == "--out") o.out = v;
        if (a == "--cycles") ok = ToInt(v, o.cycles) && o.cycles >= 0;
        if (a == "--hist") ok = ToInt(v, o.histogram) && o.histogram >= 1;
        if (a == "--phase") ok = ToInt(v, o.phase) && o.phase >= 1;
        if (a == "--type") ok = ToInt(v, o.type) && o.type >= 0 && o.type <= 5;
        if (a == "--function") ok = ToInt(v, o.function) && o.function >= 1 && o.function <= 5;
        if (!ok) return std::nullopt;
    }
    if (o.input.empty()) return std::nullopt;
    return o;
}

// Reads the model, starts the engine and runs the asked cycles; false with a
// message when any of it fails.
bool Refined(const ResultOptions& o, TRietveld& model, TRefine& refine, Messenger& messenger) {
    ReadModelFile(model, o.input, messenger);
    if (!model.Loaded) return false;
    if (o.histogram > model.HistogramCount() || o.phase > model.PhaseCount()) {
        messenger.Message("The model has no histogram " + std::to_string(o.histogram) +
                          " or no phase " + std::to_string(o.phase) + ".");
        return false;
    }
    refine.Model = &model;
    refine.BaseName = WithoutExtension(o.input);
    const std::string companion = DataFileFor(o.input, model.DataFormat);
    refine.DataName = WithoutExtension(!o.data.empty()     ? o.data
                                       : companion.empty() ? o.input
                                                           : companion);
    refine.StartRefinement();
    if (refine.State() != RefineState::Started) return false;
    for (int c = 0; c < o.cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) return false;
    }
    return true;
}

bool WriteMap(const std::string& file, const std::vector<float>& map) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (float v : map) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        const char bytes[4] = {char(bits & 0xff), char((bits >> 8) & 0xff),
                               char((bits >> 16) & 0xff), char((bits >> 24) & 0xff)};
        out.write(bytes, 4);
    }
    return static_cast<bool>(out);
}

} // namespace

int RunFourier(const Args& args) {
    auto o = Parse(args, {"--data", "--cycles", "--hist", "--phase", "--type", "--out"});
    if (!o) {
        std::cerr << "usage: koralix-cli fourier IN [--data PATH] [--cycles N] [--hist H] "
                     "[--phase P] [--type 0..5] [--out FILE]\n";
        return 2;
    }
    StderrMessenger messenger;
    TRietveld model;
    TRefine refine(messenger);
    if (!Refined(*o, model, refine, messenger)) return 1;
    auto* getfour = reinterpret_cast<engine::GetFourFn*>(refine.LibrarySymbol("getfour"));
    if (!getfour) {
        messenger.Message("Fourier failed");
        return 1;
    }
    std::vector<float> map(MapSize, 0.0f);
    int32_t hist = o->histogram, phase = o->phase, axis = 3, type = o->type, open = 1, status = 0;
    float min = 0, max = 0;
    getfour(&hist, &phase, &axis, &type, &open, &min, &max, map.data(), &status);
    refine.CloseRefinement(false);
    if (status != 0) {
        messenger.Message(RefineStatusMessage(status));
        return 1;
    }
    if (!o->out.empty() && !WriteMap(o->out, map)) {
        messenger.Message("Cannot write " + o->out);
        return 1;
    }
    nlohmann::ordered_json peaks = nlohmann::ordered_json::array();
    for (const TMapPeak& p : MapPeaks(map.data(), axis, 20))
        peaks.push_back({{"X", JsonNumber(float(p.X))},
                         {"Y", JsonNumber(float(p.Y))},
                         {"Z", JsonNumber(float(p.Z))},
                         {"Height", JsonNumber(float(p.Height))}});
    const nlohmann::ordered_json result = {
        {"Min", JsonNumber(min)}, {"Max", JsonNumber(max)}, {"Peaks", peaks}};
    std::cout << JsonText(result) << '\n';
    return 0;
}

int RunRdf(const Args& args) {
    auto o = Parse(args, {"--data", "--cycles", "--phase", "--function"});
    if (!o) {
        std::cerr << "usage: koralix-cli rdf IN [--data PATH] [--cycles N] [--phase P] "
                     "[--function 1..5]\n";
        return 2;
    }
    StderrMessenger messenger;
    TRietveld model;
    TRefine refine(messenger);
    if (!Refined(*o, model, refine, messenger)) return 1;
    std::vector<float> buffer(engine::RdfLength, 0.0f);
    refine.GetRdf(buffer.data(), o->function, o->phase - 1);
    refine.CloseRefinement(false);
    nlohmann::ordered_json r = nlohmann::ordered_json::array();
    nlohmann::ordered_json values = nlohmann::ordered_json::array();
    for (int i = 0; i < 1000; ++i) {
        r.push_back(JsonNumber(0.01f * static_cast<float>(i)));
        values.push_back(JsonNumber(buffer[size_t(i)]));
    }
    const nlohmann::ordered_json result = {
        {"Function", o->function}, {"R", r}, {"Values", values}};
    std::cout << JsonText(result) << '\n';
    return 0;
}

} // namespace koralix::cli
