// The bundled data set: every curve and table file, computed and written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "physics_constants.h"

namespace fieldcast::tables {

// log10 |R| is not written below this: smaller factors are below the integration's rounding
// and leave a sky wave more than 180 dB down.
constexpr double kMinLogReflection = -9.0;

struct Axis {
    std::string name;  // header of its CSV column, with the unit: "freqKhz"
    std::vector<double> values;
};

// One file: an axis (values only, rowAxis and columnAxis empty) or a row-major table.
struct TableFile {
    std::string fileName;   // "GW.dat"; its CSV copy is "GW.csv"
    std::string valueName;  // CSV header of the values: "groundWaveDb"
    const char* format;     // printf format of one value
    std::vector<double> values;
    Axis rowAxis;
    Axis columnAxis;
};

// dB(uV/m) for 1 kW over `ground` on the ground-wave frequency and distance axes.
TableFile groundWaveFile(const std::string& fileName, Ground ground);
TableFile antennaFactorFile(const std::string& fileName, Ground ground);
TableFile focusingFactorFile();
TableFile reflectionFile(const std::string& fileName);

// Every file of the data set, in a fixed order: these names.
std::vector<TableFile> computeDataSet();
// The axis files alone: FG, DG, F, D, PS, CSX, FCS.
std::vector<TableFile> axisFiles();
bool isDataSetFileName(const std::string& name);

// Writes `<dir>/<fileName>`: one table row (or one axis value) per line, values by `format`
// separated by a blank. Throws std::runtime_error when the file cannot be written.
void writeDatFile(const TableFile& table, const std::filesystem::path& dir);
// Writes the CSV copy: a header line, then one line per cell (row value, column value, value).
void writeCsvFile(const TableFile& table, const std::filesystem::path& dir);

}  // namespace fieldcast::tables
