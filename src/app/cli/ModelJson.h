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
// A single as a JSON number in its shortest form (0.1f prints as 0.1).
double JsonNumber(float value);
// Prints JSON whose floats keep their shortest single-precision form.
std::string JsonText(const nlohmann::ordered_json& json);

} // namespace koralix::cli
