#include "RefineOutput.h"

#include "Engine.h"
#include "InputFile.h"
#include "NumberFormat.h"
#include "SafeFile.h"

#include <sstream>

namespace koralix::cli {

namespace {

std::string PatternText(engine::TEngine& engine) {
    std::string text;
    for (int h = 1; h <= engine.HistogramCount(); ++h) {
        if (h > 1) text += "\n";
        const auto& data = engine.Data(h);
        const auto& calc = engine.Calculated(h);
        const auto& background = engine.Background(h);
        for (size_t i = 0; i < data.X.size(); ++i)
            text += GeneralText(data.X[i], 8) + " " +
                    GeneralText(data.Calculation ? calc[i] : data.Y[i], 8) + " " +
                    GeneralText(calc[i], 8) + " " + GeneralText(background[i], 8) + "\n";
    }
    return text;
}

std::string ReflectionText(engine::TEngine& engine) {
    std::string text;
    for (int h = 1; h <= engine.HistogramCount(); ++h) {
        if (h > 1) text += "\n";
        for (const engine::TReflectionRow& r : engine.ReflectionRows(h))
            text += std::to_string(r.Phase) + " " + std::to_string(r.H[0]) + " " +
                    std::to_string(r.H[1]) + " " + std::to_string(r.H[2]) + " " +
                    GeneralText(r.TwoTheta, 8) + " " + GeneralText(r.D, 8) + " " +
                    std::to_string(r.Multiplicity) + " " + GeneralText(r.F2, 8) + "\n";
    }
    return text;
}

} // namespace

bool WriteRefinementOutput(const std::string& updFile, const std::string& dataName,
                           const std::string& patternFile, const std::string& reflectionsFile,
                           Messenger& messenger) {
    if (patternFile.empty() && reflectionsFile.empty()) return true;
    TRietveld model;
    RecordingMessenger reading;
    ReadInputFile(model, updFile, reading);
    engine::TEngine engine;
    if (!model.Loaded || engine.StartModel(model, dataName, "") != 0) {
        messenger.Message("Cannot compute the refined pattern from " + updFile);
        return false;
    }
    try {
        if (!patternFile.empty()) WriteFileSafely(patternFile, PatternText(engine));
        if (!reflectionsFile.empty()) WriteFileSafely(reflectionsFile, ReflectionText(engine));
    } catch (const std::exception& e) {
        messenger.Message(e.what());
        return false;
    }
    return true;
}

} // namespace koralix::cli
