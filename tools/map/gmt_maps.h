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

// A point name as a label of gmt: its escape character doubled, characters that gmt would
// read as a modifier or a font change blanked.
std::string gmtLabel(const std::string& text);

// Writes values (rows from north to south, each west to east; NaN: no value) as a netCDF
// grid through "gmt xyz2grd". `scratchDir` holds the raw values meanwhile; gmt works there and
// `gridFile` is a file in it (only its name is used).
void writeNetcdfGrid(const std::vector<float>& northToSouth, const GridGeometry& grid,
                     const std::filesystem::path& gridFile, const std::filesystem::path& scratchDir,
                     const std::string& session);

// The width of one colour band of the maps' scale from min to max, dB.
double colourBandDb(double minDb, double maxDb);

struct CoverageMapStyle {
    std::string title;
    double txLatDeg;
    double txLonDeg;
    double colourMinDb;
    double colourMaxDb;
    std::vector<double> contourLevelsDb;
};

// The field grid in colour (cells without a value left unpainted), the contour lines at the
// given levels, coastlines and borders, the transmitter as a red star and a colour scale.
// `gridFile` and `pngFile` are files in `scratchDir` (only their names are used).
void drawCoverageMap(const std::filesystem::path& gridFile, const GridGeometry& grid,
                     const CoverageMapStyle& style, const std::filesystem::path& pngFile,
                     const std::filesystem::path& scratchDir, const std::string& session);

// One curve per point over the hours 0..23; NaN values break a curve. Names label the legend
// (the first twelve points). `pngFile` is a file in `scratchDir`.
struct DiurnalCurve {
    std::string label;
    std::vector<double> fieldDb;  // 24 values
};
void drawDiurnalPlot(const std::vector<DiurnalCurve>& curves, const std::string& title,
                     const std::filesystem::path& pngFile, const std::filesystem::path& scratchDir,
                     const std::string& session);

}  // namespace fieldcast::map
