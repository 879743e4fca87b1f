#include "driver/input_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fieldcast {

namespace {

namespace fs = std::filesystem;

// Closes the file on every path out of a reader.
struct InputFile {
    std::FILE* handle;
    explicit InputFile(const fs::path& file) : handle(openInputFile(file)) {}
    ~InputFile() {
        if (handle != nullptr) std::fclose(handle);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
};

std::string formatted(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

ReadResult refused(const fs::path& file, std::string line) {
    return {ReadOutcome::refused, std::move(line), file};
}

ReadResult cannotOpen(const fs::path& file, const char* messageName) {
    return {ReadOutcome::cannotOpen, formatted("%s cannot open !!", messageName), file};
}

ReadResult noReadableValue(const fs::path& file, const char* name) {
    return refused(file, formatted("%s has no readable value !!", name));
}

ReadResult notAllowed(const fs::path& file, const char* name, const AllowedValues& allowed) {
    if (allowed.lowestAllowed) {
        return refused(file, formatted("%s must hold %s from %g to %g !!", name, allowed.what,
                                       allowed.lowest, allowed.highest));
    }
    return refused(file,
                   formatted("%s must hold %s above %g !!", name, allowed.what, allowed.lowest));
}

// Shift-JIS lead bytes of two-byte characters.
bool isSjisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

bool allows(const AllowedValues& allowed, double value) {
    const bool aboveLowest =
        allowed.lowestAllowed ? value >= allowed.lowest : value > allowed.lowest;
    return aboveLowest && value <= allowed.highest;
}

bool allows(const AllowedCodes& allowed, int code) {
    return code >= allowed.lowest && code <= allowed.highest;
}

std::FILE* openInputFile(const fs::path& file) {
    // Only a plain file is an input: a FIFO would hold the run up until something writes into
    // it, a device could be read without end, a folder holds no value.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) return nullptr;
    std::FILE* handle = std::fopen(file.c_str(), "r");
    if (handle == nullptr) return nullptr;
    const int first = std::fgetc(handle);
    if (first != 0xEF) {
        if (first != EOF) std::ungetc(first, handle);
        return handle;
    }
    // Three bytes cannot be pushed back; an input file is a plain file, so start over.
    if (std::fgetc(handle) != 0xBB || std::fgetc(handle) != 0xBF) std::rewind(handle);
    return handle;
}

bool scanNumber(std::FILE* file, double& value) {
    // every character of the number counts, however many digits it was written with
    std::string text;
    auto keep = [&](int c) { text.push_back(static_cast<char>(c)); };
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) c = std::fgetc(file);
    if (c == '+' || c == '-') {
        keep(c);
        c = std::fgetc(file);
    }
    bool mantissaDigits = false;
    for (; isDigit(c); c = std::fgetc(file)) {
        keep(c);
        mantissaDigits = true;
    }
    if (c == '.') {
        keep(c);
        for (c = std::fgetc(file); isDigit(c); c = std::fgetc(file)) {
            keep(c);
            mantissaDigits = true;
        }
    }
    bool complete = mantissaDigits;
    if (complete && (c == 'e' || c == 'E')) {
        keep(c);
        c = std::fgetc(file);
        if (c == '+' || c == '-') {
            keep(c);
            c = std::fgetc(file);
        }
        bool exponentDigits = false;
        for (; isDigit(c); c = std::fgetc(file)) {
            keep(c);
            exponentDigits = true;
        }
        complete = exponentDigits;
    }
    if (c != EOF) std::ungetc(c, file);
    if (!complete) return false;
    const double scanned = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(scanned)) return false;
    value = scanned;
    return true;
}

ReadResult readParameter(const fs::path& folder, const char* fileName, double& field) {
    const fs::path path = folder / fileName;
    const InputFile file(path);
    if (file.handle == nullptr) return cannotOpen(path, fileName);
    if (!scanNumber(file.handle, field)) return noReadableValue(path, fileName);
    return {ReadOutcome::ok, {}, path};
}

ReadResult readParameter(const fs::path& folder, const char* fileName, std::int32_t& field) {
    const fs::path path = folder / fileName;
    const InputFile file(path);
    if (file.handle == nullptr) return cannotOpen(path, fileName);
    int value = 0;
    if (std::fscanf(file.handle, "%3d", &value) != 1) return noReadableValue(path, fileName);
    field = value;
    return {ReadOutcome::ok, {}, path};
}

ReadResult readParameterInRange(const fs::path& folder, const char* fileName, double& field,
                                const AllowedValues& allowed) {
    double value = 0.0;
    ReadResult result = readParameter(folder, fileName, value);
    if (!result.ok()) return result;
    if (!allows(allowed, value)) return notAllowed(result.file, fileName, allowed);
    field = value;
    return result;
}

ReadResult readParameterInRange(const fs::path& folder, const char* fileName, std::int32_t& field,
                                const AllowedCodes& allowed) {
    std::int32_t code = 0;
    ReadResult result = readParameter(folder, fileName, code);
    if (!result.ok()) return result;
    field = code;  // kept, as the run keeps a code it refuses
    if (!allows(allowed, code)) {
        return refused(result.file, formatted("%s must hold %s !!", fileName, allowed.text));
    }
    return result;
}

ReadResult readNumberFile(const fs::path& folder, const char* fileName, const char* openMessageName,
                          std::span<double> cells) {
    const fs::path path = folder / fileName;
    const InputFile file(path);
    if (file.handle == nullptr) return cannotOpen(path, openMessageName);
    for (double& cell : cells) {
        if (!scanNumber(file.handle, cell)) {
            return refused(path, formatted("%s has fewer than %zu readable values !!", fileName,
                                           cells.size()));
        }
    }
    return {ReadOutcome::ok, {}, path};
}

ReadResult readAxisFile(const fs::path& folder, const char* fileName, std::span<double> cells,
                        AxisOrder order) {
    ReadResult result = readNumberFile(folder, fileName, fileName, cells);
    if (!result.ok()) return result;
    const bool ascending = order == AxisOrder::ascending;
    for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
        const bool inOrder = ascending ? cells[i] < cells[i + 1] : cells[i] > cells[i + 1];
        if (!inOrder) {
            return refused(result.file, formatted("%s must hold values in %s order !!", fileName,
                                                  ascending ? "ascending" : "descending"));
        }
    }
    return result;
}

std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes) {
    if (length <= maxBytes) return length;
    const std::size_t limit = maxBytes;
    std::size_t kept = 0;
    while (kept < limit) {
        const auto byte = static_cast<unsigned char>(text[kept]);
        const std::size_t width = isSjisLeadByte(byte) ? 2 : 1;
        if (kept + width > limit) break;
        kept += width;
    }
    return kept;
}

ReadResult readReceiverRecord(std::FILE* listFile, ReceiverSite& site) {
    // The word, as "%s" reads it, but never past the field: keep one byte more than fits so
    // that the cut can tell whether the last kept byte starts a character that would be split.
    constexpr std::size_t maxName = kNameCapacity - 1;
    char word[kNameCapacity + 1];
    std::size_t length = 0;
    int c = std::fgetc(listFile);
    while (c != EOF && std::isspace(c)) c = std::fgetc(listFile);
    // A word of a mebibyte is no name: stop there, so a device such as /dev/zero given as
    // the list cannot keep the run reading for ever.
    constexpr std::size_t kMaxWordBytes = std::size_t{1} << 20;
    std::size_t wordBytes = 0;
    while (c != EOF && !std::isspace(c) && wordBytes < kMaxWordBytes) {
        if (length < sizeof word) word[length++] = static_cast<char>(c);
        ++wordBytes;
        c = std::fgetc(listFile);
    }
    if (c != EOF) std::ungetc(c, listFile);
    double latitude = 0.0;
    double longitude = 0.0;
    if (length == 0 || wordBytes == kMaxWordBytes || !scanNumber(listFile, latitude) ||
        !scanNumber(listFile, longitude)) {
        return refused(kReceiverListFileName,
                       formatted("%s has no complete record !!", kReceiverListFileName));
    }
    if (!allows(kLatitudeDeg, latitude)) {
        return notAllowed(kReceiverListFileName, kReceiverListFileName, kLatitudeDeg);
    }
    if (!allows(kLongitudeDeg, longitude)) {
        return notAllowed(kReceiverListFileName, kReceiverListFileName, kLongitudeDeg);
    }
    const std::size_t kept = sjisCutLength(word, length, maxName);
    std::memcpy(site.name, word, kept);
    site.name[kept] = '\0';
    site.latDeg = latitude;
    site.lonDeg = longitude;
    return {ReadOutcome::ok, {}, kReceiverListFileName};
}

namespace {
// The first result that is not ok, or the last.
template <typename... Reads>
ReadResult firstFailure(Reads&&... reads) {
    ReadResult result;
    // evaluated left to right; the rest are not called once one fails
    ((result = reads(), result.ok()) && ...);
    return result;
}
}  // namespace

ReadResult readTxPowerKw(const fs::path& folder, double& txPowerKw) {
    return readParameterInRange(folder, "P.dat", txPowerKw, kPowerKw);
}

ReadResult readFreqKhz(const fs::path& folder, double& freqKhz) {
    return readParameterInRange(folder, "FREQ.dat", freqKhz, kFrequencyKhz);
}

ReadResult readTxLatDeg(const fs::path& folder, double& txLatDeg) {
    return readParameterInRange(folder, "LATT.dat", txLatDeg, kLatitudeDeg);
}

ReadResult readTxLonDeg(const fs::path& folder, double& txLonDeg) {
    return readParameterInRange(folder, "LONT.dat", txLonDeg, kLongitudeDeg);
}

ReadResult readTxGroundType(const fs::path& folder, std::int32_t& txGroundType) {
    return readParameter(folder, "GCT.dat", txGroundType);
}

ReadResult readRxGroundType(const fs::path& folder, std::int32_t& rxGroundType) {
    return readParameter(folder, "GCR.dat", rxGroundType);
}

ReadResult readSolarActivityCode(const fs::path& folder, std::int32_t& solarActivityCode) {
    return readParameterInRange(folder, "YR.dat", solarActivityCode, kActivityCodes);
}

ReadResult readMonth(const fs::path& folder, std::int32_t& month) {
    return readParameterInRange(folder, "MON.dat", month, kMonths);
}

ReadResult readMidGroundType(const fs::path& folder, std::int32_t& midGroundType) {
    return readParameterInRange(folder, "GCM.dat", midGroundType, kMidGroundCodes);
}

ReadResult readResultMode(const fs::path& folder, std::int32_t& resultMode) {
    return readParameter(folder, "RESUL.dat", resultMode);
}

ReadResult readStationInputs(const fs::path& folder, PredictionState& state) {
    return firstFailure([&] { return readTxPowerKw(folder, state.txPowerKw); },
                        [&] { return readFreqKhz(folder, state.freqKhz); },
                        [&] { return readTxLatDeg(folder, state.txLat); },
                        [&] { return readTxLonDeg(folder, state.txLon); });
}

ReadResult readGroundCodes(const fs::path& folder, PredictionState& state) {
    return firstFailure([&] { return readTxGroundType(folder, state.txGroundType); },
                        [&] { return readRxGroundType(folder, state.rxGroundType); });
}

ReadResult readPathCodes(const fs::path& folder, PredictionState& state) {
    return firstFailure([&] { return readSolarActivityCode(folder, state.solarActivityCode); },
                        [&] { return readMonth(folder, state.month); },
                        [&] { return readMidGroundType(folder, state.midGroundType); },
                        [&] { return readResultMode(folder, state.resultMode); });
}

ReadResult readGroundWaveAxes(const fs::path& folder, std::span<double> gwFreqAxis,
                              std::span<double> gwDistAxis) {
    return firstFailure(
        [&] { return readAxisFile(folder, "FG.dat", gwFreqAxis, AxisOrder::ascending); },
        [&] { return readAxisFile(folder, "DG.dat", gwDistAxis, AxisOrder::ascending); });
}

ReadResult loadGroundWaveAxes(const fs::path& folder, PredictionState& state) {
    return readGroundWaveAxes(folder, state.gwFreqAxis, state.gwDistAxis);
}

ReadResult loadGroundWaveCurveFile(const fs::path& folder, PredictionState& state) {
    return readNumberFile(folder, curveFileName(state.txGroundType), "GW.dat", state.gwCurveTable);
}

ReadResult loadGroundWaveCurves(const fs::path& folder, PredictionState& state) {
    return firstFailure([&] { return loadGroundWaveAxes(folder, state); },
                        [&] { return loadGroundWaveCurveFile(folder, state); });
}

ReadResult loadFreqDistTables(const fs::path& folder, PredictionState& state) {
    return firstFailure(
        [&] { return readAxisFile(folder, "F.dat", state.fAxis, AxisOrder::ascending); },
        [&] { return readAxisFile(folder, "D.dat", state.dAxis, AxisOrder::ascending); },
        [&] { return readNumberFile(folder, kFfFileName, kFfFileName, state.ffTable); });
}

ReadResult loadElevationAxis(const fs::path& folder, PredictionState& state) {
    return readAxisFile(folder, "PS.dat", state.psAxis, AxisOrder::descending);
}

ReadResult loadAfTable(const fs::path& folder, int groundType, std::span<double> afTable) {
    return readNumberFile(folder, afFileName(groundType), "AF.dat", afTable);
}

ReadResult loadRcxTables(const fs::path& folder, PredictionState& state) {
    return firstFailure(
        [&] { return readAxisFile(folder, "CSX.dat", state.csxAxis, AxisOrder::ascending); },
        [&] { return readAxisFile(folder, "FCS.dat", state.fcsAxis, AxisOrder::ascending); },
        [&] {
            return readNumberFile(folder, rcxFileName(state.solarActivityCode), "RCX.dat",
                                  state.rcxTable);
        });
}

}  // namespace fieldcast
