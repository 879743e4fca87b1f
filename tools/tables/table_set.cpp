#include "table_set.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "antenna_factor.h"
#include "focusing_factor.h"
#include "ground_wave_curve.h"
#include "reflection_coefficient.h"
#include "table_axes.h"

namespace fieldcast::tables {

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

Axis gwFreqAxis() { return makeAxis("freqKhz", kGwFreqAxisKhz); }
Axis gwDistAxis() { return makeAxis("groundRangeKm", kGwDistAxisKm); }
Axis fAxis() { return makeAxis("freqKhz", kFAxisKhz); }
Axis dAxis() { return makeAxis("hopRangeKm", kDAxisKm); }
Axis psAxis() { return makeAxis("elevationAngleDeg", kPsAxisDeg); }
Axis csxAxis() { return makeAxis("cosSolarZenith", kCsxAxis); }
Axis fcsAxis() { return makeAxis("freqCosIncidenceKhz", kFcsAxisKhz); }

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

TableFile groundWaveFile(const std::string& fileName, Ground ground) {
    TableFile table{fileName, "groundWaveDb", kDbFormat, {}, gwFreqAxis(), gwDistAxis()};
    for (double freqKhz : kGwFreqAxisKhz) {
        const GroundWaveCurve curve(ground, freqKhz);
        for (double groundRangeKm : kGwDistAxisKm) {
            table.values.push_back(curve.fieldDb(groundRangeKm));
        }
    }
    return table;
}

TableFile antennaFactorFile(const std::string& fileName, Ground ground) {
    TableFile table{fileName, "antennaFactor", kFactorFormat, {}, fAxis(), psAxis()};
    for (double freqKhz : kFAxisKhz) {
        const AntennaFactor factor(ground, freqKhz);
        for (double elevationAngleDeg : kPsAxisDeg) {
            table.values.push_back(factor.factor(elevationAngleDeg));
        }
    }
    return table;
}

TableFile focusingFactorFile() {
    TableFile table{"FF.dat", "focusingFactor", kFactorFormat, {}, fAxis(), dAxis()};
    for (double freqKhz : kFAxisKhz) {
        for (double hopRangeKm : kDAxisKm) {
            table.values.push_back(tableFocusingFactor(freqKhz, hopRangeKm));
        }
    }
    return table;
}

TableFile reflectionFile(const std::string& fileName) {
    TableFile table{fileName, "log10ReflectionFactor", kFactorFormat, {}, csxAxis(), fcsAxis()};
    for (double cosSolarZenith : kCsxAxis) {
        const DRegionProfile profile = profileForCosZenith(cosSolarZenith);
        for (double freqCosIncidenceKhz : kFcsAxisKhz) {
            const double logR = std::log10(reflectionMagnitude(profile, freqCosIncidenceKhz));
            table.values.push_back(std::max(logR, kMinLogReflection));
        }
    }
    return table;
}

std::vector<TableFile> computeDataSet() {
    std::vector<TableFile> files;
    files.push_back(axisFile("FG.dat", gwFreqAxis()));
    files.push_back(axisFile("DG.dat", gwDistAxis()));
    files.push_back(groundWaveFile("GW1.dat", kSeaGround));
    files.push_back(groundWaveFile("GW.dat", kLandGround));
    files.push_back(groundWaveFile("GW3.dat", kDryLandGround));
    files.push_back(axisFile("F.dat", fAxis()));
    files.push_back(axisFile("D.dat", dAxis()));
    files.push_back(focusingFactorFile());
    files.push_back(axisFile("PS.dat", psAxis()));
    files.push_back(antennaFactorFile("AF1.dat", kSeaGround));
    files.push_back(antennaFactorFile("AF2.dat", kLandGround));
    files.push_back(antennaFactorFile("AF3.dat", kDryLandGround));
    files.push_back(axisFile("CSX.dat", csxAxis()));
    files.push_back(axisFile("FCS.dat", fcsAxis()));
    // The D-region model has no solar-activity term (see README): one table for all codes.
    TableFile reflection = reflectionFile("RCX1.dat");
    for (const char* name : {"RCX1.dat", "RCX2.dat", "RCX3.dat"}) {
        reflection.fileName = name;
        files.push_back(reflection);
    }
    return files;
}

std::vector<TableFile> axisFiles() {
    return {axisFile("FG.dat", gwFreqAxis()), axisFile("DG.dat", gwDistAxis()),
            axisFile("F.dat", fAxis()),       axisFile("D.dat", dAxis()),
            axisFile("PS.dat", psAxis()),     axisFile("CSX.dat", csxAxis()),
            axisFile("FCS.dat", fcsAxis())};
}

bool isDataSetFileName(const std::string& name) {
    for (const char* own : {"FG.dat", "DG.dat", "GW1.dat", "GW.dat", "GW3.dat", "F.dat", "D.dat",
                            "FF.dat", "PS.dat", "AF1.dat", "AF2.dat", "AF3.dat", "CSX.dat",
                            "FCS.dat", "RCX1.dat", "RCX2.dat", "RCX3.dat"}) {
        if (name == own) return true;
    }
    return false;
}

void writeDatFile(const TableFile& table, const std::filesystem::path& dir) {
    const File file = openForWriting(dir / table.fileName);
    const std::size_t columns =
        table.columnAxis.values.empty() ? 1 : table.columnAxis.values.size();
    for (std::size_t i = 0; i < table.values.size(); ++i) {
        printValue(file.get(), table.format, table.values[i]);
        std::fputc((i + 1) % columns == 0 ? '\n' : ' ', file.get());
    }
    if (std::ferror(file.get()) != 0) throw std::runtime_error("cannot write " + table.fileName);
}

void writeCsvFile(const TableFile& table, const std::filesystem::path& dir) {
    const std::filesystem::path name =
        std::filesystem::path(table.fileName).replace_extension(".csv");
    const File file = openForWriting(dir / name);
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
    if (std::ferror(file.get()) != 0) throw std::runtime_error("cannot write " + name.string());
}

}  // namespace fieldcast::tables
