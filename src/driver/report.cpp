// Report and console lines. Every text is code page 932; the Japanese formats come from
// sjis_text.h. Coordinates held in radians are printed in degrees.
#include "driver/report.h"

#include <cstdio>

#include "driver/sjis_text.h"
#include "skywave/sky_wave.h"

namespace fieldcast {

void writeNotice(std::FILE* stream) {
    std::fputs(sjis::kNoticeLine1, stream);
    std::fputs(sjis::kNoticeLine2, stream);
    std::fputs("\n", stream);
}

void writeReportHeader(PredictionState& state) {
    std::FILE* report = state.reportFile;
    const ReceiverSite& site = state.receivers[state.receiverIndex];
    writeNotice(report);
    std::fprintf(report, sjis::kReportTitleFormat, site.name);
    std::fprintf(report, sjis::kReportTxFormat, state.txLat * state.degPerRad,
                 state.txLon * state.degPerRad);
    // the list's own degrees, not the converted copy
    std::fprintf(report, sjis::kReportRxFormat, site.latDeg, site.lonDeg);
    std::fprintf(report, sjis::kReportRangeFormat, state.groundRangeKm);
    std::fputs(sjis::kReportColumnsLine, report);
}

void printRangeCaution(PredictionState&) {
    std::fputs("Caution ! Ground range exceeds the upper limit of 4000 km.\n", stdout);
    std::fputs(sjis::kCautionJapaneseLine, stdout);
}

void writeShortRangeLine(PredictionState& state) {
    std::fprintf(state.reportFile, "%3d:00\t      %8.3lf\t\t  %6.1lf\n", state.hourIndex,
                 state.groundWaveMvm, state.groundWaveDb);
}

void printStationSummary(PredictionState& state) {
    std::printf(sjis::kSummaryPowerFreqFormat, state.txPowerKw, state.freqKhz);
    std::printf(sjis::kSummaryTxFormat, state.txLat * state.degPerRad,
                state.txLon * state.degPerRad);
    std::printf(sjis::kSummaryRxFormat, state.rxLat * state.degPerRad,
                state.rxLon * state.degPerRad);
    std::printf(sjis::kSummaryRangeFormat, state.groundRangeKm);
}

namespace {

// The console line of a sky-wave hour, by hop count and result mode.
const char* hourLineFormat(const PredictionState& state) {
    const bool combined = state.resultMode == 2;
    if (state.hopCount == 2) {
        return combined ? sjis::kCombined2HopLineFormat : sjis::kSky2HopLineFormat;
    }
    return combined ? sjis::kCombined1HopLineFormat : sjis::kSky1HopLineFormat;
}

}  // namespace

void writeHourReportLine(PredictionState& state) {
    const FieldStrength field = reportedSkyField(state);
    std::fprintf(state.reportFile, "%3.0lf:00\t      %8.3lf\t\t  %6.1lf\n", state.hourJst,
                 field.mvm, field.db);
}

void writeHourLines(PredictionState& state) {
    const FieldStrength field = reportedSkyField(state);
    printStationSummary(state);
    std::printf(sjis::kGroundWaveLineFormat, state.groundWaveMvm, state.groundWaveDb);
    std::printf(hourLineFormat(state), field.mvm, field.db, state.hourJst);
    writeHourReportLine(state);
}

}  // namespace fieldcast
