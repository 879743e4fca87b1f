// Maps and plots drawn by GMT: the program writes the data files and runs the gmt commands,
// one modern-mode session per picture (sessions may run side by side).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fieldcast::map {

struct GmtError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A number for a gmt argument or data file: `significantDigits` digits, no trailing zeros.
std::string gmtNumber(double value, int significantDigits = 10);

// True when a gmt program answers on the PATH.
bool gmtAvailable();

// Runs "gmt <args...>" in `workDir` with GMT_SESSION_NAME=`session`; throws GmtError with the
// command line when it fails.
void runGmt(const std::vector<std::string>& args, const std::filesystem::path& workDir,
            const std::string& session);

// Runs "gmt <args...>" like runGmt, with its messages (standard output and error) written to
// `messageLog`; returns gmt's exit status (-1 when it did not start or end normally).
// `peakKb`, when given, gets the process's largest resident size in kB.
int runGmtLogged(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const std::string& session, const std::filesystem::path& messageLog,
                 long* peakKb = nullptr);

// A grid of longitude columns by latitude rows, gridline-registered.
struct GridGeometry {
    double lonMinDeg;
    double latMinDeg;
    double stepDeg;
    int lonCount;
    int latCount;
    double lonMaxDeg() const { return lonMinDeg + stepDeg * (lonCount - 1); }
    double latMaxDeg() const { return latMinDeg + stepDeg * (latCount - 1); }
    std::string region() const;     // "-R<w>/<e>/<s>/<n>"
    std::string increment() const;  // "-I<step>"
};

// The width of one colour band of the maps' scale from min to max, dB.
double colourBandDb(double minDb, double maxDb);

// The step of the numbers under the maps' colour bar: two bands, or more where that would
// print over ten numbers (the widest scale, -1000/1000, had a hundred run together).
double colourBarLabelStepDb(double minDb, double maxDb);

// The gmt command that makes the maps' palette (the page's too): turbo in bands of
// colourBandDb, under and over the scale in their own colours; into `output` when given,
// else the session's current palette.
std::vector<std::string> paletteCommand(double minDb, double maxDb, const std::string& output = "");

// The colours of values under and over the colour scale, on the maps and the page: apart from
// every band of the scale, and shown as the triangles at the ends of the colour bar.
constexpr const char* kBelowScaleColour = "160/160/160";
constexpr const char* kAboveScaleColour = "255/0/255";

struct CoverageMapStyle {
    std::string title;          // the first line: frequency, power, month, hour and zone
    std::string subtitle;       // the rest of the scenario
    std::string terminatorUtc;  // "2000-06-15T03:00:00": the day/night line at that time
    double txLatDeg;
    double txLonDeg;
    double colourMinDb;
    double colourMaxDb;
    std::vector<double> contourLevelsDb;
};

// The field grid in colour (cells without a value left unpainted; under and over the scale in
// their own colours), the contour lines at the given levels, coastlines and borders, the
// day/night terminator as a dashed line, the transmitter as a red star and a colour bar
// with a triangle at each end.
// `gridFile` and `pngFile` are files in `scratchDir` (only their names are used).
void drawCoverageMap(const std::filesystem::path& gridFile, const GridGeometry& grid,
                     const CoverageMapStyle& style, const std::filesystem::path& pngFile,
                     const std::filesystem::path& scratchDir, const std::string& session);

// One curve per point over the day; NaN values break a curve. Every curve is named in the
// legend beside the plot, a point without any value with the reason; at most
// kDiurnalCurvesPerPlot curves a plot. `pngFile` is a file in `scratchDir` (only its name is
// used).
constexpr std::size_t kDiurnalCurvesPerPlot = 10;
struct DiurnalCurve {
    std::string label;
    std::vector<double> hourOfDay;  // the x of each value: hours after the zone's midnight
    std::vector<double> fieldDb;
    std::string noValueReason;  // for a curve without values: "over 4000 km"
};
// What the legend says of a curve that draws no line: its reason ("over 4000 km, no value"),
// or, for a point whose every value is infinite (the transmitter's own site), that; empty for
// a curve with a value to draw.
std::string diurnalNoLineNote(const DiurnalCurve& curve);
void drawDiurnalPlot(const std::vector<DiurnalCurve>& curves, const std::string& title,
                     const std::string& subtitle, const std::string& hourAxisLabel,
                     const std::filesystem::path& pngFile, const std::filesystem::path& scratchDir,
                     const std::string& session);

}  // namespace fieldcast::map
