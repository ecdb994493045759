// Any input file through the engine: its histograms computed as calculations,
// that pattern written as the observed data, and one least-squares cycle
// refined against it from the model as read. Whatever the model, the engine
// must end with a status code, never a crash or a hang.
#include "Engine.h"
#include "InputFile.h"
#include "Messenger.h"
#include "NumberFormat.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Writes the calculated patterns of `model` as x,y files of `stem`; false
// when the engine does not compute them.
bool WriteCalculatedData(const koralix::TRietveld& model, const std::string& stem) {
    koralix::TRietveld calc = model;
    for (auto& h : calc.Histograms)
        h.JobType = h.JobType == 1 || h.JobType == 3 ? 3 : 2;
    koralix::engine::TEngine engine;
    if (engine.StartModel(calc, "", "") != 0) return false;
    for (int h = 1; h <= calc.HistogramCount(); ++h) {
        const auto& x = engine.Data(h).X;
        const auto& y = engine.Calculated(h);
        std::string text = "Calculated pattern\n";
        for (size_t i = 0; i < x.size(); ++i)
            // Some counts beside the calculation, so that the fit has work to do.
            text += koralix::FixedText(x[i], 5) + " " +
                    koralix::FixedText(y[i] * (1 + 0.05 * (static_cast<int>(i % 7) - 3)) + 1, 3) + "\n";
        std::ofstream(stem + std::to_string(h) + ".xy", std::ios::binary) << text;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    koralix::TRietveld model;
    koralix::RecordingMessenger messenger;
    koralix::ReadInputText(model, std::string(reinterpret_cast<const char*>(data), size), messenger);
    if (!model.Loaded || model.HistogramCount() == 0) return 0;
    for (auto& h : model.Histograms) {
        // Keep one run short: a fuzzer input is not a pattern of 50000 points.
        if (h.ThetaStep < 0.01f) h.ThetaStep = 0.01f;
        // Refined against the data written below, whatever the file asked for.
        if (h.JobType == 2) h.JobType = 0;
        if (h.JobType == 3) h.JobType = 1;
    }
    static const std::string stem =
        (std::filesystem::temp_directory_path() / "koralix_fuzz_engine").string();
    if (!WriteCalculatedData(model, stem)) return 0;
    model.DataFormat = 5; // x,y files
    model.SeparateData = 1;
    koralix::engine::TEngine engine;
    if (engine.StartModel(model, stem, "") != 0) return 0;
    bool finished = false;
    engine.Iterate(1, finished);
    engine.Close(false);
    return 0;
}
