// The area run: a latitude/longitude grid over the requested hours; area.csv and its
// metadata, CF netCDF grids, GeoTIFF, contours and service areas, coverage maps and the
// interactive page.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_common.h"
#include "batch_runs.h"
#include "csv_table.h"
#include "gmt_maps.h"
#include "grid_outputs.h"
#include "html_viewer.h"
#include "output_files.h"
#include "parallel.h"
#include "run_description.h"

namespace fieldcast::map {

namespace {

constexpr std::size_t kMaxGridNodes = 10'000'000;  // 24 hourly grids of floats: under 1 GB

// Each worker's result of the node in hand, on cache lines of its own: two workers writing
// into one line would slow each other down.
struct alignas(64) WorkerResult {
    PointResult point;
    PredictionCells cells;  // the CSV cells of the node in hand
    std::string nodeText;   // its "latDeg,lonDeg,"
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
    const bool contourFiles = options.geojson || options.kml;
    const bool pageLayers = options.htmlPage && !options.contourLevelsDb.empty();
    const bool keepGrids =
        wantGrids || options.maps || options.geotiff || contourFiles || pageLayers;

    const GeoBox gridBox{grid.lonMinDeg, grid.lonMinDeg + (grid.lonCount - 1) * grid.stepDeg,
                         grid.latMinDeg, grid.latMinDeg + (grid.latCount - 1) * grid.stepDeg};
    const RunSetup setup = loadRunSetup(
        common, resolutionForGridStep(grid.stepDeg),
        [&](PathRegion& region) {
            region.addGridPaths(grid.lonMinDeg, grid.latMinDeg, grid.stepDeg, grid.lonCount,
                                grid.latCount);
        },
        &gridBox);
    const RunInputs* inputs = setup.inputs.get();
    warnOutsideFrequencyAxes(*inputs);
    if (options.maps) requireGmt("--no-maps");
    if (options.htmlPage) checkPageTools();
    OutputFolder folder(common.outputDir);
    if (wantCsv) {
        folder.expect("area.csv");
        folder.expect("area.json");
    }
    for (const int hour : options.hours) {
        const std::string stamp = zoneFileStamp(hour, common.zone);
        if (wantGrids) folder.expect("field-" + stamp + ".nc");
        if (options.maps) folder.expect("map-" + stamp + ".png");
    }
    if (wantGrids) folder.expect("field.nc");
    if (options.geotiff) folder.expect("field.tif");
    for (const char* name : {kContourLinesGeoJson, kServiceAreasGeoJson}) {
        if (options.geojson) folder.expect(name);
    }
    for (const char* name : {kContourLinesKml, kServiceAreasKml}) {
        if (options.kml) folder.expect(name);
    }
    if (options.htmlPage) folder.expect("index.html");
    const int resultMode = inputs->base.resultMode;
    const bool extended = inputs->model.model == PropagationModel::extended;
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
    // whether any node lies within the method's range: a region wholly beyond it (the
    // transmitter's position or the region mistyped) gives files of no value, said so
    std::atomic<bool> anyNodeInRange{false};
    // the classic method's sky-wave nodes more than half a turn of longitude from the
    // transmitter: their control point, and its sun, lie off the path (as fieldcast's do for a
    // point written so), which a region round the globe or across 180 degrees gives unasked
    const double txLonDeg = inputs->base.txLon;
    std::atomic<std::size_t> farLongitudeNodes{0};

    std::optional<ResultFile> csv;
    if (wantCsv) {
        csv.emplace(folder, "area.csv");
        csv->write(std::string("latDeg,lonDeg,") + kPredictionColumns +
                   (extended ? std::string(",") + kHopOrderColumns : std::string()) + "\n");
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
                std::size_t farLongitudes = 0;
                for (int col = 0; col < grid.lonCount; ++col) {
                    const double lonDeg = nodeDeg(grid.lonMinDeg, grid.stepDeg, col);
                    if (auto refusal = predictors[worker]->predict(latDeg, lonDeg, result)) {
                        rowRefusals[k] = RefusedNode{std::move(*refusal), latDeg, lonDeg};
                        return;  // the run ends; the rest of the row is not needed
                    }
                    const std::size_t node = row * static_cast<std::size_t>(grid.lonCount) +
                                             static_cast<std::size_t>(col);
                    if (page) page->addNode(node, result);
                    if (result.pathKind != PathKind::beyondRange &&
                        !anyNodeInRange.load(std::memory_order_relaxed)) {
                        anyNodeInRange.store(true, std::memory_order_relaxed);
                    }
                    if (!extended && controlPointOffPath(result, lonDeg, txLonDeg)) {
                        ++farLongitudes;
                    }
                    // the node's own cells, once for its hours
                    std::string& nodeText = workerResults[worker].nodeText;
                    PredictionCells& cells = workerResults[worker].cells;
                    if (text != nullptr) {
                        nodeText.clear();
                        nodeText += formatNumber(latDeg);
                        nodeText += ',';
                        nodeText += formatNumber(lonDeg);
                        nodeText += ',';
                        cells.set(result, resultMode);
                    }
                    for (std::size_t h = 0; h < options.hours.size(); ++h) {
                        const int hour = options.hours[h];
                        if (keepGrids) {
                            // beyond the method: no value; the transmitter's own node keeps
                            // its infinite field, as the CSV does
                            hourGrids[h][node] =
                                result.pathKind == PathKind::beyondRange
                                    ? NAN
                                    : static_cast<float>(
                                          reportedField(result, hour, resultMode).db);
                        }
                        if (text != nullptr) {
                            *text += nodeText;
                            cells.append(*text, hour);
                            if (extended) appendHopOrderCells(*text, result, hour);
                            *text += '\n';
                        }
                    }
                }
                if (farLongitudes > 0) farLongitudeNodes += farLongitudes;
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
    RunDescription description = describeRun(setup, common, common.zone);
    if (!anyNodeInRange) {
        const std::string warning =
            "no node of the region lies within " + formatNumber(description.noValueRangeKm) +
            " km of the transmitter at latitude " + formatNumber(inputs->base.txLat) +
            ", longitude " + formatNumber(inputs->base.txLon) +
            " (the range of the method): every node has no value (empty cells in area.csv, NaN "
            "in the grids) and the contour files hold no shape";
        std::fprintf(stderr, "fieldcast-map: warning: %s\n", warning.c_str());
        description.items.push_back({"rangeWarning", warning});
    }
    if (farLongitudeNodes > 0) {
        const std::string warning =
            std::to_string(farLongitudeNodes.load()) +
            " sky-wave nodes of the region lie more than 180 degrees of longitude from the "
            "transmitter's (" +
            formatNumber(txLonDeg) +
            "): the classic method takes their control point, and its sun, off the path (tens of "
            "dB at some hours); write the two within 180 degrees of each other (one of them "
            "shifted by 360 degrees: --tx-lon 190 for 170 W, -R 0/360/... for the globe), or use "
            "--model extended";
        std::fprintf(stderr, "fieldcast-map: warning: %s\n", warning.c_str());
        description.items.push_back({"longitudeWarning", warning});
    }
    if (wantCsv) {
        std::string hourList;
        for (int hour : options.hours) {
            if (!hourList.empty()) hourList += ',';
            hourList += std::to_string(hour);
        }
        writeDescriptionFile(description, folder.partial("area.json"),
                             {{"csvFile", "area.csv"},
                              {"hoursJst", hourList},
                              {"region", grid.region().substr(2)},
                              {"stepDeg", formatNumber(grid.stepDeg), grid.stepDeg, true}});
        folder.publish("area.json");
    }
    std::vector<HourGrid> hourList;
    for (std::size_t h = 0; h < hourGrids.size(); ++h)
        hourList.push_back({options.hours[h], &hourGrids[h]});
    if (options.geotiff) {
        writeGeoTiff(folder.partial("field.tif"), hourList, grid, description);
        folder.publish("field.tif");
    }
    if (wantGrids) {
        // every hour in one file, along its time dimension, beside the files of one hour each
        writeCfNetcdf(folder.partial("field.nc"), hourList, grid, description);
        folder.publish("field.nc");
    }
    // a scratch folder where gmt or the page needs one: files alone do not depend on the
    // temporary folder (an unusable TMPDIR failed such a run after its grid was computed)
    std::optional<ScratchDir> scratchFolder;
    if (pageLayers || page || options.maps) scratchFolder.emplace();
    const std::filesystem::path scratch = scratchFolder ? scratchFolder->path() : "";
    // the contour files: written whole before they are put in place; the page's, in the grid's
    // own longitudes, in the scratch folder
    ContourFiles contours;
    if (options.geojson) {
        contours.linesGeoJson = folder.partial(kContourLinesGeoJson);
        contours.areasGeoJson = folder.partial(kServiceAreasGeoJson);
    }
    if (pageLayers) {
        contours.pageLinesGeoJson = scratch / kContourLinesGeoJson;
        contours.pageAreasGeoJson = scratch / kServiceAreasGeoJson;
    }
    if (options.kml) {
        contours.linesKml = folder.partial(kContourLinesKml);
        contours.areasKml = folder.partial(kServiceAreasKml);
    }
    if (contourFiles || pageLayers) {
        writeContourFiles(contours, hourList, grid, options.contourLevelsDb, description);
    }
    if (page) {
        PageFrame frame = pageFrame(*inputs, setup.grounds.get(), common.dataDir,
                                    "fieldcast coverage: " + description.title, options.colourMinDb,
                                    options.colourMaxDb, common.zone);
        if (pageLayers) {
            frame.layers = {{"Contours", contours.pageLinesGeoJson, true, true},
                            {"Service areas (field at least the level)", contours.pageAreasGeoJson,
                             true, false}};
        }
        const std::filesystem::path staging = folder.partial("page");
        std::filesystem::create_directory(staging);
        writeAreaPage(areaPage(std::move(frame), grid), *page, staging, scratch,
                      sessionName("page"));
        std::filesystem::rename(staging / "viewer", folder.partial("viewer"));
        std::filesystem::rename(staging / "index.html", folder.partial("index.html"));
        folder.publish("viewer");
        folder.publish("index.html");
    }
    if (options.geojson) {
        folder.publish(kContourLinesGeoJson);
        folder.publish(kServiceAreasGeoJson);
    }
    if (options.kml) {
        folder.publish(kContourLinesKml);
        folder.publish(kServiceAreasKml);
    }

    if (setup.grounds)
        std::printf("%s\n", groundsNote(*setup.grounds, inputs->base.txGroundType).c_str());
    const std::string summary = std::to_string(nodes) + " grid nodes x " +
                                std::to_string(options.hours.size()) +
                                (options.hours.size() == 1 ? " hour" : " hours");
    if (!wantGrids && !options.maps) {
        folder.finish();
        printSummary(summary, common.outputDir);
        return 0;
    }
    CoverageMapStyle style{};
    style.txLatDeg = inputs->base.txLat;
    style.txLonDeg = inputs->base.txLon;
    style.colourMinDb = options.colourMinDb;
    style.colourMaxDb = options.colourMaxDb;
    style.contourLevelsDb = options.contourLevelsDb;
    style.subtitle = description.details;
    // an empty map says why
    if (!anyNodeInRange) {
        style.subtitle += "; no node within " + formatNumber(description.noValueRangeKm) + " km";
    }
    ProgressBar mapProgress("maps", options.hours.size(), common.progress);
    // one GMT session per hour; gmt itself is single-threaded, so run them side by side
    runParallel(
        options.hours.size(), threads,
        [&](std::size_t h, unsigned) {
            const int hourJst = options.hours[h];
            const std::string stem = "field-" + zoneFileStamp(hourJst, common.zone);
            const std::string session = sessionName(stem);
            if (wantGrids) {
                writeCfNetcdf(folder.partial(stem + ".nc"), {hourList[h]}, grid, description);
                folder.publish(stem + ".nc");
            }
            if (!options.maps) return;
            // the map's grid: the transmitter's infinite node left unpainted, 0 mV/m in the
            // colour under the scale, as on the page
            std::vector<float> painted = hourGrids[h];
            for (float& v : painted) {
                if (v == INFINITY) v = NAN;
                if (v == -INFINITY) v = static_cast<float>(options.colourMinDb - 1.0);
            }
            const std::filesystem::path gridFile = scratch / (stem + ".nc");
            writeCfNetcdf(gridFile, {{hourJst, &painted}}, grid, description);
            CoverageMapStyle hourStyle = style;
            hourStyle.title = description.headline + ", " + zoneClock(hourJst, common.zone);
            hourStyle.terminatorUtc = terminatorTime(description.month, hourJst);
            // gmt makes the map in the scratch folder; the finished one is copied into place
            const std::string png = "map-" + zoneFileStamp(hourJst, common.zone) + ".png";
            drawCoverageMap(gridFile, grid, hourStyle, scratch / png, scratch, session);
            std::filesystem::remove(gridFile);
            folder.adopt(scratch / png, png);
            std::filesystem::remove(scratch / png);
        },
        &mapProgress);
    mapProgress.finish();
    folder.finish();
    printSummary(summary, common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
