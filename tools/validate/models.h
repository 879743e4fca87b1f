// The prediction models the anchors are run on. Each takes the scenario (tables, frequency,
// month, activity code; the transmitter is set from the path) and a path, and gives the sky
// wave of every hour. A new model is one more entry of kModels.
#pragma once

#include <array>

#include "path_prediction.h"

namespace fieldcast::validation {

struct Model {
    const char* name;
    tables::PathPrediction (*predict)(const map::Scenario& scenario, const tables::PathEnds& path);
    double longestRangeKm;  // the model's paths reach this far
};

// "standard": fieldcast's own hour (one hop to 2000 km, two beyond, to 4000 km).
inline constexpr std::array<Model, 1> kModels = {{
    {"standard", tables::predictPath, 4000.0},
}};

}  // namespace fieldcast::validation
