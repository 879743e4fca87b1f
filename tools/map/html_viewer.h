// The interactive page of a run: index.html in the output folder and beside it the folder
// viewer/ with Leaflet (copied from the installed Debian package), the page's own script and
// style, and the run's values as script files that the page loads. It works opened straight
// from disk: no server, no network, and no fetch (browsers refuse it for local files).
//
// The values a page holds are named as the CSV's columns (groundRangeKm, groundWaveDb,
// skyWaveDb, fieldDb, fieldMvm) and stored as the digits the page prints, rounded as printf
// rounds the CSV's value: field strengths in hundredths of a dB(uV/m) ("%.2f"), in mV/m to
// three significant digits ("%.2e"), ground ranges in tenths of a km ("%.1f"). A stored code
// is an int32; three codes stand for what is no number:
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "csv_table.h"
#include "gmt_maps.h"
#include "point_prediction.h"
#include "record/constants.h"
#include "run_inputs.h"
#include "time_zone.h"

namespace fieldcast::map {

constexpr std::int32_t kNoValueCode = std::numeric_limits<std::int32_t>::min();       // empty cell
constexpr std::int32_t kMinusInfinityCode = kNoValueCode + 1;                         // "-inf"
constexpr std::int32_t kPlusInfinityCode = std::numeric_limits<std::int32_t>::max();  // "inf"

// The page cannot be written: Leaflet is missing or cannot be copied, or a layer's file
// cannot be read. A page file that cannot be written is an OutputError.
struct PageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A grid page holds at most this many nodes (about 5 MB of page per hour at the limit), a
// points page this many points (about 50 MB).
constexpr std::size_t kMaxPageNodes = 1'000'000;
constexpr std::size_t kMaxPagePoints = 100'000;

// Hours are computed in JST, the time of the 135 degree meridian; the page shows them in its
// zone.
using PageTimeZone = TimeZone;

// A GeoJSON file that the page shows as a layer to switch on and off.
struct PageLayer {
    std::string label;
    std::filesystem::path geoJsonFile;
    bool hourly = false;  // features carry hourJst: those of the slider's hour are shown
    bool shown = true;    // switched on when the page opens
};

// The scenario panel: a name and its value per row.
using ScenarioRows = std::vector<std::pair<std::string, std::string>>;
ScenarioRows scenarioRows(const PredictionState& scenario, const std::filesystem::path& dataDir);

// What both pages show besides their values.
struct PageFrame {
    std::string title;  // also the window's title
    ScenarioRows scenario;
    double txLatDeg;
    double txLonDeg;
    double colourMinDb;
    double colourMaxDb;
    PageTimeZone timeZone;
    std::vector<PageLayer> layers;
    double noValueRangeKm = kMaxRangeKm;  // over this ground range the model gives no value
    double groundOnlyRangeKm = kShortRangeLimitKm;  // at or below: the ground wave alone
};

// The frame of a run's page: the title, the scenario's rows and its transmitter, hours in
// `zone`, no layer. `grounds`: the run's under --ground coastlines, else null.
PageFrame pageFrame(const RunInputs& inputs, const RunGrounds* grounds,
                    const std::filesystem::path& dataDir, std::string title,
                    double colourMinDb = 0.0, double colourMaxDb = 100.0,
                    const TimeZone& zone = {});

// Throw UsageError when a grid of `nodes` nodes, or `points` points, are too many for a page.
void checkPageGrid(std::size_t nodes);
void checkPagePoints(std::size_t points);

// Before a run that writes a page: throws GmtError when no gmt answers (the coastlines),
// PageError when Leaflet is missing.
void checkPageTools();

// The values of a grid page, filled node by node as the workers compute them (each node by
// one worker, so no lock is needed).
class AreaPageValues {
  public:
    // `hoursJst`: the computed hours, in the order of the page's slider
    AreaPageValues(std::size_t nodeCount, std::vector<int> hoursJst, int resultMode);
    // `node`: the index in the grid's rows from north to south, each from west to east
    void addNode(std::size_t node, const PointResult& result);

    std::size_t nodeCount() const { return kinds_.size(); }
    const std::vector<int>& hoursJst() const { return hoursJst_; }
    const std::vector<std::int32_t>& groundRangeCodes() const { return groundRangeCodes_; }
    const std::vector<std::uint8_t>& kinds() const { return kinds_; }
    // the codes of hour `h` of hoursJst(), node after node
    std::vector<std::int32_t> fieldDbCodes(std::size_t h) const;
    std::vector<std::int32_t> fieldMvmCodes(std::size_t h) const;

  private:
    std::vector<int> hoursJst_;
    int resultMode_;
    std::vector<std::int32_t> groundRangeCodes_;
    std::vector<std::uint8_t> kinds_;
    std::vector<std::int32_t> fieldDbCodes_;  // hour after hour
    std::vector<std::int32_t> fieldMvmCodes_;
};

struct AreaPage {
    PageFrame frame;
    GridGeometry grid;
    std::vector<double> lonNodesDeg;  // west to east, as the CSV writes them
    std::vector<double> latNodesDeg;  // south to north
};

// The page of a run's grid: its nodes as the CSV writes them.
AreaPage areaPage(PageFrame frame, const GridGeometry& grid);

// The grid page into `outputDir`; gmt works in `scratchDir`. Throws PageError or GmtError.
void writeAreaPage(const AreaPage& page, const AreaPageValues& values,
                   const std::filesystem::path& outputDir, const std::filesystem::path& scratchDir,
                   const std::string& session);

// The points page: every point on the map and its 24 hours (`results` in the order of
// `sites`).
void writePointsPage(const PageFrame& frame, const std::vector<PointSite>& sites,
                     const std::vector<PointResult>& results, int resultMode,
                     const std::filesystem::path& outputDir,
                     const std::filesystem::path& scratchDir, const std::string& session);

// The codes. dB and km: the printed digits without the point; mV/m: 1000 x the exponent of
// the leading digit plus the three digits (0.0123 is -2100 + 123 = -1877; 0 mV/m is 0).
std::int32_t hundredthsCode(double value);
std::int32_t tenthsCode(double value);
std::int32_t threeDigitCode(double value);

// Codes packed for the page: two bytes each (code minus `offset`; 65535, 65534, 65533 for
// kNoValueCode, kPlusInfinityCode, kMinusInfinityCode) when the finite codes span fewer than
// 65533 values, else four; little-endian, base64.
struct PackedCodes {
    int bytesPerCode;
    std::int32_t offset;
    std::string base64;
};
PackedCodes packCodes(const std::vector<std::int32_t>& codes);

std::string base64(std::string_view bytes);
// A JSON (and JavaScript) string literal of UTF-8 text, quotes included, safe anywhere in a
// page: <, >, &, control characters, U+2028 and U+2029 are escaped, a byte that is not
// UTF-8 becomes U+FFFD.
std::string jsString(std::string_view utf8);
std::string htmlEscape(std::string_view text);

}  // namespace fieldcast::map
