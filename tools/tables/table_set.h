// The bundled data set: every curve and table file, computed and written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "night_fit.h"
#include "physics_constants.h"
#include "reflection_coefficient.h"
#include "table_axes.h"

namespace fieldcast::tables {

// log10 |R| is not written below this: a sky wave more than 180 dB down.
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

// dB(uV/m) for 1 kW over `ground` on the band's ground-wave frequency and distance axes.
TableFile groundWaveFile(const std::string& fileName, Ground ground, const BandAxes& axes);
TableFile antennaFactorFile(const std::string& fileName, Ground ground, const BandAxes& axes);
TableFile focusingFactorFile(const BandAxes& axes);
TableFile reflectionFile(const std::string& fileName, const BandAxes& axes,
                         const ReflectionModel& model);
// RCX1-3 for the tables already in `tablesDir` (every file of the band's data set; its RCX
// files, which must exist, are not used): the night rows fitted through the program on them.
std::vector<TableFile> reflectionFiles(const BandAxes& axes, const std::filesystem::path& tablesDir,
                                       const NightDesign& design);

// Every file of the band's data set, in a fixed order: these names.
std::vector<TableFile> computeDataSet(const BandAxes& axes, const NightDesign& design = {});
// The axis files alone: FG, DG, F, D, PS, CSX, FCS.
std::vector<TableFile> axisFiles(const BandAxes& axes);
bool isDataSetFileName(const std::string& name);

// Writes `<dir>/<fileName>`: one table row (or one axis value) per line, values by `format`
// separated by a blank. Throws std::runtime_error when the file cannot be written.
void writeDatFile(const TableFile& table, const std::filesystem::path& dir);
// Writes the CSV copy: a header line, then one line per cell (row value, column value, value).
void writeCsvFile(const TableFile& table, const std::filesystem::path& dir);
// Every file (and with `csv` its CSV copy) into `dir`: all into the folder kWorkEntry inside
// it first, then renamed, so that a run that fails (a full disk, a value that is not a number)
// leaves the files that were there. The work folder is made with mkdir, so a second run writing
// into `dir` at the same time is refused. Throws std::runtime_error naming the file that could
// not be written.
void writeDataSet(const std::vector<TableFile>& files, bool csv, const std::filesystem::path& dir);
constexpr const char* kWorkEntry = ".fieldcast-tables-run";

// Catches SIGINT, SIGTERM and SIGHUP for the rest of the process; call before any thread
// starts. An interrupted run removes its unfinished files and scratch folders (a set being
// renamed into place is completed first) and exits with 128 + the signal (130, 143, 129).
void catchInterrupts();

// Throws std::runtime_error when kWorkEntry is in `dir`: another run is writing into it, or
// one that was killed left it (the message says how to remove it). writeDataSet checks again,
// at its claim; this spares a run the computation before a refusal.
void checkNoRunWritesInto(const std::filesystem::path& dir);

}  // namespace fieldcast::tables
