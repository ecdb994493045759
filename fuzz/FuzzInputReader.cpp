// Any bytes as an input file: the reader must end with a model or a message,
// and whatever it read must write and read again.
#include "InputFile.h"
#include "Messenger.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    koralix::TRietveld model;
    koralix::RecordingMessenger messenger;
    koralix::ReadInputText(model, std::string(reinterpret_cast<const char*>(data), size),
                           messenger);
    if (model.HistogramCount() > 0) {
        std::string text = koralix::InputFileText(model);
        koralix::TRietveld again;
        koralix::ReadInputText(again, text, messenger);
    }
    return 0;
}
