// The model as JSON, keyed by the model's own field names.
#pragma once

#include "Model.h"

#include <nlohmann/json.hpp>

namespace koralix::cli {

// Numbers are written in the shortest form that reads back to the same float.
nlohmann::ordered_json ModelToJson(const TRietveld& model);
nlohmann::ordered_json HistogramToJson(const THistogram& histogram);
nlohmann::ordered_json PhaseToJson(const TPhase& phase);
nlohmann::ordered_json SampleToJson(const TSample& sample);
nlohmann::ordered_json ParameterToJson(const TParameter& parameter);
// Prints JSON whose floats keep their shortest single-precision form.
std::string JsonText(const nlohmann::ordered_json& json);

} // namespace koralix::cli
