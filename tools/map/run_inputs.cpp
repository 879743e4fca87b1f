#include "run_inputs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>

#include "data_set_bands.h"
#include "driver/input_files.h"

namespace fieldcast::map {

namespace {

[[noreturn]] void refuse(const ReadResult& read) {
    throw DataError(read.line + " (" + read.file.string() + ")");
}

// The override when one was given, else the file's value.
template <typename T, typename Field>
void valueOr(const std::optional<T>& given, Field& field, auto&& read) {
    if (given) {
        field = static_cast<Field>(*given);
    } else {
        requireRead(read());
    }
}

}  // namespace

void requireRead(const ReadResult& read) {
    if (!read.ok()) refuse(read);
}

void loadRunInputs(const std::filesystem::path& dataDir, const InputOverrides& overrides,
                   RunInputs& inputs) {
    PredictionState& s = inputs.base;
    s = PredictionState{};
    setPassConstants(s);
    const std::filesystem::path& dir = dataDir;
    valueOr(overrides.txPowerKw, s.txPowerKw, [&] { return readTxPowerKw(dir, s.txPowerKw); });
    if (!(s.txPowerKw >= kMinTxPowerKw && s.txPowerKw <= kMaxTxPowerKw)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%s holds %g kW; fieldcast-map predicts for powers from %g to %g kW (1 W "
                      "to 10 MW)",
                      kTxPowerFileName, s.txPowerKw, kMinTxPowerKw, kMaxTxPowerKw);
        throw DataError(std::string(text) + " (" + (dir / kTxPowerFileName).string() + ")");
    }
    valueOr(overrides.freqKhz, s.freqKhz, [&] { return readFreqKhz(dir, s.freqKhz); });
    valueOr(overrides.txLatDeg, s.txLat, [&] { return readTxLatDeg(dir, s.txLat); });
    valueOr(overrides.txLonDeg, s.txLon, [&] { return readTxLonDeg(dir, s.txLon); });
    valueOr(overrides.txGroundType, s.txGroundType,
            [&] { return readTxGroundType(dir, s.txGroundType); });
    valueOr(overrides.rxGroundType, s.rxGroundType,
            [&] { return readRxGroundType(dir, s.rxGroundType); });
    requireRead(loadGroundWaveCurves(dir, s));
    valueOr(overrides.solarActivityCode, s.solarActivityCode,
            [&] { return readSolarActivityCode(dir, s.solarActivityCode); });
    valueOr(overrides.month, s.month, [&] { return readMonth(dir, s.month); });
    valueOr(overrides.midGroundType, s.midGroundType,
            [&] { return readMidGroundType(dir, s.midGroundType); });
    valueOr(overrides.resultMode, s.resultMode, [&] { return readResultMode(dir, s.resultMode); });
    requireRead(loadFreqDistTables(dir, s));
    requireRead(loadElevationAxis(dir, s));
    requireRead(loadAfTable(dir, s.txGroundType, inputs.txAfTable));
    requireRead(loadAfTable(dir, s.rxGroundType, inputs.rxAfTable));
    s.afTable = inputs.rxAfTable;  // as the hour leaves it
    requireRead(loadRcxTables(dir, s));
}

void readTransmitterSite(const std::filesystem::path& dataDir, const InputOverrides& overrides,
                         double& latDeg, double& lonDeg) {
    valueOr(overrides.txLatDeg, latDeg, [&] { return readTxLatDeg(dataDir, latDeg); });
    valueOr(overrides.txLonDeg, lonDeg, [&] { return readTxLonDeg(dataDir, lonDeg); });
}

std::string frequencyCoverageWarning(const PredictionState& loaded) {
    const double lowKhz = std::max(loaded.gwFreqAxis.front(), loaded.fAxis.front());
    const double highKhz = std::min(loaded.gwFreqAxis.back(), loaded.fAxis.back());
    const double f = loaded.freqKhz;
    if (f >= lowKhz && f <= highKhz) return {};
    char text[256];
    const DataSetBand* set = dataSetForFrequency(f);
    if (set != nullptr) {
        std::snprintf(text, sizeof text,
                      "%g kHz lies outside the frequency axes of these tables (%g-%g kHz); the "
                      "data set for it is %.*s (%g-%g kHz)",
                      f, lowKhz, highKhz, static_cast<int>(set->folder.size()), set->folder.data(),
                      set->lowKhz, set->highKhz);
    } else {
        std::snprintf(text, sizeof text,
                      "%g kHz lies outside the frequency axes of these tables (%g-%g kHz) and "
                      "outside every bundled data set",
                      f, lowKhz, highKhz);
    }
    return text;
}

std::vector<ReceiverSite> loadReceiverList(const std::filesystem::path& dataDir,
                                           bool* moreRecords) {
    const std::filesystem::path path = dataDir / kReceiverListFileName;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openInputFile(path), &std::fclose);
    if (!file)
        refuse({ReadOutcome::cannotOpen, std::string(kReceiverListFileName) + " cannot open !!",
                path});
    // true when a word follows, left unread
    const auto atRecord = [&] {
        int c = std::fgetc(file.get());
        while (c != EOF && std::isspace(c)) c = std::fgetc(file.get());
        if (c == EOF) return false;
        std::ungetc(c, file.get());
        return true;
    };
    std::vector<ReceiverSite> sites;
    while (static_cast<int>(sites.size()) < kReceiverCount && atRecord()) {
        ReceiverSite site{};
        // refused as fieldcast refuses it, not predicted at latitude 0, longitude 0
        ReadResult read = readReceiverRecord(file.get(), site);
        if (!read.ok()) {
            throw DataError(read.line + " (record " + std::to_string(sites.size() + 1) + " of " +
                            path.string() + ")");
        }
        sites.push_back(site);
    }
    if (moreRecords != nullptr) {
        *moreRecords = static_cast<int>(sites.size()) == kReceiverCount && atRecord();
    }
    return sites;
}

}  // namespace fieldcast::map
