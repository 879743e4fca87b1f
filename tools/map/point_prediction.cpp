// Units follow fieldcast's hour: the four coordinates are set in degrees and converted in
// place; solarDeclination is set in degrees every hour and converted by
// setHourAndControlPoint; elevationAngle goes from radians to degrees for the AF lookups and
// back in computeSkyWave. Each step is the core's own function, or its form on terms computed
// once (E layer of the control point, hop angles of the range, ground reflection of the
// ground and frequency), which gives the same values, so those of fieldcast's report.
#include "point_prediction.h"

#include "driver/report.h"
#include "geometry/e_layer.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"
#include "groundwave/ground_wave.h"
#include "skywave/sky_tables.h"
#include "skywave/sky_wave.h"

namespace fieldcast::map {

FieldValue reportedField(const PointResult& point, int hour, int resultMode) {
    if (point.pathKind == PathKind::groundOnly) return {point.groundWaveMvm, point.groundWaveDb};
    const HourResult& h = point.hours[static_cast<std::size_t>(hour)];
    if (resultMode == 2) return {h.combinedMvm, h.combinedDb};
    return {h.skyWaveMvm, h.skyWaveDb};
}

PointPredictor::PointPredictor(const Scenario& scenario)
    : scenario_(scenario),
      state_(scenario.base),
      sameAfTables_(scenario.txAfTable == scenario.rxAfTable) {
    setMidpointGround(state_);  // one ground code and one frequency for the whole run
    groundTerms_ = computeGroundTerms(state_);
}

void PointPredictor::predict(double rxLatDeg, double rxLonDeg, PointResult& result,
                             ReportTarget report) {
    PredictionState& s = state_;
    const PredictionState& base = scenario_.base;
    s.txLat = base.txLat;
    s.txLon = base.txLon;
    s.rxLat = rxLatDeg;
    s.rxLon = rxLonDeg;
    s.txLat *= s.radPerDeg;
    s.txLon *= s.radPerDeg;
    s.rxLat *= s.radPerDeg;
    s.rxLon *= s.radPerDeg;
    computeGroundRange(s);
    result.groundRangeKm = s.groundRangeKm;
    s.reportFile = report.file;  // this point's report, or none
    if (report.file != nullptr) {
        s.receiverIndex = 0;
        s.receivers[0] = *report.site;
        s.hourIndex = 0;
        writeReportHeader(s);
    }
    if (s.groundRangeKm > kMaxRangeKm) {
        result.pathKind = PathKind::beyondRange;
        return;
    }

    if (s.groundRangeKm <= kShortRangeLimitKm) {
        computeShortRangeGroundWave(s);
        result.pathKind = PathKind::groundOnly;
        result.groundWaveMvm = s.groundWaveMvm;
        result.groundWaveDb = s.groundWaveDb;
        if (report.file != nullptr) {
            for (s.hourIndex = 0; s.hourIndex < kHourCount; ++s.hourIndex) writeShortRangeLine(s);
        }
        return;
    }
    s.groundWaveDb = lookupGroundWaveDb(s);
    setGroundWaveMvm(s);
    result.groundWaveMvm = s.groundWaveMvm;
    result.groundWaveDb = s.groundWaveDb;
    setHopCount(s);
    result.pathKind = s.hopCount == 2 ? PathKind::twoHop : PathKind::oneHop;
    computePathMidpoint(s);

    // The control point, declination and activity are the same every hour, and so are the
    // E-layer terms that depend on them alone; the hop range, its angles and the FF factor
    // depend on the range and frequency alone.
    const HopTerms hopTerms = computeHopTerms(s);
    s.ffFactor = lookupFfFactor(s);
    ELayerTerms dayTerms{};
    for (s.hourIndex = 0; s.hourIndex < kHourCount; ++s.hourIndex) {
        setMonthDeclination(s);  // degrees again; converted by setHourAndControlPoint
        setHourAndControlPoint(s);
        if (s.hourIndex == 0) dayTerms = evaluateELayerDayTerms(s);
        computeReflectionHeight(s, dayTerms);
        computeHopPath(s, hopTerms);
        s.elevationAngle *= s.degPerRad;  // degrees for the AF lookups
        s.txAfFactor = lookupAfFactor(s, scenario_.txAfTable);
        // one ground code at both ends: the same table, so the same factor
        s.rxAfFactor = sameAfTables_ ? s.txAfFactor : lookupAfFactor(s, scenario_.rxAfTable);
        s.rcxFactor = lookupRcxFactor(s);
        computeSkyWave(s, groundTerms_);
        HourResult& h = result.hours[static_cast<std::size_t>(s.hourIndex)];
        if (s.hopCount == 2) {
            computeTwoHopSkyWave(s);
            h.skyWaveMvm = s.skyWave2HopMvm;
            h.skyWaveDb = s.skyWave2HopDb;
        } else {
            h.skyWaveMvm = s.skyWave1HopMvm;
            h.skyWaveDb = s.skyWave1HopDb;
        }
        if (s.resultMode == 2) {
            combineWithGroundWave(s);
            h.combinedMvm = s.hopCount == 2 ? s.combined2HopMvm : s.combined1HopMvm;
            h.combinedDb = s.hopCount == 2 ? s.combined2HopDb : s.combined1HopDb;
        }
        if (report.file != nullptr) writeHourReportLine(s);
    }
}

}  // namespace fieldcast::map
