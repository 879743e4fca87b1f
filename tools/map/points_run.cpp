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
#include "run_description.h"
#include "text_encoding.h"

namespace fieldcast::map {

namespace {

constexpr std::size_t kBlockPoints = 4096;
// The diurnal plot draws the curves of the first points of the list; a plot of more could
// not be read, and its data would grow with the list.
constexpr std::size_t kPlotPoints = 100;

// The diurnal plots of `curves` points: one for a few, else one per group, numbered.
std::size_t diurnalPlotCount(std::size_t curves) {
    return (curves + kDiurnalCurvesPerPlot - 1) / kDiurnalCurvesPerPlot;
}

std::string diurnalPlotName(std::size_t group, std::size_t groups) {
    char name[32];
    std::snprintf(name, sizeof name, groups == 1 ? "diurnal.png" : "diurnal-%02zu.png", group + 1);
    return name;
}

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
    if (options.reports && common.model.model == PropagationModel::extended) {
        throw UsageError("--reports writes fieldcast's own report: it needs --model classic");
    }
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
    if (options.csv) {
        folder.expect("points.csv");
        folder.expect("points.json");
    }
    if (options.reports) folder.expectReports(pointCount);
    const std::size_t plots =
        options.plot ? diurnalPlotCount(std::min(pointCount, kPlotPoints)) : 0;
    for (std::size_t g = 0; g < plots; ++g) folder.expect(diurnalPlotName(g, plots));
    if (options.htmlPage) folder.expect("index.html");

    RunDescription description = describeRun(setup, common, common.zone);
    // where a name the plot cannot show is to be read: the CSV of the run, else the list
    const std::string legendNamesFrom = options.csv         ? std::string("points.csv")
                                        : options.pointsCsv ? options.pointsCsv->filename().string()
                                                            : std::string("LATRLONR.dat");
    const int resultMode = inputs->base.resultMode;
    const bool extended = inputs->model.model == PropagationModel::extended;
    const unsigned threads = threadCount(common);
    const auto predictors = makePredictors(setup, threads);
    std::optional<ResultFile> csv;
    if (options.csv) {
        csv.emplace(folder, "points.csv");
        csv->write(std::string("pointIndex,pointName,latDeg,lonDeg,") + kPredictionColumns +
                   (extended ? std::string(",") + kHopOrderColumns : std::string()) + "\n");
    }
    std::vector<DiurnalCurve> curves;
    std::vector<PointSite> pageSites;
    std::vector<PointResult> pageResults;
    std::vector<PointResult> results;
    std::vector<std::optional<PointRefusal>> refusals;
    std::string text;
    std::string pointText;
    PredictionCells cells;
    ProgressBar progress("points", pointCount, common.progress);
    std::size_t predicted = 0;
    // sky-wave points written more than half a turn of longitude from the transmitter: the
    // classic method puts their control point, and its sun, off the path (the area run's rule)
    std::size_t farLongitudePoints = 0;
    std::string firstFarLongitude;
    // points beyond the model's range: named places a user asked for, each told
    std::size_t beyondRangePoints = 0;
    std::string firstBeyondRange;
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
                std::snprintf(name, sizeof name, "%s%zu%s", kReportFilePrefix, first + i,
                              kReportFileSuffix);
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
        for (std::size_t i = 0; i < sites.size(); ++i) {
            if (results[i].pathKind == PathKind::beyondRange && beyondRangePoints++ == 0) {
                firstBeyondRange = "point " + std::to_string(first + i) + " \"" +
                                   sites[i].nameUtf8 + "\" at " +
                                   std::to_string(std::lround(results[i].groundRangeKm)) + " km";
            }
        }
        for (std::size_t i = 0; !extended && i < sites.size(); ++i) {
            if (controlPointOffPath(results[i], sites[i].lonDeg, inputs->base.txLon)) {
                if (farLongitudePoints++ == 0) {
                    const double shifted =
                        sites[i].lonDeg + (sites[i].lonDeg < inputs->base.txLon ? 360.0 : -360.0);
                    firstFarLongitude = "point " + std::to_string(first + i) + " \"" +
                                        sites[i].nameUtf8 + "\" at longitude " +
                                        formatNumber(sites[i].lonDeg) + ", the same place as " +
                                        formatNumber(shifted);
                }
            }
        }
        for (std::size_t i = 0; csv && i < sites.size(); ++i) {
            text.clear();
            // the point's own cells, once for its hours
            pointText = std::to_string(first + i) + ',' + csvField(sites[i].nameUtf8) + ',' +
                        formatNumber(sites[i].latDeg) + ',' + formatNumber(sites[i].lonDeg) + ',';
            cells.set(results[i], resultMode);
            for (int hour = 0; hour < kHoursPerDay; ++hour) {
                text += pointText;
                cells.append(text, hour);
                if (extended) appendHopOrderCells(text, results[i], hour);
                text += '\n';
            }
            csv->write(text);
        }
        for (std::size_t i = 0; options.plot && i < sites.size() && first + i < kPlotPoints; ++i) {
            DiurnalCurve curve;
            curve.label = std::to_string(first + i) + ": " +
                          plotLegendName(sites[i].nameUtf8, legendNamesFrom);
            if (results[i].pathKind == PathKind::beyondRange) {
                curve.noValueReason =
                    "over " + formatNumber(description.noValueRangeKm) + " km, no value";
            }
            for (int hour = 0; hour < kHoursPerDay; ++hour) {
                curve.hourOfDay.push_back(zoneMinutesOfJstHour(hour, common.zone) / 60.0);
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
    if (beyondRangePoints > 0) {
        const std::string warning =
            std::to_string(beyondRangePoints) + " of " + std::to_string(pointCount) +
            (beyondRangePoints == 1 ? " points lies" : " points lie") + " over " +
            formatNumber(description.noValueRangeKm) +
            " km from the transmitter (the range of the method), the first " + firstBeyondRange +
            ": no value (empty cells in points.csv)";
        std::fprintf(stderr, "fieldcast-map: warning: %s\n", warning.c_str());
        description.items.push_back({"rangeWarning", warning});
    }
    if (farLongitudePoints > 0) {
        const std::string warning =
            std::to_string(farLongitudePoints) +
            (farLongitudePoints == 1 ? " sky-wave point lies" : " sky-wave points lie") +
            " more than 180 degrees of longitude from the transmitter's (" +
            formatNumber(inputs->base.txLon) + "), the first " + firstFarLongitude +
            ": the classic method takes their control point, and its sun, off the path (tens of "
            "dB at some hours); write the two within 180 degrees of each other, or use --model "
            "extended";
        std::fprintf(stderr, "fieldcast-map: warning: %s\n", warning.c_str());
        description.items.push_back({"longitudeWarning", warning});
    }

    if (options.csv) {
        writeDescriptionFile(
            description, folder.partial("points.json"),
            {{"csvFile", "points.csv"},
             {"points", std::to_string(pointCount), static_cast<double>(pointCount), true}});
        folder.publish("points.json");
    }
    if (options.plot) {
        if (pointCount > kPlotPoints) {
            std::fprintf(stderr,
                         "fieldcast-map: the diurnal plots draw the first %zu of %zu points\n",
                         kPlotPoints, pointCount);
        }
        const ScratchDir scratch;
        for (std::size_t g = 0; g < plots; ++g) {
            const auto from =
                curves.begin() + static_cast<std::ptrdiff_t>(g * kDiurnalCurvesPerPlot);
            const auto to = g + 1 == plots
                                ? curves.end()
                                : from + static_cast<std::ptrdiff_t>(kDiurnalCurvesPerPlot);
            std::string title = description.headline;
            if (plots > 1) {
                title += ", points " + std::to_string(g * kDiurnalCurvesPerPlot) + "-" +
                         std::to_string(g * kDiurnalCurvesPerPlot +
                                        static_cast<std::size_t>(to - from) - 1);
            }
            const std::string name = diurnalPlotName(g, plots);
            drawDiurnalPlot({from, to}, title, description.details,
                            "hour (" + common.zone.label + ")", scratch.path() / name,
                            scratch.path(), sessionName("diurnal-" + std::to_string(g)));
            folder.adopt(scratch.path() / name, name);
        }
    }
    if (options.htmlPage) {
        const ScratchDir scratch;
        const std::filesystem::path staging = folder.partial("page");
        std::filesystem::create_directory(staging);
        writePointsPage(
            pageFrame(*inputs, setup.grounds.get(), common.dataDir,
                      "fieldcast points: " + description.title, 0.0, 100.0, common.zone),
            pageSites, pageResults, resultMode, staging, scratch.path(), sessionName("page"));
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
