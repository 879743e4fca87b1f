// What the prediction gives on a path, hour by hour, through the core's hour (hour/hour.h) on
// tables in memory, as fieldcast and the map tool compute it, with the hop geometry of each
// hour beside it. The night fit of the reflection tables and the validation against
// measurements both ask it, so that both see exactly what the program computes.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "record/constants.h"
#include "run_inputs.h"

namespace fieldcast::tables {

struct Site {
    double latDeg;
    double lonDeg;
};

// The point `distanceKm` from `from` along the initial bearing `bearingDeg`, on the program's
// sphere of ground ranges.
Site destination(Site from, double distanceKm, double bearingDeg);

// The tables and codes of `dataDir` for land paths (ground codes 2 at both ends and the
// midpoint), 1 kW, the sky wave alone, at `freqKhz` in `month` with activity code `code`:
// every parameter is given, so no scenario file is read. Read by fieldcast's readers with its
// checks; throws map::DataError with fieldcast's line.
void loadLandPathInputs(const std::filesystem::path& dataDir, double freqKhz, int month, int code,
                        map::RunInputs& inputs);

// A path of `groundRangeKm` whose midpoint is `midpoint`, along `bearingDeg` there.
struct PathEnds {
    Site tx;
    Site rx;
};
PathEnds pathAround(Site midpoint, double groundRangeKm, double bearingDeg);

struct HourOnPath {
    double skyWaveDb;            // the hop count's sky wave, dB(uV/m)
    double freqCosIncidenceKhz;  // as looked up in the RCX table (not below 5 kHz)
    double cosIncidence;         // of the hop at the ionosphere
    double cosSolarZenith;       // at the control point
};

struct PathPrediction {
    double groundRangeKm;
    double midLatDeg;  // the program's path midpoint
    double midLonDeg;
    int hopCount;
    std::array<HourOnPath, kHoursPerDay> hours;
};

// The inputs' transmitter is moved to `path.tx`; `inputs` are otherwise used as they stand.
// Paths of 50 km or less and beyond 4000 km have no sky wave: std::invalid_argument; an hour
// that fieldcast refuses: map::DataError with fieldcast's line.
PathPrediction predictPathHours(const map::RunInputs& inputs, const PathEnds& path);

// The sky wave the tables would give with |R| = 1 in every cell: what the reflection
// coefficient multiplies.
PathPrediction predictPathWithUnitReflection(const map::RunInputs& inputs, const PathEnds& path);

// Cos(solar zenith) at or below which an hour counts as night: the sun 10 degrees or more
// below the horizon.
constexpr double kNightCosSolarZenith = -0.17364817766693033;

// The median of the values (the mean of the middle two of an even count), or NaN of none.
double median(std::vector<double> values);

// The median of the night hours' sky wave (dB), or NaN when no hour is night.
double medianNightSkyWaveDb(const PathPrediction& prediction);

}  // namespace fieldcast::tables
