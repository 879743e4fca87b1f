#include "point_prediction.h"

#include <cmath>

#include "driver/report.h"
#include "extended_model.h"

namespace fieldcast::map {

FieldStrength reportedField(const PointResult& point, int hour, int resultMode) {
    if (point.pathKind == PathKind::groundOnly) return {point.groundWaveMvm, point.groundWaveDb};
    const HourResult& h = point.hours[static_cast<std::size_t>(hour)];
    if (resultMode == 2) return {h.combinedMvm, h.combinedDb};
    return {h.skyWaveMvm, h.skyWaveDb};
}

bool controlPointOffPath(const PointResult& point, double rxLonDeg, double txLonDeg) {
    return std::abs(rxLonDeg - txLonDeg) > 180.0 &&
           (point.pathKind == PathKind::oneHop || point.pathKind == PathKind::twoHop);
}

PointPredictor::PointPredictor(const RunInputs& inputs, const RunGrounds* grounds,
                               const GroundWaveCurves* curves)
    : inputs_(inputs),
      grounds_(grounds),
      state_(inputs.base),
      tables_{inputs.txAfTable, inputs.rxAfTable, inputs.txAfTable == inputs.rxAfTable} {
    // one frequency for the whole run, and under --ground codes one midpoint ground:
    // terms.midpointGround is computed by the first sky-wave hour and kept (under
    // --ground coastlines until the midpoint ground changes)
    if (inputs.model.model == PropagationModel::extended) {
        extended_ =
            std::make_unique<ExtendedPredictor>(inputs, grounds, curves, inputs.model.combine);
    }
}

PointPredictor::~PointPredictor() = default;

std::optional<PointRefusal> PointPredictor::predict(double rxLatDeg, double rxLonDeg,
                                                    PointResult& result, ReportTarget report) {
    if (extended_) return extended_->predict(rxLatDeg, rxLonDeg, result);
    PredictionState& s = state_;
    s.txLat = inputs_.base.txLat;  // degrees, converted by startHour
    s.txLon = inputs_.base.txLon;
    if (grounds_ != nullptr) {  // the receiving end's ground and its antenna factors
        s.rxGroundType = grounds_->groundCode(rxLatDeg, rxLonDeg);
        const bool sea = s.rxGroundType == 1;
        tables_.rxAfTable = sea ? grounds_->seaAfTable : grounds_->landAfTable;
        tables_.sameAfTable = sea ? grounds_->seaAfIsTxAf : grounds_->landAfIsTxAf;
    }
    result.rxGroundCode = s.rxGroundType;
    s.hourIndex = 0;
    startHour(s, rxLatDeg, rxLonDeg);
    result.groundRangeKm = s.groundRangeKm;
    s.reportFile = report.file;  // this point's report, or none
    if (report.file != nullptr) {
        s.receiverIndex = 0;
        s.receivers[0] = *report.site;
        writeReportHeader(s);
    }

    terms_.controlPointDay.reset();  // a new control point
    const HourOutcome path = predictPath(s, tables_, terms_);
    switch (path.end) {
        case HourEnd::beyondRange:
            result.pathKind = PathKind::beyondRange;
            return std::nullopt;
        case HourEnd::shortRange:
            result.pathKind = PathKind::groundOnly;
            result.groundWaveMvm = s.groundWaveMvm;
            result.groundWaveDb = s.groundWaveDb;
            if (report.file != nullptr) {
                for (s.hourIndex = 0; s.hourIndex < kHoursPerDay; ++s.hourIndex) {
                    writeShortRangeLine(s);
                }
            }
            return std::nullopt;
        case HourEnd::skyWave:
            break;
        case HourEnd::refused:
        case HourEnd::unread:
            return PointRefusal{refusalLine(path), s.hourIndex};
    }
    result.groundWaveMvm = s.groundWaveMvm;
    result.groundWaveDb = s.groundWaveDb;
    result.pathKind = s.hopCount == 2 ? PathKind::twoHop : PathKind::oneHop;
    if (grounds_ != nullptr) {  // the sky wave's ground reflection at the midpoint
        const int midCode = grounds_->midpointGroundCode(inputs_.base.txLat, inputs_.base.txLon,
                                                         rxLatDeg, rxLonDeg);
        if (midCode != s.midGroundType) {
            s.midGroundType = midCode;
            terms_.midpointGround.reset();  // its constants and terms, set by the next hour
        }
    }
    result.midGroundCode = s.midGroundType;

    for (s.hourIndex = 0; s.hourIndex < kHoursPerDay; ++s.hourIndex) {
        const HourOutcome hour = predictSkyHour(s, tables_, terms_);
        if (hour.end != HourEnd::skyWave) return PointRefusal{refusalLine(hour), s.hourIndex};
        HourResult& h = result.hours[static_cast<std::size_t>(s.hourIndex)];
        const FieldStrength sky = pathSkyWave(s);
        h.skyWaveMvm = sky.mvm;
        h.skyWaveDb = sky.db;
        if (s.resultMode == 2) {
            const FieldStrength combined = pathCombined(s);
            h.combinedMvm = combined.mvm;
            h.combinedDb = combined.db;
        }
        if (report.file != nullptr) writeHourReportLine(s);
    }
    return std::nullopt;
}

}  // namespace fieldcast::map
