#include "driver/run.h"

#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "driver/input_files.h"
#include "driver/report.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"
#include "groundwave/ground_wave.h"
#include "skywave/sky_tables.h"
#include "skywave/sky_wave.h"

namespace fieldcast {

namespace {

void closeStream(std::FILE*& stream) {
    if (stream != nullptr) std::fclose(stream);
    stream = nullptr;
}

// The report is written through a buffer, so a full disk may show only when the buffer is
// flushed, at the latest when the report is closed: both are checked, and a report that
// did not reach the disk whole is said so on the console.
bool closeReport(PredictionState& state) {
    if (state.reportFile == nullptr) return true;
    const bool writeFailed = std::ferror(state.reportFile) != 0;
    const bool closeFailed = std::fclose(state.reportFile) != 0;
    state.reportFile = nullptr;
    if (writeFailed || closeFailed) {
        std::printf("%s cannot be written !!\n", state.resultFileName);
        return false;
    }
    return true;
}

int endEarly(PredictionState& state) {
    closeReport(state);
    closeStream(state.receiverListFile);
    return kExitEarlyEnd;
}

bool readStationInputs(PredictionState& state) {
    return readParameterInRange("P.dat", state.txPowerKw, kPowerKw) == ReadOutcome::ok &&
           readParameterInRange("FREQ.dat", state.freqKhz, kFrequencyKhz) == ReadOutcome::ok &&
           readParameterInRange("LATT.dat", state.txLat, kLatitudeDeg) == ReadOutcome::ok &&
           readParameterInRange("LONT.dat", state.txLon, kLongitudeDeg) == ReadOutcome::ok;
}

}  // namespace

bool runHour(PredictionState& state) {
    if (!readStationInputs(state)) return false;
    const ReceiverSite& site = state.receivers[state.receiverIndex];
    state.rxLat = site.latitude;
    state.rxLon = site.longitude;
    state.txLat *= state.radPerDeg;  // each set afresh above, so converted once per hour
    state.txLon *= state.radPerDeg;
    state.rxLat *= state.radPerDeg;
    state.rxLon *= state.radPerDeg;

    computeGroundRange(state);
    if (state.hourIndex == 0) writeReportHeader(state);  // a refused range still gets it
    if (state.groundRangeKm > kMaxRangeKm) {
        printRangeCaution(state);
        std::printf("---END---\n");
        return true;
    }
    if (readParameter("GCT.dat", state.txGroundType) != ReadOutcome::ok ||
        readParameter("GCR.dat", state.rxGroundType) != ReadOutcome::ok) {
        return false;
    }
    const GroundWaveOutcome groundWave = computeGroundWave(state);
    if (groundWave == GroundWaveOutcome::refused) return false;
    if (groundWave == GroundWaveOutcome::shortRange) {
        writeShortRangeLine(state);
        std::printf("---END---\n");
        return true;
    }
    if (!computeHopGeometry(state)) return false;
    if (!computeSkyFactors(state)) return false;
    computeSkyWave(state);
    if (state.hopCount == 2) computeTwoHopSkyWave(state);
    if (state.resultMode == 2) combineWithGroundWave(state);
    // every factor is finite and above 0, but their product may still leave the doubles
    if (!hourFieldIsNumber(state)) {
        std::printf(
            "The field strength of this hour is not a finite number"
            " (P.dat and the FF, AF, RCX tables) !!\n");
        return false;
    }
    writeHourLines(state);
    std::printf("---END---\n");
    return true;
}

int runPrediction(PredictionState& state) {
    state.receiverListFile = openInputFile(kReceiverListFileName);
    if (state.receiverListFile == nullptr) {
        std::printf("%s cannot open !!\n", kReceiverListFileName);
        return kExitEarlyEnd;
    }
    for (state.receiverIndex = 0; state.receiverIndex < 1; ++state.receiverIndex) {
        setPassConstants(state);
        std::snprintf(state.resultFileName, sizeof state.resultFileName, "QZresult-%d.txt",
                      state.receiverIndex);
        state.reportFile = std::fopen(state.resultFileName, "w");
        if (state.reportFile == nullptr) {
            std::printf("%s cannot open !!\n", state.resultFileName);
            return endEarly(state);
        }
        // A refused record ends the run before any hour; the report stays as created, empty.
        if (readReceiverRecord(state.receiverListFile, state.receivers[state.receiverIndex]) !=
            ReadOutcome::ok) {
            return endEarly(state);
        }
        for (state.hourIndex = 0; state.hourIndex < 24; ++state.hourIndex) {
            if (!runHour(state)) return endEarly(state);
            // a write that already failed: endEarly closes the report and says so
            if (std::ferror(state.reportFile) != 0) return endEarly(state);
        }
        if (!closeReport(state)) return endEarly(state);
    }
    closeStream(state.receiverListFile);
    writeNotice(stdout);
    std::printf("Press any key to Exit\n");
    return kExitComplete;
}

void waitForKey() {
    std::fflush(stdout);
    if (isatty(STDIN_FILENO) == 0) return;  // a pipe, a file or CI: nobody to press a key
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key = 0;
    [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace fieldcast
