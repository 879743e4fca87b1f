// fieldcast-validate: runs the prediction on the bundled tables for the anchor paths and
// prints each anchor, the prediction and their difference, then a summary by group. Exit
// status 0 when every group meets its criteria, 1 when one does not or a data set cannot be
// read, 2 for a usage error, 128 and the signal when interrupted.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <utility>

#include "anchors.h"
#include "output_files.h"
#include "parser_messages.h"

namespace {

// Whether everything printed reached standard output; says so on standard error when not.
bool standardOutputWritten() {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return true;
    std::fprintf(stderr, "fieldcast-validate: standard output: write failed\n");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    fieldcast::validation::DataSets sets;
    bool summaryOnly = false;
    CLI::App app{
        "fieldcast-validate: the sky wave of the LF and MF data sets against ITU-R P.1147 and "
        "published LF measurements, run through the prediction itself; the ground-wave curves "
        "against ITU-R P.368 and the sun against the almanac"};
    fieldcast::tools::nameParserMessages(app, "fieldcast-validate");
    app.footer(
        "Run from the top of the tree for the default folders. Exit status: 0 when every group "
        "meets its criteria, 1 when one does not or a data set cannot be read, 2 for a usage "
        "error, 130, 143 or 129 when interrupted (SIGINT, SIGTERM, SIGHUP).");
    app.add_option("--lf", sets.lf, "the LF data set (20-300 kHz)")
        ->check(CLI::ExistingDirectory)
        ->capture_default_str();
    app.add_option("--mf", sets.mf, "the MF data set (150-1700 kHz)")
        ->check(CLI::ExistingDirectory)
        ->capture_default_str();
    app.add_flag("--summary", summaryOnly, "print the summary by group only");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        return standardOutputWritten() ? 0 : 1;
    } catch (const CLI::ParseError& e) {
        // the misspelling first: the parser's own message may only be its consequence
        fieldcast::tools::hintNearestOptions(app, "fieldcast-validate", argc, argv);
        app.exit(e);
        return 2;
    }
    // The default folders are the bundled ones, relative to the top of the tree: from anywhere
    // else say so, rather than only that FG.dat cannot be opened.
    for (const auto& [option, dir] : {std::pair{"--lf", &sets.lf}, std::pair{"--mf", &sets.mf}}) {
        std::error_code error;
        if (app.count(option) == 0 && !std::filesystem::is_directory(*dir, error)) {
            std::fprintf(stderr,
                         "fieldcast-validate: %s: no such folder here; run from the top of the "
                         "tree or name the data set with %s\n",
                         dir->string().c_str(), option);
            return 1;
        }
    }
    // an interrupted run removes the scratch folders of the regions' tables, and ends with
    // the signal's status rather than a report
    fieldcast::map::catchInterrupts("fieldcast-validate");
    try {
        const auto rows = fieldcast::validation::runAnchors(sets);
        // an interrupt, once begun, holds the lock until it ends the process
        const std::lock_guard<std::mutex> noInterrupt(fieldcast::map::runLock());
        if (!summaryOnly) {
            fieldcast::validation::printRows(stdout, rows);
            std::fputc('\n', stdout);
        }
        fieldcast::validation::printSummary(stdout, fieldcast::validation::summarise(rows));
        // a report lost to a full disk or a closed standard output is a failure
        if (!standardOutputWritten()) return 1;
        return fieldcast::validation::meetsCriteria(rows) ? 0 : 1;
    } catch (const std::exception& e) {
        // a file gone with the scratch folders of an interrupt is no failure of its own
        const std::lock_guard<std::mutex> noInterrupt(fieldcast::map::runLock());
        std::fprintf(stderr, "fieldcast-validate: %s\n", e.what());
        return 1;
    }
}
