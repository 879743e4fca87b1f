// Report and console lines. Every text is code page 932; the Japanese formats come from
// sjis_text.h. Coordinates held in radians are printed in degrees.
#include "driver/report.h"

#include <cmath>
#include <cstdio>

#include "driver/sjis_text.h"

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
    std::fprintf(report, sjis::kReportRxFormat, site.latitude, site.longitude);
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

// The hour's reported pair and its console case line, by hop count and result mode.
struct HourCase {
    const char* lineFormat;
    double fieldMvm;
    double fieldDb;
};

HourCase hourCase(const PredictionState& state) {
    const bool combined = state.resultMode == 2;
    if (state.hopCount == 2) {
        return combined
                   ? HourCase{sjis::kCombined2HopLineFormat, state.combined2HopMvm,
                              state.combined2HopDb}
                   : HourCase{sjis::kSky2HopLineFormat, state.skyWave2HopMvm, state.skyWave2HopDb};
    }
    return combined ? HourCase{sjis::kCombined1HopLineFormat, state.combined1HopMvm,
                               state.combined1HopDb}
                    : HourCase{sjis::kSky1HopLineFormat, state.skyWave1HopMvm, state.skyWave1HopDb};
}

}  // namespace

bool hourFieldIsNumber(const PredictionState& state) {
    const HourCase hour = hourCase(state);
    return std::isfinite(hour.fieldMvm) && !std::isnan(hour.fieldDb);
}

void writeHourReportLine(PredictionState& state) {
    const HourCase hour = hourCase(state);
    std::fprintf(state.reportFile, "%3.0lf:00\t      %8.3lf\t\t  %6.1lf\n", state.hourJst,
                 hour.fieldMvm, hour.fieldDb);
}

void writeHourLines(PredictionState& state) {
    const HourCase hour = hourCase(state);
    printStationSummary(state);
    std::printf(sjis::kGroundWaveLineFormat, state.groundWaveMvm, state.groundWaveDb);
    std::printf(hour.lineFormat, hour.fieldMvm, hour.fieldDb, state.hourJst);
    writeHourReportLine(state);
}

}  // namespace fieldcast
