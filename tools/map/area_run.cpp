// The area run: a latitude/longitude grid over the requested hours; area.csv, netCDF grids,
// coverage maps and the interactive page.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_common.h"
#include "batch_runs.h"
#include "csv_table.h"
#include "gmt_maps.h"
#include "html_viewer.h"
#include "output_files.h"
#include "parallel.h"

namespace fieldcast::map {

namespace {

constexpr std::size_t kMaxGridNodes = 10'000'000;  // 24 hourly grids of floats: under 1 GB

// Each worker's result of the node in hand, on cache lines of its own: two workers writing
// into one line would slow each other down.
struct alignas(64) WorkerResult {
    PointResult point;
};

// A grid node whose hour fieldcast refuses.
struct RefusedNode {
    PointRefusal refusal;
    double latDeg;
    double lonDeg;
};

}  // namespace

int runArea(const CommonOptions& common, const AreaOptions& options) {
    GridGeometry grid{};
    grid.lonMinDeg = options.lonMinDeg;
    grid.latMinDeg = options.latMinDeg;
    grid.stepDeg = options.stepDeg;
    grid.lonCount = nodeCount(options.lonMinDeg, options.lonMaxDeg, options.stepDeg);
    grid.latCount = nodeCount(options.latMinDeg, options.latMaxDeg, options.stepDeg);
    const std::size_t nodes =
        static_cast<std::size_t>(grid.lonCount) * static_cast<std::size_t>(grid.latCount);
    if (nodes > kMaxGridNodes) {
        throw UsageError("the grid has " + std::to_string(nodes) + " nodes; at most " +
                         std::to_string(kMaxGridNodes) + " (take a larger --step)");
    }
    if (options.htmlPage) checkPageGrid(nodes);
    const bool wantCsv = options.format == AreaFormat::csv || options.format == AreaFormat::both;
    const bool wantGrids = options.format == AreaFormat::grid || options.format == AreaFormat::both;
    const bool keepGrids = wantGrids || options.maps;

    const RunSetup setup =
        loadRunSetup(common, resolutionForGridStep(grid.stepDeg), [&](PathRegion& region) {
            region.addGridPaths(grid.lonMinDeg, grid.latMinDeg, grid.stepDeg, grid.lonCount,
                                grid.latCount);
        });
    const RunInputs* inputs = setup.inputs.get();
    warnOutsideFrequencyAxes(*inputs);
    if (wantGrids || options.maps) requireGmt("--no-maps and --format csv or none");
    if (options.htmlPage) checkPageTools();
    OutputFolder folder(common.outputDir);
    if (wantCsv) folder.expect("area.csv");
    for (const int hour : options.hours) {
        char name[32];
        std::snprintf(name, sizeof name, "field-%02d.nc", hour);
        if (wantGrids) folder.expect(name);
        std::snprintf(name, sizeof name, "map-%02d.png", hour);
        if (options.maps) folder.expect(name);
    }
    if (options.htmlPage) folder.expect("index.html");
    const int resultMode = inputs->base.resultMode;
    // the values of the interactive page, as its digits
    const std::unique_ptr<AreaPageValues> page =
        options.htmlPage ? std::make_unique<AreaPageValues>(nodes, options.hours, resultMode)
                         : nullptr;

    // the field of every requested hour, rows from north to south: the memory of the run
    std::vector<std::vector<float>> hourGrids(keepGrids ? options.hours.size() : 0,
                                              std::vector<float>(nodes));
    const unsigned threads = threadCount(common);
    const auto predictors = makePredictors(setup, threads);
    std::vector<WorkerResult> workerResults(threads);

    std::optional<ResultFile> csv;
    if (wantCsv) {
        csv.emplace(folder, "area.csv");
        csv->write(std::string("latDeg,lonDeg,") + kPredictionColumns + "\n");
    }
    // with CSV the rows go in batches, each written in order before the next is computed
    const std::size_t rows = static_cast<std::size_t>(grid.latCount);
    const std::size_t batchRows = wantCsv ? std::max<std::size_t>(16, threads * 8) : rows;
    std::vector<std::string> rowText(wantCsv ? batchRows : 0);
    std::vector<std::optional<RefusedNode>> rowRefusals(batchRows);
    ProgressBar progress("grid rows", rows, common.progress);
    for (std::size_t batchStart = 0; batchStart < rows; batchStart += batchRows) {
        const std::size_t batchEnd = std::min(rows, batchStart + batchRows);
        runParallel(
            batchEnd - batchStart, threads,
            [&](std::size_t k, unsigned worker) {
                const std::size_t row = batchStart + k;  // 0: the northern row
                const int latIndex = grid.latCount - 1 - static_cast<int>(row);
                const double latDeg = nodeDeg(grid.latMinDeg, grid.stepDeg, latIndex);
                PointResult& result = workerResults[worker].point;
                std::string* text = wantCsv ? &rowText[k] : nullptr;
                if (text != nullptr) text->clear();
                rowRefusals[k].reset();
                for (int col = 0; col < grid.lonCount; ++col) {
                    const double lonDeg = nodeDeg(grid.lonMinDeg, grid.stepDeg, col);
                    if (auto refusal = predictors[worker]->predict(latDeg, lonDeg, result)) {
                        rowRefusals[k] = RefusedNode{std::move(*refusal), latDeg, lonDeg};
                        return;  // the run ends; the rest of the row is not needed
                    }
                    const std::size_t node = row * static_cast<std::size_t>(grid.lonCount) +
                                             static_cast<std::size_t>(col);
                    if (page) page->addNode(node, result);
                    for (std::size_t h = 0; h < options.hours.size(); ++h) {
                        const int hour = options.hours[h];
                        if (keepGrids) {
                            // beyond the method, or an infinite field (a node on the
                            // transmitter itself): no value on the map
                            const double db = result.pathKind == PathKind::beyondRange
                                                  ? NAN
                                                  : reportedField(result, hour, resultMode).db;
                            hourGrids[h][node] = std::isfinite(db) ? static_cast<float>(db) : NAN;
                        }
                        if (text != nullptr) {
                            *text += formatNumber(latDeg) + ',' + formatNumber(lonDeg) + ',';
                            appendPredictionCells(*text, result, hour, resultMode);
                            *text += '\n';
                        }
                    }
                }
            },
            &progress, batchStart);
        // the northernmost row first, the western node of it: whatever the workers' order
        for (std::size_t k = 0; k < batchEnd - batchStart; ++k) {
            if (const auto& node = rowRefusals[k]) {
                refusePoint(node->refusal, "grid node", node->latDeg, node->lonDeg);
            }
        }
        for (std::size_t k = 0; wantCsv && k < batchEnd - batchStart; ++k) {
            csv->write(rowText[k]);
        }
    }
    progress.finish();
    if (csv) csv->commit();
    if (page) {
        const ScratchDir scratch;
        const std::filesystem::path staging = folder.partial("page");
        std::filesystem::create_directory(staging);
        writeAreaPage(
            areaPage(pageFrame(*inputs, common.dataDir, "fieldcast coverage: " + runTitle(*inputs),
                               options.colourMinDb, options.colourMaxDb),
                     grid),
            *page, staging, scratch.path(), sessionName("page"));
        std::filesystem::rename(staging / "viewer", folder.partial("viewer"));
        std::filesystem::rename(staging / "index.html", folder.partial("index.html"));
        folder.publish("viewer");
        folder.publish("index.html");
    }

    if (setup.grounds)
        std::printf("%s\n", groundsNote(*setup.grounds, inputs->base.txGroundType).c_str());
    const std::string summary =
        std::to_string(nodes) + " grid nodes x " + std::to_string(options.hours.size()) + " hours";
    if (!keepGrids) {
        folder.finish();
        printSummary(summary, common.outputDir);
        return 0;
    }
    const ScratchDir scratch;
    CoverageMapStyle style{};
    style.txLatDeg = inputs->base.txLat;
    style.txLonDeg = inputs->base.txLon;
    style.colourMinDb = options.colourMinDb;
    style.colourMaxDb = options.colourMaxDb;
    style.contourLevelsDb = options.contourLevelsDb;
    ProgressBar mapProgress("maps", options.hours.size(), common.progress);
    // one GMT session per hour; gmt itself is single-threaded, so run them side by side
    runParallel(
        options.hours.size(), threads,
        [&](std::size_t h, unsigned) {
            char stem[32];
            std::snprintf(stem, sizeof stem, "field-%02d", options.hours[h]);
            const std::string session = sessionName(stem);
            // gmt makes its files in the scratch folder; the finished ones are copied into place
            const std::filesystem::path gridFile = scratch.path() / (std::string(stem) + ".nc");
            writeNetcdfGrid(hourGrids[h], grid, gridFile, scratch.path(), session);
            if (wantGrids) folder.adopt(gridFile, gridFile.filename().string());
            if (!options.maps) return;
            CoverageMapStyle hourStyle = style;
            char hourText[16];
            std::snprintf(hourText, sizeof hourText, "%02d:00 JST", options.hours[h]);
            hourStyle.title = runTitle(*inputs) + ", " + hourText;
            char png[32];
            std::snprintf(png, sizeof png, "map-%02d.png", options.hours[h]);
            drawCoverageMap(gridFile, grid, hourStyle, scratch.path() / png, scratch.path(),
                            session);
            folder.adopt(scratch.path() / png, png);
        },
        &mapProgress);
    mapProgress.finish();
    folder.finish();
    printSummary(summary, common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
