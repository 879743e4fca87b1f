// fieldcast-tables: computes the ground-wave curves and sky-wave tables that fieldcast reads.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "table_set.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options {
    std::string outputDir;
    bool csv = false;
    double groundPermittivity = 0.0;  // relative
    double groundConductivitySm = 0.0;
    std::string groundFile = "GWU.dat";
};

// A user-ground file name must be a plain name, as it is written into the output directory,
// and not one of the data set's own files, which it would overwrite.
std::string checkGroundFileName(const std::string& name) {
    const std::filesystem::path path(name);
    if (name.empty() || path.has_parent_path() || path.filename() != path) {
        return "must be a file name without a directory: " + name;
    }
    if (fieldcast::tables::isDataSetFileName(name)) return "is a file of the data set: " + name;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace fieldcast::tables;
    Options options;
    CLI::App app{
        "Computes the ground-wave curves (FG, DG, GW1, GW, GW3) and sky-wave tables (F, D, FF, "
        "PS, AF1-3, CSX, FCS, RCX1-3) that fieldcast reads, as .dat files in DIR."};
    app.add_option("-o,--output-dir", options.outputDir,
                   "directory to write into (created if missing)")
        ->type_name("DIR")
        ->required();
    app.add_flag("--csv", options.csv,
                 "also write a CSV copy of every file, with headers and units");
    CLI::Option* permittivity =
        app.add_option("--ground-permittivity", options.groundPermittivity,
                       "also write a ground-wave curve file for a ground of this relative "
                       "permittivity (at least 1); needs --ground-conductivity")
            ->type_name("EPS")
            ->check(CLI::Range(1.0, 1e6));
    CLI::Option* conductivity =
        app.add_option("--ground-conductivity", options.groundConductivitySm,
                       "conductivity of that ground, S/m (positive)")
            ->type_name("S_PER_M")
            ->check(CLI::PositiveNumber);
    permittivity->needs(conductivity);
    conductivity->needs(permittivity);
    app.add_option("--ground-file", options.groundFile,
                   "file name of that ground's curves (default GWU.dat)")
        ->type_name("NAME")
        ->check(CLI::Validator(checkGroundFileName, "NAME"))
        ->needs(permittivity);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    try {
        const std::filesystem::path dir(options.outputDir);
        std::filesystem::create_directories(dir);
        std::vector<TableFile> files = computeDataSet();
        if (permittivity->count() > 0) {
            files.push_back(groundWaveFile(
                options.groundFile,
                fieldcast::Ground{options.groundPermittivity, options.groundConductivitySm}));
        }
        for (const TableFile& file : files) {
            writeDatFile(file, dir);
            if (options.csv) writeCsvFile(file, dir);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fieldcast-tables: %s\n", e.what());
        return kExitFailure;
    }
    return 0;
}
