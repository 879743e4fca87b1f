#include "table_set.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "antenna_factor.h"
#include "focusing_factor.h"
#include "geometry/e_layer.h"
#include "ground_wave_curve.h"
#include "output_files.h"
#include "path_prediction.h"
#include "record/file_names.h"
#include "reflection_coefficient.h"
#include "skywave/sky_wave.h"

namespace fieldcast::tables {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAxisFormat = "%.4f";
constexpr const char* kDbFormat = "%.3f";
constexpr const char* kFactorFormat = "%.6f";

template <std::size_t N>
Axis makeAxis(const char* name, const std::array<double, N>& values) {
    return {name, std::vector<double>(values.begin(), values.end())};
}

TableFile axisFile(const char* fileName, const Axis& axis) {
    return {fileName, axis.name, kAxisFormat, axis.values, {}, {}};
}

Axis gwFreqAxis(const BandAxes& a) { return makeAxis("freqKhz", a.gwFreqAxisKhz); }
Axis gwDistAxis(const BandAxes& a) { return makeAxis("groundRangeKm", a.gwDistAxisKm); }
Axis fAxis(const BandAxes& a) { return makeAxis("freqKhz", a.fAxisKhz); }
Axis dAxis(const BandAxes& a) { return makeAxis("hopRangeKm", a.dAxisKm); }
Axis psAxis(const BandAxes& a) { return makeAxis("elevationAngleDeg", a.psAxisDeg); }
Axis csxAxis(const BandAxes& a) { return makeAxis("cosSolarZenith", a.csxAxis); }
Axis fcsAxis(const BandAxes& a) { return makeAxis("freqCosIncidenceKhz", a.fcsAxisKhz); }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForWriting(const std::filesystem::path& path) {
    // binary: the same bytes (LF line ends) on every platform
    File file(std::fopen(path.string().c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot write " + path.string());
    return file;
}

void printValue(std::FILE* file, const char* format, double value) {
    // keep "-0.000000" out of the files
    std::fprintf(file, format, value == 0.0 ? 0.0 : value);
}

}  // namespace

TableFile groundWaveFile(const std::string& fileName, Ground ground, const BandAxes& axes) {
    TableFile table{fileName, "groundWaveDb", kDbFormat, {}, gwFreqAxis(axes), gwDistAxis(axes)};
    for (double freqKhz : axes.gwFreqAxisKhz) {
        const GroundWaveCurve curve(ground, freqKhz);
        for (double groundRangeKm : axes.gwDistAxisKm) {
            table.values.push_back(curve.fieldDb(groundRangeKm));
        }
    }
    return table;
}

TableFile antennaFactorFile(const std::string& fileName, Ground ground, const BandAxes& axes) {
    TableFile table{fileName, "antennaFactor", kFactorFormat, {}, fAxis(axes), psAxis(axes)};
    for (double freqKhz : axes.fAxisKhz) {
        const AntennaFactor factor(ground, freqKhz);
        for (double elevationAngleDeg : axes.psAxisDeg) {
            table.values.push_back(factor.factor(elevationAngleDeg));
        }
    }
    return table;
}

TableFile focusingFactorFile(const BandAxes& axes) {
    TableFile table{kFfFileName, "focusingFactor", kFactorFormat, {}, fAxis(axes), dAxis(axes)};
    for (double freqKhz : axes.fAxisKhz) {
        for (double hopRangeKm : axes.dAxisKm) {
            table.values.push_back(tableFocusingFactor(freqKhz, hopRangeKm));
        }
    }
    return table;
}

TableFile reflectionFile(const std::string& fileName, const BandAxes& axes,
                         const ReflectionModel& model) {
    TableFile table{fileName, "log10ReflectionFactor", kFactorFormat,
                    {},       csxAxis(axes),           fcsAxis(axes)};
    for (double cosSolarZenith : axes.csxAxis) {
        for (std::size_t column = 0; column < kFcsCount; ++column) {
            const double log10R = model.reflectionDb(column, cosSolarZenith) / 20.0;
            table.values.push_back(std::max(log10R, kMinLogReflection));
        }
    }
    return table;
}

std::vector<TableFile> reflectionFiles(const BandAxes& axes, const std::filesystem::path& tablesDir,
                                       const NightDesign& design) {
    std::vector<TableFile> files;
    for (int code = 1; code <= 3; ++code) {
        auto inputs = std::make_unique<map::RunInputs>();
        loadLandPathInputs(tablesDir, axes.band.lowKhz, 1, code, *inputs);
        std::vector<NightSample> samples = referenceNightSamples(*inputs, axes, design);
        for (NightSample& s : measuredNightSamples(axes)) samples.push_back(std::move(s));
        const ReflectionModel model(axes.fcsAxisKhz, fitNightRow(axes, samples),
                                    solarActivity(code).sunspotLevel,
                                    gyrofrequencyMhz(design.geomagneticLatitudeDeg));
        files.push_back(reflectionFile(rcxFileName(code), axes, model));
    }
    return files;
}

std::vector<TableFile> computeDataSet(const BandAxes& axes, const NightDesign& design) {
    std::vector<TableFile> files;
    files.push_back(axisFile(kGwFreqAxisFileName, gwFreqAxis(axes)));
    files.push_back(axisFile(kGwDistAxisFileName, gwDistAxis(axes)));
    // the curves and antenna factors of each ground code, under the name the program reads
    // for that code
    for (int code = 1; code <= 3; ++code) {
        files.push_back(groundWaveFile(curveFileName(code), *groundConstantsOf(code), axes));
    }
    files.push_back(axisFile(kFAxisFileName, fAxis(axes)));
    files.push_back(axisFile(kDAxisFileName, dAxis(axes)));
    files.push_back(focusingFactorFile(axes));
    files.push_back(axisFile(kPsAxisFileName, psAxis(axes)));
    for (int code = 1; code <= 3; ++code) {
        files.push_back(antennaFactorFile(afFileName(code), *groundConstantsOf(code), axes));
    }
    files.push_back(axisFile(kCsxAxisFileName, csxAxis(axes)));
    files.push_back(axisFile(kFcsAxisFileName, fcsAxis(axes)));
    // The night rows are fitted through the program on the other tables as it reads them:
    // those are written to a scratch folder with RCX tables of |R| = 1 beside them.
    const map::ScratchDir scratch;
    for (const TableFile& file : files) writeDatFile(file, scratch.path());
    TableFile unit{"", "log10ReflectionFactor", kFactorFormat, {}, csxAxis(axes), fcsAxis(axes)};
    unit.values.assign(kCsxCount * kFcsCount, 0.0);
    for (int code = 1; code <= 3; ++code) {
        unit.fileName = rcxFileName(code);
        writeDatFile(unit, scratch.path());
    }
    for (TableFile& file : reflectionFiles(axes, scratch.path(), design)) {
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<TableFile> axisFiles(const BandAxes& axes) {
    return {axisFile(kGwFreqAxisFileName, gwFreqAxis(axes)),
            axisFile(kGwDistAxisFileName, gwDistAxis(axes)),
            axisFile(kFAxisFileName, fAxis(axes)),
            axisFile(kDAxisFileName, dAxis(axes)),
            axisFile(kPsAxisFileName, psAxis(axes)),
            axisFile(kCsxAxisFileName, csxAxis(axes)),
            axisFile(kFcsAxisFileName, fcsAxis(axes))};
}

bool isDataSetFileName(const std::string& name) {
    for (const char* own : kDataSetFileNames) {
        if (name == own) return true;
    }
    return false;
}

namespace {

// Closes the file and reports a write that failed on the way (a full disk) by its name.
void closeChecked(File& file, const std::filesystem::path& path) {
    std::FILE* handle = file.release();
    const bool failed = std::fflush(handle) != 0 || std::ferror(handle) != 0;
    if (std::fclose(handle) != 0 || failed)
        throw std::runtime_error("cannot write " + path.string());
}

// `shown`: the name in messages (the file that `path` becomes)
void writeDat(const TableFile& table, const std::filesystem::path& path,
              const std::filesystem::path& shown) {
    File file = openForWriting(path);
    const std::size_t columns =
        table.columnAxis.values.empty() ? 1 : table.columnAxis.values.size();
    for (std::size_t i = 0; i < table.values.size(); ++i) {
        printValue(file.get(), table.format, table.values[i]);
        std::fputc((i + 1) % columns == 0 ? '\n' : ' ', file.get());
    }
    closeChecked(file, shown);
}

void writeCsv(const TableFile& table, const std::filesystem::path& path,
              const std::filesystem::path& shown) {
    File file = openForWriting(path);
    if (table.columnAxis.values.empty()) {
        std::fprintf(file.get(), "%s\n", table.valueName.c_str());
        for (double v : table.values) {
            printValue(file.get(), table.format, v);
            std::fputc('\n', file.get());
        }
    } else {
        std::fprintf(file.get(), "%s,%s,%s\n", table.rowAxis.name.c_str(),
                     table.columnAxis.name.c_str(), table.valueName.c_str());
        const std::size_t columns = table.columnAxis.values.size();
        for (std::size_t i = 0; i < table.values.size(); ++i) {
            printValue(file.get(), kAxisFormat, table.rowAxis.values[i / columns]);
            std::fputc(',', file.get());
            printValue(file.get(), kAxisFormat, table.columnAxis.values[i % columns]);
            std::fputc(',', file.get());
            printValue(file.get(), table.format, table.values[i]);
            std::fputc('\n', file.get());
        }
    }
    closeChecked(file, shown);
}

std::string csvName(const TableFile& table) {
    return std::filesystem::path(table.fileName).replace_extension(".csv").string();
}

}  // namespace

void writeDatFile(const TableFile& table, const std::filesystem::path& dir) {
    writeDat(table, dir / table.fileName, dir / table.fileName);
}

void writeCsvFile(const TableFile& table, const std::filesystem::path& dir) {
    writeCsv(table, dir / csvName(table), dir / csvName(table));
}

namespace {

// The work folder of the write in progress, with map::runLock() held; empty when none is.
fs::path& workInProgress() {
    static fs::path work;
    return work;
}

std::runtime_error anotherRunWritesInto(const fs::path& dir, const fs::path& work) {
    return std::runtime_error(dir.string() +
                              ": another run is writing into it, or one that was killed left " +
                              work.string() + "; when no run is writing into " + dir.string() +
                              ", remove that folder (rm -r " + work.string() + ") and run again");
}

void checkFinite(const TableFile& table, const fs::path& shown) {
    for (double v : table.values) {
        if (!std::isfinite(v)) {
            throw std::runtime_error(shown.string() +
                                     ": the computation gave a value that is not a number");
        }
    }
}

}  // namespace

void catchInterrupts() {
    map::catchInterrupts("fieldcast-tables", [] {
        const fs::path& work = workInProgress();
        if (work.empty()) return;
        // moved aside first: the run, still writing, can add no file to it (one it added
        // while the folder was being removed kept it in place, refusing every later run)
        fs::path ended = work;
        ended += "-ended";
        std::error_code error;
        fs::rename(work, ended, error);
        fs::remove_all(error ? work : ended, error);
    });
}

void checkNoRunWritesInto(const fs::path& dir) {
    const fs::path work = dir / kWorkEntry;
    std::error_code ignored;
    if (fs::exists(fs::symlink_status(work, ignored))) throw anotherRunWritesInto(dir, work);
}

void writeDataSet(const std::vector<TableFile>& files, bool csv, const fs::path& dir) {
    for (const TableFile& table : files) checkFinite(table, dir / table.fileName);
    // a folder in the place of a file would stop the renames halfway, the set then part new
    // and part old: refused before anything is written
    for (const TableFile& table : files) {
        for (const std::string& name : {table.fileName, csv ? csvName(table) : std::string()}) {
            if (name.empty()) continue;
            std::error_code error;
            if (fs::is_directory(fs::symlink_status(dir / name, error))) {
                throw std::runtime_error((dir / name).string() +
                                         ": a folder of that name is in the way; nothing was "
                                         "written");
            }
        }
    }
    // mkdir succeeds for one process only: a second run into the folder waits for none and
    // is refused while the first is writing
    const fs::path work = dir / kWorkEntry;
    // an interrupted run takes runLock for good: a set being renamed into place is completed,
    // and the work folder, once made, is known to the interrupt's clean-up
    {
        std::lock_guard<std::mutex> lock(map::runLock());
        if (::mkdir(work.c_str(), 0700) != 0) {
            if (errno == EEXIST) throw anotherRunWritesInto(dir, work);
            throw std::runtime_error(dir.string() + ": cannot write into it (" +
                                     std::strerror(errno) + ")");
        }
        workInProgress() = work;
    }
    const auto release = [&] {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        workInProgress().clear();
    };
    std::vector<std::string> names;
    try {
        for (const TableFile& table : files) {
            names.push_back(table.fileName);
            writeDat(table, work / table.fileName, dir / table.fileName);
            if (!csv) continue;
            names.push_back(csvName(table));
            writeCsv(table, work / csvName(table), dir / csvName(table));
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(map::runLock());
        release();
        throw;
    }
    std::lock_guard<std::mutex> lock(map::runLock());
    for (const std::string& name : names) {
        std::error_code error;
        fs::rename(work / name, dir / name, error);
        if (error) {
            release();
            throw std::runtime_error("cannot write " + (dir / name).string());
        }
    }
    release();
}

}  // namespace fieldcast::tables
