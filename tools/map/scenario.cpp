#include "scenario.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <span>

#include "driver/input_files.h"
#include "skywave/sky_tables.h"

namespace fieldcast::map {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opened as fieldcast opens its inputs: a leading byte-order mark is skipped.
FilePtr openInput(const std::filesystem::path& path) {
    return FilePtr(openInputFile(path.c_str()), &std::fclose);
}

[[noreturn]] void cannotOpen(const std::filesystem::path& path) {
    throw DataError(path.string() + ": cannot open");
}

enum class AxisCheck { none, ascending, descending };

// Numbers as fieldcast scans them; a file with fewer readable values is refused, and so is
// an axis whose values do not run strictly in its order (an interval without width).
void readNumbers(const std::filesystem::path& path, std::span<double> cells,
                 AxisCheck order = AxisCheck::none) {
    const FilePtr file = openInput(path);
    if (!file) cannotOpen(path);
    for (double& cell : cells) {
        if (!scanNumber(file.get(), cell)) {
            throw DataError(path.string() + ": fewer than " + std::to_string(cells.size()) +
                            " readable numbers");
        }
    }
    for (std::size_t i = 0; order != AxisCheck::none && i + 1 < cells.size(); ++i) {
        const bool inOrder =
            order == AxisCheck::ascending ? cells[i] < cells[i + 1] : cells[i] > cells[i + 1];
        if (!inOrder) {
            throw DataError(path.string() + ": values not in " +
                            (order == AxisCheck::ascending ? "ascending" : "descending") +
                            " order");
        }
    }
}

// One "%lf" value within [low, high] (`what` names it in the message).
double readValue(const std::filesystem::path& path, double low, double high, const char* what) {
    const FilePtr file = openInput(path);
    if (!file) cannotOpen(path);
    double value = 0.0;
    if (!scanNumber(file.get(), value)) throw DataError(path.string() + ": no readable number");
    if (value < low || value > high) {
        throw DataError(path.string() + ": " + std::to_string(value) + " is not " + what);
    }
    return value;
}

// A "%3d" code, refused outside [low, high].
int readCode(const std::filesystem::path& path, int low, int high) {
    const FilePtr file = openInput(path);
    if (!file) cannotOpen(path);
    int value = 0;
    if (std::fscanf(file.get(), "%3d", &value) != 1) {
        throw DataError(path.string() + ": no readable code");
    }
    if (value < low || value > high) {
        throw DataError(path.string() + ": code " + std::to_string(value) + " outside " +
                        std::to_string(low) + ".." + std::to_string(high));
    }
    return value;
}

template <typename T>
T valueOr(const std::optional<T>& given, auto&& read) {
    return given ? *given : read();
}

}  // namespace

void loadScenario(const std::filesystem::path& dataDir, const ScenarioOverrides& overrides,
                  Scenario& scenario) {
    PredictionState& s = scenario.base;
    s = PredictionState{};
    setPassConstants(s);

    constexpr int kAnyCode = 999;  // ground-type and result codes: every value has a meaning
    const auto file = [&](const char* name) { return dataDir / name; };
    constexpr double kAnyPositive = std::numeric_limits<double>::max();
    constexpr double kSmallestPositive = std::numeric_limits<double>::min();
    s.txPowerKw = valueOr(overrides.txPowerKw, [&] {
        return readValue(file("P.dat"), kSmallestPositive, kAnyPositive, "a power above 0 kW");
    });
    s.freqKhz = valueOr(overrides.freqKhz, [&] {
        return readValue(file("FREQ.dat"), kSmallestPositive, kAnyPositive,
                         "a frequency above 0 kHz");
    });
    s.txLat = valueOr(overrides.txLatDeg, [&] {
        return readValue(file("LATT.dat"), -90.0, 90.0, "a latitude (-90 to 90 degrees)");
    });
    s.txLon = valueOr(overrides.txLonDeg, [&] {
        return readValue(file("LONT.dat"), -180.0, 360.0, "a longitude (-180 to 360 degrees)");
    });
    s.txGroundType =
        valueOr(overrides.txGroundType, [&] { return readCode(file("GCT.dat"), -99, kAnyCode); });
    s.rxGroundType =
        valueOr(overrides.rxGroundType, [&] { return readCode(file("GCR.dat"), -99, kAnyCode); });
    s.solarActivityCode =
        valueOr(overrides.solarActivityCode, [&] { return readCode(file("YR.dat"), 1, 3); });
    s.month = valueOr(overrides.month, [&] { return readCode(file("MON.dat"), 1, 12); });
    s.midGroundType =
        valueOr(overrides.midGroundType, [&] { return readCode(file("GCM.dat"), 1, 3); });
    s.resultMode =
        valueOr(overrides.resultMode, [&] { return readCode(file("RESUL.dat"), -99, kAnyCode); });

    readNumbers(file("FG.dat"), s.gwFreqAxis, AxisCheck::ascending);
    readNumbers(file("DG.dat"), s.gwDistAxis, AxisCheck::ascending);
    const char* curveFile = s.txGroundType == 1   ? "GW1.dat"
                            : s.txGroundType == 2 ? "GW.dat"
                                                  : "GW3.dat";
    readNumbers(file(curveFile), s.gwCurveTable);

    readNumbers(file("F.dat"), s.fAxis, AxisCheck::ascending);
    readNumbers(file("D.dat"), s.dAxis, AxisCheck::ascending);
    readNumbers(file("FF.dat"), s.ffTable);
    readNumbers(file("PS.dat"), s.psAxis, AxisCheck::descending);
    readNumbers(file(afFileName(s.txGroundType)), scenario.txAfTable);
    readNumbers(file(afFileName(s.rxGroundType)), scenario.rxAfTable);
    s.afTable = scenario.rxAfTable;  // as the hour leaves it
    readNumbers(file("CSX.dat"), s.csxAxis, AxisCheck::ascending);
    readNumbers(file("FCS.dat"), s.fcsAxis, AxisCheck::ascending);
    readNumbers(file(rcxFileName(s.solarActivityCode)), s.rcxTable);
}

std::vector<ReceiverSite> loadReceiverList(const std::filesystem::path& dataDir,
                                           bool* moreRecords) {
    const std::filesystem::path path = dataDir / "LATRLONR.dat";
    const FilePtr file = openInput(path);
    if (!file) cannotOpen(path);
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
        if (readReceiverRecord(file.get(), site) != ReadOutcome::ok) {
            throw DataError(path.string() + ": record " + std::to_string(sites.size() + 1) +
                            " is incomplete or out of range");
        }
        sites.push_back(site);
    }
    if (moreRecords != nullptr) {
        *moreRecords = static_cast<int>(sites.size()) == kReceiverCount && atRecord();
    }
    return sites;
}

}  // namespace fieldcast::map
