#include "driver/run.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "driver/input_files.h"
#include "driver/report.h"
#include "hour/hour.h"

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

// fieldcast's inputs are in the working folder, opened by bare name.
const std::filesystem::path kWorkingFolder;

bool refuse(const std::string& line) {
    std::printf("%s\n", line.c_str());
    return false;
}

// The files of the hour after the station inputs, in their fixed order, as far as the path's
// regime needs them. Stops at the first file that cannot be used and keeps its result in
// `stopped`; a curve file that cannot be opened prints its line and the hour goes on. The tx
// AF table is kept in `txAfTable`, as the record's afTable is then refilled for the receiver.
HourFiles readHourFiles(PredictionState& state, PathRegime regime, HourTables& tables,
                        std::span<double> txAfTable, ReadResult& stopped) {
    if (regime == PathRegime::beyondRange) return HourFiles::none;
    const std::filesystem::path& folder = kWorkingFolder;
    stopped = readGroundCodes(folder, state);
    if (!stopped.ok()) return HourFiles::none;
    if (regime == PathRegime::shortRange) return HourFiles::groundCodes;

    ReadResult curves = loadGroundWaveAxes(folder, state);
    if (curves.ok()) {
        // the program's own console line on the sea curves, every hour that reads them
        if (state.txGroundType == 1) std::printf("gotoline4970 GCT=1\n");
        curves = loadGroundWaveCurveFile(folder, state);
    }
    if (curves.outcome == ReadOutcome::cannotOpen) {
        std::printf("%s\n", curves.line.c_str());
        tables.groundWaveCurves = false;
    } else if (!curves.ok()) {
        stopped = curves;
        return HourFiles::groundCodes;
    }
    if (!(stopped = readPathCodes(folder, state)).ok()) return HourFiles::groundWaveCurves;
    if (!(stopped = loadFreqDistTables(folder, state)).ok()) return HourFiles::pathCodes;
    if (!(stopped = loadElevationAxis(folder, state)).ok() ||
        !(stopped = loadAfTable(folder, state.txGroundType, state.afTable)).ok()) {
        return HourFiles::freqDistTables;
    }
    std::copy(state.afTable.begin(), state.afTable.end(), txAfTable.begin());
    if (!(stopped = loadAfTable(folder, state.rxGroundType, state.afTable)).ok()) {
        return HourFiles::txAfTable;
    }
    if (!(stopped = loadRcxTables(folder, state)).ok()) return HourFiles::rxAfTable;
    return HourFiles::rcxTables;
}

}  // namespace

bool runHour(PredictionState& state) {
    const ReadResult station = readStationInputs(kWorkingFolder, state);
    if (!station.ok()) return refuse(station.line);
    const ReceiverSite& site = state.receivers[state.receiverIndex];
    startHour(state, site.latDeg, site.lonDeg);
    if (state.hourIndex == 0) writeReportHeader(state);  // a refused range still gets it

    std::array<double, kFCount * kPsCount> txAfTable{};
    HourTables tables{txAfTable, state.afTable};
    ReadResult stopped;
    tables.filesRead = readHourFiles(state, pathRegime(state), tables, txAfTable, stopped);
    const HourOutcome hour = predictHour(state, tables);
    // the program's own console line on an RCX lookup at an FCS value between two CSX values
    if (hour.rcxExactColumnRowInterval) std::printf("line4070\n");
    switch (hour.end) {
        case HourEnd::unread:
            return refuse(stopped.line);
        case HourEnd::refused:
            return refuse(refusalLine(hour));
        case HourEnd::beyondRange:
            printRangeCaution(state);
            break;
        case HourEnd::shortRange:
            writeShortRangeLine(state);
            break;
        case HourEnd::skyWave:
            writeHourLines(state);
            break;
    }
    std::printf("---END---\n");
    return true;
}

int runPrediction(PredictionState& state) {
    state.receiverListFile = openInputFile(kWorkingFolder / kReceiverListFileName);
    if (state.receiverListFile == nullptr) {
        std::printf("%s cannot open !!\n", kReceiverListFileName);
        return kExitEarlyEnd;
    }
    for (state.receiverIndex = 0; state.receiverIndex < 1; ++state.receiverIndex) {
        setPassConstants(state);
        std::snprintf(state.resultFileName, sizeof state.resultFileName, "%s%d%s",
                      kReportFilePrefix, state.receiverIndex, kReportFileSuffix);
        // The report is written only as a file of its own in the working folder: never through
        // a symbolic link to a file elsewhere, nor into a FIFO or a device.
        std::error_code error;
        const std::filesystem::file_status existing =
            std::filesystem::symlink_status(state.resultFileName, error);
        const bool usable =
            !std::filesystem::exists(existing) || std::filesystem::is_regular_file(existing);
        state.reportFile = usable ? std::fopen(state.resultFileName, "w") : nullptr;
        if (state.reportFile == nullptr) {
            std::printf("%s cannot open !!\n", state.resultFileName);
            return endEarly(state);
        }
        // A refused record ends the run before any hour; the report stays as created, empty.
        const ReadResult record =
            readReceiverRecord(state.receiverListFile, state.receivers[state.receiverIndex]);
        if (!record.ok()) {
            refuse(record.line);
            return endEarly(state);
        }
        for (state.hourIndex = 0; state.hourIndex < kHoursPerDay; ++state.hourIndex) {
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
