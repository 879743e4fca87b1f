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
    std::vector<double> userGround;  // relative permittivity, conductivity S/m
    std::string userGroundFile = "GWU.dat";
};

// A user-ground file name must be a plain name: it is written into the output directory.
std::string checkPlainFileName(const std::string& name) {
    const std::filesystem::path path(name);
    if (name.empty() || path.has_parent_path() || path.filename() != path) {
        return "must be a file name without a directory";
    }
    return {};
}

std::string checkUserGround(const std::string& text) {
    double value = 0.0;
    if (!CLI::detail::lexical_cast(text, value)) return "not a number: " + text;
    if (!(value > 0.0)) return "must be positive: " + text;
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
        ->required();
    app.add_flag("--csv", options.csv,
                 "also write a CSV copy of every file, with headers and units");
    app.add_option("--user-ground", options.userGround,
                   "also write a ground-wave curve file for this ground: relative permittivity "
                   "(at least 1) and conductivity in S/m")
        ->expected(2)
        ->type_name("PERMITTIVITY CONDUCTIVITY")
        ->check(CLI::Validator(checkUserGround, "POSITIVE"));
    app.add_option("--user-ground-file", options.userGroundFile,
                   "name of the user ground's curve file (default GWU.dat)")
        ->check(CLI::Validator(checkPlainFileName, "NAME"));
    try {
        app.parse(argc, argv);
        if (!options.userGround.empty() && options.userGround[0] < 1.0) {
            throw CLI::ValidationError("--user-ground", "relative permittivity must be at least 1");
        }
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
        if (!options.userGround.empty()) {
            files.push_back(groundWaveFile(options.userGroundFile,
                                           Ground{options.userGround[0], options.userGround[1]}));
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
