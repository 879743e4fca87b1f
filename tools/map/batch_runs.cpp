#include "batch_runs.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "csv_table.h"
#include "gmt_maps.h"
#include "html_viewer.h"
#include "parallel.h"
#include "point_prediction.h"

namespace fieldcast::map {

namespace {

constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr std::size_t kMaxGridNodes = 10'000'000;  // 24 hourly grids of floats: under 1 GB

// A scratch folder for GMT's inputs, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fieldcast-map-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) throw GmtError("cannot create a scratch folder");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::string sessionName(const std::string& what) {
    return "fieldcast-map-" + std::to_string(getpid()) + "-" + what;
}

unsigned threadCount(const CommonOptions& common) {
    return common.threads == 0 ? defaultThreadCount() : common.threads;
}

// `withoutGmt`: the options that make the run do without it
void requireGmt(const char* withoutGmt) {
    if (!gmtAvailable()) {
        throw GmtError(std::string("the gmt program was not found (Debian packages gmt, "
                                   "gmt-gshhg-low and ghostscript); or run with ") +
                       withoutGmt);
    }
}

// "594 kHz, 10 kW, June"
std::string scenarioTitle(const Scenario& scenario) {
    const PredictionState& s = scenario.base;
    char text[160];
    std::snprintf(text, sizeof text, "%g kHz, %g kW, %s, %s", s.freqKhz, s.txPowerKw,
                  kMonthNames[s.month - 1],
                  s.resultMode == 2 ? "sky wave with ground wave" : "sky wave");
    return text;
}

void writeFileOrThrow(std::FILE* file, const std::string& text, const std::filesystem::path& path) {
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        throw DataError(path.string() + ": write failed");
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

OutputFile createOutput(const std::filesystem::path& path) {
    OutputFile file(std::fopen(path.c_str(), "w"));
    if (!file) throw DataError(path.string() + ": cannot create");
    return file;
}

// Closes the file; a write that failed on the way (a full disk) shows here at the latest.
void closeOutput(OutputFile& file, const std::filesystem::path& path) {
    std::FILE* handle = file.release();
    const bool failed = std::ferror(handle) != 0;
    if (std::fclose(handle) != 0 || failed) throw DataError(path.string() + ": write failed");
}

// Items between commas, the empty ones included ("3," is "3" and "").
std::vector<std::string> commaItems(const std::string& text) {
    std::vector<std::string> items(1);
    for (const char c : text) {
        if (c == ',') {
            items.emplace_back();
        } else {
            items.back() += c;
        }
    }
    return items;
}

// What the run wrote, on standard output: a line on the run and the files, sorted.
void printSummary(const std::string& what, const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::printf("%s -> %s\n", what.c_str(), dir.string().c_str());
    for (const std::string& name : names) std::printf("  %s\n", name.c_str());
}

// Node coordinate, rounded to 1e-9 degrees so that the CSV shows the step's own digits.
double nodeDeg(double minDeg, double stepDeg, int index) {
    return std::round((minDeg + stepDeg * index) * 1e9) / 1e9;
}

}  // namespace

std::vector<int> parseHourList(const std::string& text) {
    if (text == "all") {
        std::vector<int> all(kHourCount);
        for (int h = 0; h < kHourCount; ++h) all[static_cast<std::size_t>(h)] = h;
        return all;
    }
    std::vector<int> hours;
    const auto hourOf = [&](const std::string& word) {
        std::size_t used = 0;
        int hour = -1;
        try {
            hour = std::stoi(word, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != word.size() || hour < 0 || hour >= kHourCount) {
            throw UsageError("--hours: \"" + word + "\" is not an hour 0-23");
        }
        return hour;
    };
    for (const std::string& item : commaItems(text)) {
        const std::size_t dash = item.find('-', 1);
        if (dash == std::string::npos) {
            hours.push_back(hourOf(item));
            continue;
        }
        const int first = hourOf(item.substr(0, dash));
        const int last = hourOf(item.substr(dash + 1));
        if (last < first) throw UsageError("--hours: range \"" + item + "\" runs backwards");
        for (int h = first; h <= last; ++h) hours.push_back(h);
    }
    if (hours.empty()) throw UsageError("--hours: no hour given");
    std::sort(hours.begin(), hours.end());
    hours.erase(std::unique(hours.begin(), hours.end()), hours.end());
    return hours;
}

std::vector<double> parseLevelList(const std::string& text) {
    std::vector<double> levels;
    for (const std::string& item : commaItems(text)) {
        std::size_t used = 0;
        double level = NAN;
        try {
            level = std::stod(item, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != item.size() || !std::isfinite(level)) {
            throw UsageError("--contours: \"" + item + "\" is not a level in dB(uV/m)");
        }
        levels.push_back(level);
    }
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    return levels;
}

void parseRegion(const std::string& text, AreaOptions& options) {
    double w = 0.0;
    double e = 0.0;
    double s = 0.0;
    double n = 0.0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lf/%lf/%lf/%lf%c", &w, &e, &s, &n, &tail) != 4) {
        throw UsageError("--region: expected WEST/EAST/SOUTH/NORTH in degrees, got \"" + text +
                         "\"");
    }
    if (!(w < e) || !(s < n) || s < -90.0 || n > 90.0 || w < -180.0 || e > 360.0 || e - w > 360.0) {
        throw UsageError(
            "--region: need west < east, south < north, latitudes within "
            "-90..90, longitudes within -180..360 and at most 360 degrees apart");
    }
    options.lonMinDeg = w;
    options.lonMaxDeg = e;
    options.latMinDeg = s;
    options.latMaxDeg = n;
}

int nodeCount(double minDeg, double maxDeg, double stepDeg) {
    return static_cast<int>(std::floor((maxDeg - minDeg) / stepDeg + 1e-9)) + 1;
}

void prepareOutputDir(const std::filesystem::path& dir) {
    std::error_code error;
    if (std::filesystem::exists(dir, error)) {
        if (!std::filesystem::is_directory(dir)) {
            throw UsageError("--output: " + dir.string() + " exists and is not a folder");
        }
        if (!std::filesystem::is_empty(dir)) {
            throw UsageError("--output: " + dir.string() +
                             " already holds files; name a new or empty folder");
        }
        return;
    }
    std::filesystem::create_directories(dir, error);
    if (error) throw DataError(dir.string() + ": cannot create (" + error.message() + ")");
}

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
    auto scenario = std::make_unique<Scenario>();
    loadScenario(common.dataDir, common.overrides, *scenario);
    if (options.plot) requireGmt("--no-plot");
    if (options.htmlPage) {
        checkPagePoints(sites.size());
        requireGmt("a --format without html");
        checkPageLibrary();
    }
    prepareOutputDir(common.outputDir);

    const unsigned threads = threadCount(common);
    std::vector<PointResult> results(sites.size());
    std::vector<std::unique_ptr<PointPredictor>> predictors;
    for (unsigned w = 0; w < threads; ++w)
        predictors.push_back(std::make_unique<PointPredictor>(*scenario));
    ProgressBar progress("points", sites.size(), common.progress);
    runParallel(
        sites.size(), threads,
        [&](std::size_t i, unsigned worker) {
            const PointSite& site = sites[i];
            if (!options.reports) {
                predictors[worker]->predict(site.latDeg, site.lonDeg, results[i]);
                return;
            }
            char name[32];
            std::snprintf(name, sizeof name, "QZresult-%zu.txt", i);
            OutputFile report = createOutput(common.outputDir / name);
            predictors[worker]->predict(site.latDeg, site.lonDeg, results[i],
                                        {report.get(), &site.reportSite});
            closeOutput(report, common.outputDir / name);
        },
        &progress);
    progress.finish();

    const int resultMode = scenario->base.resultMode;
    const std::filesystem::path csvPath = common.outputDir / "points.csv";
    OutputFile csv = options.csv ? createOutput(csvPath) : nullptr;
    if (csv) {
        writeFileOrThrow(
            csv.get(),
            std::string("pointIndex,pointName,latDeg,lonDeg,") + kPredictionColumns + "\n",
            csvPath);
    }
    std::string text;
    for (std::size_t i = 0; csv && i < sites.size(); ++i) {
        text.clear();
        for (int hour = 0; hour < kHourCount; ++hour) {
            text += std::to_string(i) + ',' + csvField(sites[i].nameUtf8) + ',' +
                    formatNumber(sites[i].latDeg) + ',' + formatNumber(sites[i].lonDeg) + ',';
            appendPredictionCells(text, results[i], hour, resultMode);
            text += '\n';
        }
        writeFileOrThrow(csv.get(), text, csvPath);
    }
    if (csv) closeOutput(csv, csvPath);

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
        drawDiurnalPlot(curves, scenarioTitle(*scenario), common.outputDir / "diurnal.png",
                        scratch.path(), sessionName("diurnal"));
    }
    if (options.htmlPage) {  // the interactive page
        const ScratchDir scratch;
        writePointsPage(
            pageFrame(*scenario, common.dataDir, "fieldcast points: " + scenarioTitle(*scenario)),
            sites, results, resultMode, common.outputDir, scratch.path(), sessionName("page"));
    }
    printSummary(std::to_string(sites.size()) + " points x 24 hours", common.outputDir);
    return 0;
}

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

    auto scenario = std::make_unique<Scenario>();
    loadScenario(common.dataDir, common.overrides, *scenario);
    if (wantGrids || options.maps) requireGmt("--no-maps and --format csv or none");
    if (options.htmlPage) {
        requireGmt("a --format without html");
        checkPageLibrary();
    }
    prepareOutputDir(common.outputDir);
    const int resultMode = scenario->base.resultMode;
    // the values of the interactive page, as its digits
    const std::unique_ptr<AreaPageValues> page =
        options.htmlPage ? std::make_unique<AreaPageValues>(nodes, options.hours, resultMode)
                         : nullptr;

    // the field of every requested hour, rows from north to south: the memory of the run
    std::vector<std::vector<float>> hourGrids(keepGrids ? options.hours.size() : 0,
                                              std::vector<float>(nodes));
    const unsigned threads = threadCount(common);
    std::vector<std::unique_ptr<PointPredictor>> predictors;
    for (unsigned w = 0; w < threads; ++w)
        predictors.push_back(std::make_unique<PointPredictor>(*scenario));
    std::vector<PointResult> workerResults(threads);

    OutputFile csv;
    const std::filesystem::path csvPath = common.outputDir / "area.csv";
    if (wantCsv) {
        csv = createOutput(csvPath);
        writeFileOrThrow(csv.get(), std::string("latDeg,lonDeg,") + kPredictionColumns + "\n",
                         csvPath);
    }
    // with CSV the rows go in batches, each written in order before the next is computed
    const std::size_t rows = static_cast<std::size_t>(grid.latCount);
    const std::size_t batchRows = wantCsv ? std::max<std::size_t>(16, threads * 8) : rows;
    std::vector<std::string> rowText(wantCsv ? batchRows : 0);
    ProgressBar progress("grid rows", rows, common.progress);
    for (std::size_t batchStart = 0; batchStart < rows; batchStart += batchRows) {
        const std::size_t batchEnd = std::min(rows, batchStart + batchRows);
        runParallel(
            batchEnd - batchStart, threads,
            [&](std::size_t k, unsigned worker) {
                const std::size_t row = batchStart + k;  // 0: the northern row
                const int latIndex = grid.latCount - 1 - static_cast<int>(row);
                const double latDeg = nodeDeg(grid.latMinDeg, grid.stepDeg, latIndex);
                PointResult& result = workerResults[worker];
                std::string* text = wantCsv ? &rowText[k] : nullptr;
                if (text != nullptr) text->clear();
                for (int col = 0; col < grid.lonCount; ++col) {
                    const double lonDeg = nodeDeg(grid.lonMinDeg, grid.stepDeg, col);
                    predictors[worker]->predict(latDeg, lonDeg, result);
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
        for (std::size_t k = 0; wantCsv && k < batchEnd - batchStart; ++k) {
            writeFileOrThrow(csv.get(), rowText[k], csvPath);
        }
    }
    progress.finish();
    if (csv) closeOutput(csv, csvPath);
    if (page) {  // the interactive page
        AreaPage layout{
            pageFrame(*scenario, common.dataDir, "fieldcast coverage: " + scenarioTitle(*scenario),
                      options.colourMinDb, options.colourMaxDb),
            grid,
            {},
            {}};
        for (int i = 0; i < grid.lonCount; ++i)
            layout.lonNodesDeg.push_back(nodeDeg(grid.lonMinDeg, grid.stepDeg, i));
        for (int i = 0; i < grid.latCount; ++i)
            layout.latNodesDeg.push_back(nodeDeg(grid.latMinDeg, grid.stepDeg, i));
        const ScratchDir scratch;
        writeAreaPage(layout, *page, common.outputDir, scratch.path(), sessionName("page"));
    }

    const std::string summary =
        std::to_string(nodes) + " grid nodes x " + std::to_string(options.hours.size()) + " hours";
    if (!keepGrids) {
        printSummary(summary, common.outputDir);
        return 0;
    }
    const ScratchDir scratch;
    CoverageMapStyle style{};
    style.txLatDeg = scenario->base.txLat;
    style.txLonDeg = scenario->base.txLon;
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
            const std::filesystem::path gridFile =
                wantGrids ? common.outputDir / (std::string(stem) + ".nc")
                          : scratch.path() / (std::string(stem) + ".nc");
            writeNetcdfGrid(hourGrids[h], grid, gridFile, scratch.path(), session);
            if (!options.maps) return;
            CoverageMapStyle hourStyle = style;
            char hourText[16];
            std::snprintf(hourText, sizeof hourText, "%02d:00 JST", options.hours[h]);
            hourStyle.title = scenarioTitle(*scenario) + ", " + hourText;
            char png[32];
            std::snprintf(png, sizeof png, "map-%02d.png", options.hours[h]);
            drawCoverageMap(gridFile, grid, hourStyle, common.outputDir / png, scratch.path(),
                            session);
        },
        &mapProgress);
    mapProgress.finish();
    printSummary(summary, common.outputDir);
    return 0;
}

}  // namespace fieldcast::map
