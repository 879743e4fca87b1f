// Units follow the record's notation: the four coordinates turn into radians in startHour;
// solarDeclination is set in degrees every hour and turned into radians by
// setHourAndControlPoint; elevationAngle goes from radians to degrees for the AF lookups and
// back in computeSkyWave.
#include "hour/hour.h"

#include <cmath>
#include <cstdio>

#include "geometry/great_circle.h"
#include "groundwave/ground_wave.h"
#include "record/file_names.h"
#include "skywave/sky_tables.h"

namespace fieldcast {

namespace {

HourOutcome ended(HourEnd end) { return HourOutcome{end, HourRefusal::none, nullptr, false}; }

HourOutcome refusedBy(HourRefusal refusal, const char* fileName) {
    return HourOutcome{HourEnd::refused, refusal, fileName, false};
}

bool hasRead(const HourTables& tables, HourFiles files) { return tables.filesRead >= files; }

// The field the hour reports is a number: the sky-wave product or the combination may leave
// the doubles although every factor is finite. 0 mV/m, whose dB value is -inf, is a field.
bool reportedFieldIsNumber(const PredictionState& state) {
    const FieldStrength field = reportedSkyField(state);
    return std::isfinite(field.mvm) && !std::isnan(field.db);
}

}  // namespace

void startHour(PredictionState& state, double rxLatDeg, double rxLonDeg) {
    state.rxLat = rxLatDeg;
    state.rxLon = rxLonDeg;
    state.txLat *= state.radPerDeg;  // each set afresh before, so converted once per hour
    state.txLon *= state.radPerDeg;
    state.rxLat *= state.radPerDeg;
    state.rxLon *= state.radPerDeg;
    computeGroundRange(state);
}

PathRegime pathRegime(const PredictionState& state) {
    if (state.groundRangeKm > kMaxRangeKm) return PathRegime::beyondRange;  // 4000 itself goes on
    if (state.groundRangeKm <= kShortRangeLimitKm) return PathRegime::shortRange;
    return PathRegime::skyWave;
}

bool isUsableFactor(double factor) { return std::isfinite(factor) && factor > 0.0; }

std::string refusalLine(const HourOutcome& outcome) {
    char line[160];
    switch (outcome.refusal) {
        case HourRefusal::groundWave:
            std::snprintf(line, sizeof line, "%s gives no finite field strength at this hour !!",
                          outcome.refusedFile);
            return line;
        case HourRefusal::factor:
            std::snprintf(line, sizeof line, "%s gives no finite factor above 0 at this hour !!",
                          outcome.refusedFile);
            return line;
        case HourRefusal::field:
            return "The field strength of this hour is not a finite number"
                   " (P.dat, FREQ.dat and the FF, AF, RCX tables) !!";
        case HourRefusal::none:
            break;
    }
    return {};
}

HourOutcome predictPath(PredictionState& state, const HourTables& tables, HourTerms& terms) {
    const PathRegime regime = pathRegime(state);
    if (regime == PathRegime::beyondRange) return ended(HourEnd::beyondRange);
    if (!hasRead(tables, HourFiles::groundCodes)) return ended(HourEnd::unread);
    if (regime == PathRegime::skyWave && !hasRead(tables, HourFiles::groundWaveCurves)) {
        return ended(HourEnd::unread);
    }
    switch (computeGroundWave(state, tables.groundWaveCurves)) {
        case GroundWaveOutcome::shortRange:
            return ended(HourEnd::shortRange);
        case GroundWaveOutcome::notFinite:
            return refusedBy(HourRefusal::groundWave, curveFileName(state.txGroundType));
        case GroundWaveOutcome::fromCurves:
            break;
    }

    if (!hasRead(tables, HourFiles::pathCodes)) return ended(HourEnd::unread);
    setHopCount(state);
    computePathMidpoint(state);
    terms.hop = computeHopTerms(state);  // sets hopRangeKm
    terms.lastHeight.reset();            // heights of another path

    if (!hasRead(tables, HourFiles::freqDistTables)) return ended(HourEnd::unread);
    state.ffFactor = lookupFfFactor(state);
    if (!isUsableFactor(state.ffFactor)) return refusedBy(HourRefusal::factor, kFfFileName);
    return ended(HourEnd::skyWave);
}

HourOutcome predictSkyHour(PredictionState& state, const HourTables& tables, HourTerms& terms) {
    setMonthDeclination(state);  // degrees again; turned into radians below
    setHourAndControlPoint(state);
    if (!terms.controlPointDay) terms.controlPointDay = evaluateELayerDayTerms(state);
    computeReflectionHeight(state, *terms.controlPointDay);
    // the height of the hour before (a night under the floor of foE): its path, factors and
    // ground reflection again
    const HeightTerms* again = nullptr;
    if (terms.lastHeight && terms.lastHeight->reflectionHeightKm == state.reflectionHeightKm &&
        terms.lastHeight->txAfTable == tables.txAfTable.data() &&
        terms.lastHeight->rxAfTable == tables.rxAfTable.data()) {
        again = &*terms.lastHeight;
    }
    HeightTerms now{};
    now.reflectionHeightKm = state.reflectionHeightKm;
    now.txAfTable = tables.txAfTable.data();
    now.rxAfTable = tables.rxAfTable.data();
    now.path = again != nullptr ? again->path : evaluateHopPath(state, terms.hop);
    setHopPath(state, now.path);
    state.elevationAngle *= state.degPerRad;  // degrees for the AF lookups

    if (!hasRead(tables, HourFiles::txAfTable)) return ended(HourEnd::unread);
    state.txAfFactor =
        again != nullptr ? again->txAfFactor : lookupAfFactor(state, tables.txAfTable);
    if (!isUsableFactor(state.txAfFactor)) {
        return refusedBy(HourRefusal::factor, afFileName(state.txGroundType));
    }
    if (!hasRead(tables, HourFiles::rxAfTable)) return ended(HourEnd::unread);
    state.rxAfFactor = tables.sameAfTable ? state.txAfFactor
                       : again != nullptr ? again->rxAfFactor
                                          : lookupAfFactor(state, tables.rxAfTable);
    if (!isUsableFactor(state.rxAfFactor)) {
        return refusedBy(HourRefusal::factor, afFileName(state.rxGroundType));
    }
    now.txAfFactor = state.txAfFactor;
    now.rxAfFactor = state.rxAfFactor;
    if (!hasRead(tables, HourFiles::rcxTables)) return ended(HourEnd::unread);
    HourOutcome outcome = ended(HourEnd::skyWave);
    state.rcxFactor = lookupRcxFactor(state, &outcome.rcxExactColumnRowInterval);
    if (!isUsableFactor(state.rcxFactor)) {
        outcome.end = HourEnd::refused;
        outcome.refusal = HourRefusal::factor;
        outcome.refusedFile = rcxFileName(state.solarActivityCode);
        return outcome;
    }

    if (!terms.midpointGround) {
        setMidpointGround(state);
        terms.midpointGround = computeGroundTerms(state);
        again = nullptr;  // a reflection on other ground
    }
    now.groundReflection = computeSkyWave(state, *terms.midpointGround,
                                          again != nullptr ? &again->groundReflection : nullptr);
    terms.lastHeight = now;
    if (state.hopCount == 2) computeTwoHopSkyWave(state);
    if (state.resultMode == 2) combineWithGroundWave(state);
    if (!reportedFieldIsNumber(state)) {
        outcome.end = HourEnd::refused;
        outcome.refusal = HourRefusal::field;
    }
    return outcome;
}

HourOutcome predictHour(PredictionState& state, const HourTables& tables) {
    HourTerms terms;
    const HourOutcome path = predictPath(state, tables, terms);
    if (path.end != HourEnd::skyWave) return path;
    return predictSkyHour(state, tables, terms);
}

}  // namespace fieldcast
