// The points run: every point of LATRLONR.dat or of a CSV, all 24 hours; points.csv, the
// classic reports on request, the diurnal plot and the interactive page.
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

int runPoints(const CommonOptions& common, const PointsOptions& options) {
    std::vector<PointSite> sites;
    if (options.pointsCsv) {
        try {
            sites = readPointsCsv(*options.pointsCsv);
        } catch (const std::runtime_error& e) {
            throw DataError(e.what());
        }
    } else {
        bool moreRecords = false;
        sites = pointsFromReceiverList(loadReceiverList(common.dataDir, &moreRecords));
        if (moreRecords) {
            std::fprintf(stderr,
                         "fieldcast-map: LATRLONR.dat holds more than %d records; the first %d "
                         "are predicted (--points takes a CSV of any length)\n",
                         kReceiverCount, kReceiverCount);
        }
    }
    if (sites.empty()) throw DataError("no receiving point to predict");
    if (options.reports && common.model.model == PropagationModel::extended) {
        throw UsageError("--reports writes fieldcast's own report: it needs --model classic");
    }
    const RunSetup setup = loadRunSetup(common, kPointsResolution, [&](PathRegion& region) {
        for (const PointSite& site : sites) region.addPath(site.latDeg, site.lonDeg);
    });
    const RunInputs* inputs = setup.inputs.get();
    warnOutsideFrequencyAxes(*inputs);
    if (options.plot) requireGmt("--no-plot");
    if (options.htmlPage) {
        checkPagePoints(sites.size());
        checkPageTools();
    }
    prepareOutputDir(common.outputDir);

    const unsigned threads = threadCount(common);
    std::vector<PointResult> results(sites.size());
    std::vector<std::optional<PointRefusal>> refusals(sites.size());
    const auto predictors = makePredictors(setup, threads);
    ProgressBar progress("points", sites.size(), common.progress);
    runParallel(
        sites.size(), threads,
        [&](std::size_t i, unsigned worker) {
            const PointSite& site = sites[i];
            if (!options.reports) {
                refusals[i] = predictors[worker]->predict(site.latDeg, site.lonDeg, results[i]);
                return;
            }
            char name[32];
            std::snprintf(name, sizeof name, "QZresult-%zu.txt", i);
            OutputFile report = createOutput(common.outputDir / name);
            refusals[i] = predictors[worker]->predict(site.latDeg, site.lonDeg, results[i],
                                                      {report.get(), &site.reportSite});
            closeOutput(report, common.outputDir / name);
        },
        &progress);
    progress.finish();
    // the first point in the list that fieldcast refuses, whatever the order the workers took
    for (std::size_t i = 0; i < sites.size(); ++i) {
        if (refusals[i]) {
            refusePoint(*refusals[i],
                        "point " + std::to_string(i) + " \"" + sites[i].nameUtf8 + "\"",
                        sites[i].latDeg, sites[i].lonDeg);
        }
    }

    const int resultMode = inputs->base.resultMode;
    const bool extended = inputs->model.model == PropagationModel::extended;
    if (options.csv) {
        const std::filesystem::path csvPath = common.outputDir / "points.csv";
        OutputFile csv = createOutput(csvPath);
        writeOutput(csv.get(),
                    std::string("pointIndex,pointName,latDeg,lonDeg,") + kPredictionColumns +
                        (extended ? std::string(",") + kHopOrderColumns : std::string()) + "\n",
                    csvPath);
        std::string text;
        for (std::size_t i = 0; i < sites.size(); ++i) {
            text.clear();
            for (int hour = 0; hour < kHourCount; ++hour) {
                text += std::to_string(i) + ',' + csvField(sites[i].nameUtf8) + ',' +
                        formatNumber(sites[i].latDeg) + ',' + formatNumber(sites[i].lonDeg) + ',';
                appendPredictionCells(text, results[i], hour, resultMode);
                if (extended) appendHopOrderCells(text, results[i], hour);
                text += '\n';
            }
            writeOutput(csv.get(), text, csvPath);
        }
        closeOutput(csv, csvPath);
    }

    if (options.plot) {
        std::vector<DiurnalCurve> curves;
        for (std::size_t i = 0; i < sites.size(); ++i) {
            DiurnalCurve curve;
            const bool ascii = std::all_of(sites[i].nameUtf8.begin(), sites[i].nameUtf8.end(),
                                           [](char c) { return c >= 0x20 && c < 0x7f; });
            // the plot's fonts have no Japanese: such names are shown by their index
            curve.label =
                ascii ? std::to_string(i) + ": " + sites[i].nameUtf8 : "point " + std::to_string(i);
            for (int hour = 0; hour < kHourCount; ++hour) {
                curve.fieldDb.push_back(results[i].pathKind == PathKind::beyondRange
                                            ? NAN
                                            : reportedField(results[i], hour, resultMode).db);
            }
            curves.push_back(std::move(curve));
        }
        const ScratchDir scratch;
        drawDiurnalPlot(curves, runTitle(*inputs), common.outputDir / "diurnal.png", scratch.path(),
                        sessionName("diurnal"));
    }
    if (options.htmlPage) {
        const ScratchDir scratch;
        writePointsPage(
            pageFrame(*inputs, common.dataDir, "fieldcast points: " + runTitle(*inputs)), sites,
            results, resultMode, common.outputDir, scratch.path(), sessionName("page"));
    }
    if (setup.grounds)
        std::printf("%s\n", groundsNote(*setup.grounds, inputs->base.txGroundType).c_str());
    printSummary(std::to_string(sites.size()) + " points x 24 hours", common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
