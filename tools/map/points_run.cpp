// The points run: every point of LATRLONR.dat or of a CSV, all 24 hours; points.csv, the
// classic reports on request, the diurnal plot and the interactive page. A CSV is read in
// blocks, each predicted and written before the next is read, so that a list of any length
// takes the memory of one block (the page, which holds its points, takes at most
// kMaxPagePoints).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
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

constexpr std::size_t kBlockPoints = 4096;
// The diurnal plot draws the curves of the first points of the list; a plot of more could
// not be read, and its data would grow with the list.
constexpr std::size_t kPlotPoints = 100;

// Calls `each` with the points of the list block after block, with the index of the block's
// first point. Throws DataError for a bad record, UsageError for a list that cannot be read
// as one.
class PointList {
  public:
    PointList(const CommonOptions& common, const PointsOptions& options) : options_(options) {
        if (options.pointsCsv) return;
        bool moreRecords = false;
        receiverList_ = pointsFromReceiverList(loadReceiverList(common.dataDir, &moreRecords));
        if (moreRecords) {
            std::fprintf(stderr,
                         "fieldcast-map: LATRLONR.dat holds more than %d records; the first %d "
                         "are predicted (--points takes a CSV of any length)\n",
                         kReceiverCount, kReceiverCount);
        }
    }

    void forEachBlock(
        const std::function<void(const std::vector<PointSite>&, std::size_t)>& each) const {
        if (!options_.pointsCsv) {
            if (!receiverList_.empty()) each(receiverList_, 0);
            return;
        }
        // the reader's errors name the file and line; the callers' own pass through
        const auto reading = [](const auto& step) {
            try {
                return step();
            } catch (const PointsCsvUsageError& e) {
                throw UsageError(e.what());
            } catch (const std::runtime_error& e) {
                throw DataError(e.what());
            }
        };
        const auto reader = reading([&] {
            return std::make_unique<PointsCsvReader>(*options_.pointsCsv, options_.reports);
        });
        std::vector<PointSite> block;
        std::size_t first = 0;
        while (reading([&] { return reader->nextBlock(block, kBlockPoints); })) {
            each(block, first);
            first += block.size();
        }
    }

  private:
    const PointsOptions& options_;
    std::vector<PointSite> receiverList_;
};

}  // namespace

int runPoints(const CommonOptions& common, const PointsOptions& options) {
    const PointList list(common, options);
    // a first reading checks every record before anything is computed
    std::size_t pointCount = 0;
    list.forEachBlock(
        [&](const std::vector<PointSite>& block, std::size_t) { pointCount += block.size(); });
    if (pointCount == 0) throw DataError("no receiving point to predict");
    if (options.htmlPage) checkPagePoints(pointCount);
    const RunSetup setup = loadRunSetup(common, kPointsResolution, [&](PathRegion& region) {
        list.forEachBlock([&](const std::vector<PointSite>& block, std::size_t) {
            for (const PointSite& site : block) region.addPath(site.latDeg, site.lonDeg);
        });
    });
    const RunInputs* inputs = setup.inputs.get();
    warnOutsideFrequencyAxes(*inputs);
    if (options.plot) requireGmt("--no-plot");
    if (options.htmlPage) checkPageTools();
    OutputFolder folder(common.outputDir);
    if (options.csv) folder.expect("points.csv");
    if (options.reports) folder.expectReports(pointCount);
    if (options.plot) folder.expect("diurnal.png");
    if (options.htmlPage) folder.expect("index.html");

    const int resultMode = inputs->base.resultMode;
    const unsigned threads = threadCount(common);
    const auto predictors = makePredictors(setup, threads);
    std::optional<ResultFile> csv;
    if (options.csv) {
        csv.emplace(folder, "points.csv");
        csv->write(std::string("pointIndex,pointName,latDeg,lonDeg,") + kPredictionColumns + "\n");
    }
    std::vector<DiurnalCurve> curves;
    std::vector<PointSite> pageSites;
    std::vector<PointResult> pageResults;
    std::vector<PointResult> results;
    std::vector<std::optional<PointRefusal>> refusals;
    std::string text;
    ProgressBar progress("points", pointCount, common.progress);
    std::size_t predicted = 0;
    list.forEachBlock([&](const std::vector<PointSite>& sites, std::size_t first) {
        predicted += sites.size();
        if (predicted > pointCount) return;  // the list grew since it was checked
        results.assign(sites.size(), PointResult{});
        refusals.assign(sites.size(), std::nullopt);
        runParallel(
            sites.size(), threads,
            [&](std::size_t i, unsigned worker) {
                const PointSite& site = sites[i];
                if (!options.reports) {
                    refusals[i] = predictors[worker]->predict(site.latDeg, site.lonDeg, results[i]);
                    return;
                }
                char name[40];
                std::snprintf(name, sizeof name, "QZresult-%zu.txt", first + i);
                ResultFile report(folder, name);
                refusals[i] = predictors[worker]->predict(site.latDeg, site.lonDeg, results[i],
                                                          {report.get(), &site.reportSite});
                if (!refusals[i]) report.commit();
            },
            &progress, first);
        // the first point in the list that fieldcast refuses, whatever the order the workers
        // took
        for (std::size_t i = 0; i < sites.size(); ++i) {
            if (refusals[i]) {
                refusePoint(*refusals[i],
                            "point " + std::to_string(first + i) + " \"" + sites[i].nameUtf8 + "\"",
                            sites[i].latDeg, sites[i].lonDeg);
            }
        }
        for (std::size_t i = 0; csv && i < sites.size(); ++i) {
            text.clear();
            for (int hour = 0; hour < kHourCount; ++hour) {
                text += std::to_string(first + i) + ',' + csvField(sites[i].nameUtf8) + ',' +
                        formatNumber(sites[i].latDeg) + ',' + formatNumber(sites[i].lonDeg) + ',';
                appendPredictionCells(text, results[i], hour, resultMode);
                text += '\n';
            }
            csv->write(text);
        }
        for (std::size_t i = 0; options.plot && i < sites.size() && first + i < kPlotPoints; ++i) {
            DiurnalCurve curve;
            const std::string& name = sites[i].nameUtf8;
            const bool ascii =
                std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
            // the plot's fonts have no Japanese: such names are shown by their index
            curve.label = ascii ? std::to_string(first + i) + ": " + name
                                : "point " + std::to_string(first + i);
            for (int hour = 0; hour < kHourCount; ++hour) {
                curve.fieldDb.push_back(results[i].pathKind == PathKind::beyondRange
                                            ? NAN
                                            : reportedField(results[i], hour, resultMode).db);
            }
            curves.push_back(std::move(curve));
        }
        if (options.htmlPage) {
            pageSites.insert(pageSites.end(), sites.begin(), sites.end());
            pageResults.insert(pageResults.end(), results.begin(), results.end());
        }
    });
    progress.finish();
    if (predicted != pointCount) {
        throw DataError(options.pointsCsv->string() + ": changed while it was read (" +
                        std::to_string(pointCount) + " points, then " + std::to_string(predicted) +
                        ")");
    }
    if (csv) csv->commit();

    if (options.plot) {
        if (pointCount > kPlotPoints) {
            std::fprintf(stderr, "fieldcast-map: diurnal.png draws the first %zu of %zu points\n",
                         kPlotPoints, pointCount);
        }
        const ScratchDir scratch;
        drawDiurnalPlot(curves, runTitle(*inputs), scratch.path() / "diurnal.png", scratch.path(),
                        sessionName("diurnal"));
        folder.adopt(scratch.path() / "diurnal.png", "diurnal.png");
    }
    if (options.htmlPage) {
        const ScratchDir scratch;
        const std::filesystem::path staging = folder.partial("page");
        std::filesystem::create_directory(staging);
        writePointsPage(
            pageFrame(*inputs, common.dataDir, "fieldcast points: " + runTitle(*inputs)), pageSites,
            pageResults, resultMode, staging, scratch.path(), sessionName("page"));
        std::filesystem::rename(staging / "viewer", folder.partial("viewer"));
        std::filesystem::rename(staging / "index.html", folder.partial("index.html"));
        folder.publish("viewer");
        folder.publish("index.html");
    }
    folder.finish();
    if (setup.grounds)
        std::printf("%s\n", groundsNote(*setup.grounds, inputs->base.txGroundType).c_str());
    printSummary(std::to_string(pointCount) + " points x 24 hours", common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
