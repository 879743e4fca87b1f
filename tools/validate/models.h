// The prediction models the anchors are run on. Each takes the run inputs (tables, frequency,
// month, activity code; the transmitter is set from the path) and a path, and gives the sky
// wave of every hour. A new model is one more entry of kModels.
#pragma once

#include <array>
#include <span>

#include "path_prediction.h"

namespace fieldcast::validation {

struct Model {
    const char* name;
    tables::PathPrediction (*predict)(const map::RunInputs& inputs, const tables::PathEnds& path);
    std::span<const double> nightRangesKm;  // path lengths of its P.1147 night anchors
};

// One hop, where the standard model is checked; its two hops beyond 2000 km are not.
inline constexpr std::array<double, 6> kOneHopRangesKm = {300.0,  500.0,  700.0,
                                                          1000.0, 1500.0, 1990.0};

// "standard": fieldcast's own hour (one hop to 2000 km, two beyond, to 4000 km).
inline constexpr std::array<Model, 1> kModels = {{
    {"standard", tables::predictPathHours, kOneHopRangesKm},
}};

}  // namespace fieldcast::validation
