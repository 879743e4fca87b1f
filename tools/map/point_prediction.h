// The 24 hours of one receiving point through the core's hour (hour/hour.h) on the run's
// tables in memory: the path's part once, then the sky wave of each hour. What depends on the
// run alone (the midpoint ground's terms) or on the point alone (the E layer's terms of the
// control point, the hop terms, the FF factor) is computed once, which gives the values of
// fieldcast's report. Under --ground coastlines each point takes its own receiving-point and
// midpoint grounds from the mask (coastline_grounds.h); the per-run terms are then kept while
// the midpoint ground stays.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "coastline_grounds.h"
#include "hour/hour.h"
#include "record/prediction_state.h"
#include "run_inputs.h"

namespace fieldcast::map {

class ExtendedPredictor;
struct GroundWaveCurves;

enum class PathKind : std::uint8_t {
    groundOnly,  // 50 km or less: the closed-form ground wave alone
    oneHop,
    twoHop,
    beyondRange,  // over 4000 km (12,000 km in the extended model): no value at all
    skyWave,      // the extended model: every hop order that reaches the point
};

struct HourResult {
    double skyWaveMvm;  // the hop count's sky wave (extended: every order summed)
    double skyWaveDb;
    double combinedMvm;  // result mode 2 only (extended: always)
    double combinedDb;
    std::uint8_t strongestHopOrder = 0;  // extended model: the order that carries most power
    std::uint8_t hopOrderCount = 0;      // extended model: the orders summed
};

struct PointResult {
    double groundRangeKm;
    PathKind pathKind;
    int rxGroundCode;      // the receiving point's ground code used
    int midGroundCode;     // the midpoint's, on sky-wave paths; else 0 (not used)
    double groundWaveMvm;  // not for beyondRange
    double groundWaveDb;
    std::array<HourResult, kHoursPerDay> hours;  // oneHop, twoHop and skyWave only
};

// The field that fieldcast reports for the hour: ground wave, sky wave, or their
// combination under result mode 2.
FieldStrength reportedField(const PointResult& point, int hour, int resultMode);

// fieldcast's path midpoint, the sky wave's control point, takes its direction from the
// longitudes as written: on a sky-wave path of one or two hops whose receiving point is written
// more than half a turn of longitude from the transmitter it lies off the path (both runs warn
// of such points).
bool controlPointOffPath(const PointResult& point, double rxLonDeg, double txLonDeg);

// Where a classic report of the point goes; name bytes as the report prints them.
struct ReportTarget {
    std::FILE* file;
    const ReceiverSite* site;
};

// An hour of the point that fieldcast refuses: its console line, and the hour.
struct PointRefusal {
    std::string line;
    int hourIndex;
};

// One worker's predictor: a record of its own, copied from the run's inputs once. Aligned to
// a cache line so that the records of two workers never share one.
class alignas(64) PointPredictor {
  public:
    // `grounds`: the grounds of each point from the coastlines; null for the run's codes.
    // Under the extended model (inputs.model) the points go to an ExtendedPredictor, with
    // `curves` for its mixed-path ground wave under --ground coastlines.
    explicit PointPredictor(const RunInputs& inputs, const RunGrounds* grounds = nullptr,
                            const GroundWaveCurves* curves = nullptr);
    ~PointPredictor();

    // All 24 hours at (latDeg, lonDeg); writes the report too when `report.file` is set
    // (the classic model only).
    // Returns the refusal of the first hour that fieldcast refuses; the result is then
    // incomplete.
    std::optional<PointRefusal> predict(double rxLatDeg, double rxLonDeg, PointResult& result,
                                        ReportTarget report = {nullptr, nullptr});

    int resultMode() const { return state_.resultMode; }

  private:
    const RunInputs& inputs_;
    const RunGrounds* grounds_;
    PredictionState state_;
    HourTables tables_;
    HourTerms terms_;
    std::unique_ptr<ExtendedPredictor> extended_;
};

}  // namespace fieldcast::map
