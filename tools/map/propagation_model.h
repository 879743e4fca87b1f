// Which model a run of fieldcast-map predicts with (--model) and how the extended model sums
// its waves (--combine).
#pragma once

#include <cstdint>
#include <string>

namespace fieldcast::map {

enum class PropagationModel : std::uint8_t {
    classic,   // fieldcast's method: one hop up to 2000 km, two up to 4000 km
    extended,  // every hop order that reaches the point, up to 12,000 km (extended_model.h)
};

enum class CombineRule : std::uint8_t {
    power,   // the power sum: the median for random relative phases, no fringes
    phasor,  // the phasor sum with the phases of the path differences and ground reflections
};

struct ModelChoice {
    PropagationModel model = PropagationModel::classic;
    CombineRule combine = CombineRule::power;
};

// "classic", "extended"; "power", "phasor".
const char* modelName(PropagationModel model);
const char* combineName(CombineRule combine);

// The model in one line, as the metadata, the grids' attributes and the page say it.
std::string modelDescription(const ModelChoice& choice);

// The ground range beyond which the model gives no value, km.
double noValueRangeKm(PropagationModel model);

// The ground range at or below which the model gives the ground wave alone, km: the classic
// closed form's 50 km; 0 for the extended model, whose sky wave reaches every point but the
// transmitter's own.
double groundOnlyRangeKm(PropagationModel model);

}  // namespace fieldcast::map
