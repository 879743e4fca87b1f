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
#include "run_description.h"
#include "text_encoding.h"

namespace fieldcast::map {

namespace {

// A name as the plot's fonts can show it: in ISO 8859-1 ("Kraków"); the fonts have no
// Japanese, so other names are left to points.csv.
std::string plotLabel(const std::string& nameUtf8) {
    const bool printable = std::none_of(nameUtf8.begin(), nameUtf8.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    try {
        if (printable) return utf8ToLatin1(nameUtf8);
    } catch (const std::runtime_error&) {
    }
    return "(name in points.csv)";
}

}  // namespace

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

    const RunDescription description = describeRun(setup, common, common.zone);
    if (options.csv) {
        writeDescriptionFile(
            description, common.outputDir / "points.json",
            {{"csvFile", "points.csv"},
             {"points", std::to_string(sites.size()), static_cast<double>(sites.size()), true}});
    }
    if (options.plot) {
        std::vector<DiurnalCurve> curves;
        for (std::size_t i = 0; i < sites.size(); ++i) {
            DiurnalCurve curve;
            curve.label = std::to_string(i) + ": " + plotLabel(sites[i].nameUtf8);
            if (results[i].pathKind == PathKind::beyondRange) {
                curve.noValueReason = "over 4000 km, no value";
            }
            for (int hour = 0; hour < kHourCount; ++hour) {
                curve.hourOfDay.push_back(zoneMinutesOfJstHour(hour, common.zone) / 60.0);
                curve.fieldDb.push_back(results[i].pathKind == PathKind::beyondRange
                                            ? NAN
                                            : reportedField(results[i], hour, resultMode).db);
            }
            curves.push_back(std::move(curve));
        }
        // one plot for a few points; beyond that one plot per group, numbered
        const std::size_t groups =
            (curves.size() + kDiurnalCurvesPerPlot - 1) / kDiurnalCurvesPerPlot;
        const ScratchDir scratch;
        for (std::size_t g = 0; g < groups; ++g) {
            const auto first =
                curves.begin() + static_cast<std::ptrdiff_t>(g * kDiurnalCurvesPerPlot);
            const auto last = g + 1 == groups
                                  ? curves.end()
                                  : first + static_cast<std::ptrdiff_t>(kDiurnalCurvesPerPlot);
            char name[32];
            std::snprintf(name, sizeof name, groups == 1 ? "diurnal.png" : "diurnal-%02zu.png",
                          g + 1);
            std::string title = description.headline;
            if (groups > 1) {
                title += ", points " + std::to_string(g * kDiurnalCurvesPerPlot) + "-" +
                         std::to_string(g * kDiurnalCurvesPerPlot +
                                        static_cast<std::size_t>(last - first) - 1);
            }
            drawDiurnalPlot({first, last}, title, description.details,
                            "hour (" + common.zone.label + ")", common.outputDir / name,
                            scratch.path(), sessionName("diurnal-" + std::to_string(g)));
        }
    }
    if (options.htmlPage) {
        const ScratchDir scratch;
        writePointsPage(pageFrame(*inputs, common.dataDir, "fieldcast points: " + description.title,
                                  0.0, 100.0, common.zone),
                        sites, results, resultMode, common.outputDir, scratch.path(),
                        sessionName("page"));
    }
    if (setup.grounds)
        std::printf("%s\n", groundsNote(*setup.grounds, inputs->base.txGroundType).c_str());
    printSummary(std::to_string(sites.size()) + " points x 24 hours", common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
