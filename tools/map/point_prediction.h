// The 24 hours of one receiving point, with the arithmetic of fieldcast's hour in its order,
// on tables already in memory. What depends on the point alone (range, midpoint, ground
// wave, hop count, FF factor) is computed once per point; the E layer and all that follows
// from it once per hour.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "record/prediction_state.h"
#include "scenario.h"
#include "skywave/sky_wave.h"

namespace fieldcast::map {

constexpr int kHourCount = 24;

enum class PathKind : std::uint8_t {
    groundOnly,  // 50 km or less: the closed-form ground wave alone
    oneHop,
    twoHop,
    beyondRange,  // over 4000 km: outside the method, no value at all
};

struct HourResult {
    double skyWaveMvm;  // the hop count's sky wave
    double skyWaveDb;
    double combinedMvm;  // result mode 2 only
    double combinedDb;
};

struct PointResult {
    double groundRangeKm;
    PathKind pathKind;
    double groundWaveMvm;  // not for beyondRange
    double groundWaveDb;
    std::array<HourResult, kHourCount> hours;  // oneHop and twoHop only
};

// The field that fieldcast reports for the hour: ground wave, sky wave, or their
// combination under result mode 2.
struct FieldValue {
    double mvm;
    double db;
};
FieldValue reportedField(const PointResult& point, int hour, int resultMode);

// Where a classic report of the point goes; name bytes as the report prints them.
struct ReportTarget {
    std::FILE* file;
    const ReceiverSite* site;
};

// One worker's predictor: a record of its own, copied from the scenario once.
class PointPredictor {
  public:
    explicit PointPredictor(const Scenario& scenario);

    // All 24 hours at (latDeg, lonDeg); writes the report too when `report.file` is set.
    void predict(double rxLatDeg, double rxLonDeg, PointResult& result,
                 ReportTarget report = {nullptr, nullptr});

    int resultMode() const { return state_.resultMode; }

  private:
    const Scenario& scenario_;
    PredictionState state_;
    bool sameAfTables_;
    GroundTerms groundTerms_;
};

}  // namespace fieldcast::map
