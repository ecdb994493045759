// Any input file through the engine: read, computed as calculation
// histograms (no data files) and refined for one cycle. Whatever the model,
// the engine must end with a status code, never a crash or a hang.
#include "Engine.h"
#include "InputFile.h"
#include "Messenger.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    koralix::TRietveld model;
    koralix::RecordingMessenger messenger;
    koralix::ReadInputText(model, std::string(reinterpret_cast<const char*>(data), size), messenger);
    if (!model.Loaded || model.HistogramCount() == 0) return 0;
    for (auto& h : model.Histograms) {
        if (h.JobType == 0) h.JobType = 2;
        if (h.JobType == 1) h.JobType = 3;
        // Keep one run short: a fuzzer input is not a pattern of 50000 points.
        if (h.ThetaStep < 0.01f) h.ThetaStep = 0.01f;
    }
    koralix::engine::TEngine engine;
    if (engine.StartModel(model, "", "") != 0) return 0;
    bool finished = false;
    engine.Iterate(1, finished);
    engine.Close(false);
    return 0;
}
