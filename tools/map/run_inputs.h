// The inputs of a batch run: every scalar file, curve and table of the data folder, read
// once by fieldcast's own readers in fieldcast's order, with the command line's overrides
// applied. Predictions copy `base` into one record per worker.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/input_files.h"
#include "propagation_model.h"
#include "record/prediction_state.h"

namespace fieldcast::map {

// An input of the data folder that cannot be used, or an hour that fieldcast refuses: the
// message holds fieldcast's console line.
struct DataError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Values given on the command line; each replaces its parameter file, which is then not read.
struct InputOverrides {
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

// The transmitter powers the tools predict for, kW: 1 W to 10 MW, every LF/MF broadcaster's.
// fieldcast takes any power above 0, but far outside these the fields lose their digits to
// the doubles' range: at 5e-324 kW two waves of about 1e-163 mV/m combine to 0 mV/m (-inf dB).
constexpr double kMinTxPowerKw = 0.001;
constexpr double kMaxTxPowerKw = 10000.0;

// Returns when the read is ok; else throws DataError with fieldcast's line and the file.
void requireRead(const ReadResult& read);

using AfTable = std::array<double, kFCount * kPsCount>;

struct RunInputs {
    // Inputs in the units the files hold (coordinates in degrees), the pass constants and
    // every table; rx coordinates, hour and results are left for the prediction.
    PredictionState base;
    AfTable txAfTable;  // AF file of txGroundType
    AfTable rxAfTable;  // AF file of rxGroundType
    ModelChoice model;  // --model, --combine
};

// Reads the scalar files not overridden, the ground-wave curves of txGroundType and the
// sky-wave tables, each checked as fieldcast checks it, and the power against kMinTxPowerKw to
// kMaxTxPowerKw. Throws DataError with fieldcast's line and the file's path; a curve file that
// cannot be opened is an error here, as a batch has no ground wave of an hour before to keep.
void loadRunInputs(const std::filesystem::path& dataDir, const InputOverrides& overrides,
                   RunInputs& inputs);

// When the frequency lies outside the frequency axes of the loaded tables (FG.dat, F.dat),
// where their lookups no longer interpolate: a one-line warning that names the bundled data
// set made for it. Empty when the tables cover it.
std::string frequencyCoverageWarning(const PredictionState& loaded);

// The transmitter's position, degrees: the overrides, else "LATT.dat" and "LONT.dat" read as
// loadRunInputs reads them. Throws DataError.
void readTransmitterSite(const std::filesystem::path& dataDir, const InputOverrides& overrides,
                         double& latDeg, double& lonDeg);

// Every record of "LATRLONR.dat", read as fieldcast reads its first one (name bytes as they
// stand, Shift-JIS), at most kReceiverCount; `moreRecords` tells whether the file holds
// more. Throws DataError when the file cannot be opened or a record is refused.
std::vector<ReceiverSite> loadReceiverList(const std::filesystem::path& dataDir,
                                           bool* moreRecords = nullptr);

}  // namespace fieldcast::map
