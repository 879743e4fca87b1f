// The scenario of a batch run: every input and table of the data directory, read once, with
// the command line's overrides applied. Predictions copy `base` into one record per worker.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "record/prediction_state.h"

namespace fieldcast::map {

// A file of the data directory that is missing or does not hold what it must.
struct DataError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Values given on the command line; each replaces its parameter file, which is then not read.
struct ScenarioOverrides {
    std::optional<double> txPowerKw;
    std::optional<double> freqKhz;
    std::optional<double> txLatDeg;
    std::optional<double> txLonDeg;
    std::optional<int> month;              // 1..12
    std::optional<int> solarActivityCode;  // 1..3
    std::optional<int> txGroundType;
    std::optional<int> rxGroundType;
    std::optional<int> midGroundType;  // 1..3
    std::optional<int> resultMode;     // 2: sky wave combined with the ground wave
};

using AfTable = std::array<double, kFCount * kPsCount>;

struct Scenario {
    // Inputs in the units the files hold (coordinates in degrees), the pass constants and
    // every table; rx coordinates, hour and results are left for the prediction.
    PredictionState base;
    AfTable txAfTable;  // AF file of txGroundType
    AfTable rxAfTable;  // AF file of rxGroundType
};

// Reads the scalar files not overridden, the ground-wave curves of txGroundType and the
// sky-wave tables. Codes are checked as fieldcast checks them. Throws DataError.
void loadScenario(const std::filesystem::path& dataDir, const ScenarioOverrides& overrides,
                  Scenario& scenario);

// Every record of "LATRLONR.dat", read as fieldcast reads its first one (name bytes as they
// stand, Shift-JIS), at most kReceiverCount; `moreRecords` tells whether the file holds
// more. Throws DataError when the file cannot be opened.
std::vector<ReceiverSite> loadReceiverList(const std::filesystem::path& dataDir,
                                           bool* moreRecords = nullptr);

}  // namespace fieldcast::map
