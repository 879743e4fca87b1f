// Land and sea where they are: a land/sea mask from the GSHHG coastlines that GMT brings,
// made once per run for the region that the run's paths cover and held in memory as one bit
// per node.
//
// Rules of the mask
//   - Land is everything inside a shoreline of the ocean: lakes, islands in lakes and ponds
//     on those islands count as land. Fresh water (about 0.01 S/m) is far nearer land
//     (0.002 S/m) than sea (5 S/m) in the conductivity that rules the ground wave at LF and
//     MF, and a lake seldom spans enough of a path to matter.
//   - Inland seas are sea: a lake of at least 300,000 km^2 (the Caspian, brackish, about
//     1 S/m, far nearer sea than land) counts as sea, its islands with it.
//   - A node exactly on a coastline is land: grdlandmask counts a node on a polygon boundary
//     as inside the polygon (and a node on a lake shore as inside the lake, which is land).
//   - A lookup takes the nearest node; a point exactly halfway between nodes takes the one
//     to its east (north).
//   - Nodes are gridline-registered on multiples of the cell from the region's south-west
//     corner; coordinates are degrees, longitudes taken modulo 360 into the region.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "geo_box.h"

namespace fieldcast::map {

// The coastline data are missing or give no mask for the region (exit status 1).
struct CoastlineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// GSHHG resolutions, as GMT's -D names them.
enum class CoastlineResolution : char {
    crude = 'c',         // about 25 km
    low = 'l',           // about 5 km
    intermediate = 'i',  // about 1 km
    high = 'h',          // about 0.2 km
    full = 'f',          // about 0.04 km
};

// "crude", "low", "intermediate", "high", "full" or their first letters.
std::optional<CoastlineResolution> parseCoastlineResolution(const std::string& text);
const char* coastlineResolutionName(CoastlineResolution resolution);
// The Debian package that installs the resolution's coastlines.
const char* coastlinePackage(CoastlineResolution resolution);

// The resolution for a map grid step (degrees): coastlines about as detailed as the grid.
//   step >= 0.5: crude; >= 0.1: low; >= 0.02: intermediate; >= 0.005: high; finer: full.
CoastlineResolution resolutionForGridStep(double stepDeg);
// The resolution of a run over a list of points, where each point's own ground matters.
constexpr CoastlineResolution kPointsResolution = CoastlineResolution::high;

// The mask cell of a resolution, arc-seconds: 360, 120, 60, 30, 15 from crude to full, about
// half the detail the coastlines hold.
int nominalCellArcsec(CoastlineResolution resolution);

// At most this many nodes in a mask (the cell is doubled until it fits): grdlandmask takes
// about a microsecond per node, so a mask costs a few seconds at most.
constexpr double kMaxMaskNodes = 6.0e6;

// The box that holds a transmitter, the points given and the great circles from the
// transmitter to each of them.
class PathRegion {
  public:
    PathRegion(double txLatDeg, double txLonDeg);
    // The point and the great-circle path from the transmitter to it.
    void addPath(double latDeg, double lonDeg);
    // The paths to the nodes of a grid: those to its edge nodes hold all the others.
    void addGridPaths(double lonMinDeg, double latMinDeg, double stepDeg, int lonCount,
                      int latCount);
    // The box with `marginDeg` on every side, latitudes within -90..90; the whole circle of
    // longitude, and the pole, when the paths come within a degree of a pole.
    GeoBox box(double marginDeg) const;

  private:
    double txLatDeg_;
    double txLonDeg_;
    double latMinDeg_;
    double latMaxDeg_;
    double lonOffsetMinDeg_ = 0.0;  // east of the transmitter, unwrapped
    double lonOffsetMaxDeg_ = 0.0;
    bool nearNorthPole_ = false;
    bool nearSouthPole_ = false;
};

// The midpoint of the shorter great circle between two points, degrees (longitude within
// -180..180). Coincident points give the point; antipodes, where every great circle joins
// the ends, give the first point.
void greatCircleMidpoint(double latADeg, double lonADeg, double latBDeg, double lonBDeg,
                         double& midLatDeg, double& midLonDeg);

// What a mask build cost, for the run's note and the benchmarks.
struct MaskCost {
    double seconds;
    double gmtPeakMb;  // the largest resident size of a grdlandmask process
};

class LandSeaMask {
  public:
    // A mask of land flags given row by row from the south, each row from the west.
    LandSeaMask(double westDeg, double southDeg, double cellDeg, int lonCount, int latCount,
                const std::vector<bool>& landSouthToNorth);

    // Runs grdlandmask over `box` (split into latitude bands run side by side, at most
    // `parallelRuns`) in `scratchDir`, reads the grids and removes them. The cell is
    // `cellArcsec`, doubled until the mask holds at most kMaxMaskNodes nodes. Throws
    // CoastlineError when the resolution's coastlines are not installed (naming the Debian
    // package), when gmt fails, or when a node gets no value.
    static LandSeaMask build(const GeoBox& box, CoastlineResolution resolution, int cellArcsec,
                             const std::filesystem::path& scratchDir, unsigned parallelRuns,
                             MaskCost* cost = nullptr);

    // True when the nearest node is land. Throws std::out_of_range outside the mask.
    bool isLand(double latDeg, double lonDeg) const;
    // 1 (sea) or landCode.
    int groundCode(double latDeg, double lonDeg, int landCode) const {
        return isLand(latDeg, lonDeg) ? landCode : 1;
    }
    bool covers(double latDeg, double lonDeg) const;

    double westDeg() const { return westDeg_; }
    double southDeg() const { return southDeg_; }
    double cellDeg() const { return cellDeg_; }
    int lonCount() const { return lonCount_; }
    int latCount() const { return latCount_; }
    std::size_t memoryBytes() const { return bits_.size() * sizeof(std::uint64_t); }

  private:
    LandSeaMask() = default;
    bool nodeIndex(double latDeg, double lonDeg, std::size_t& index) const;
    void setLand(std::size_t index) { bits_[index / 64] |= std::uint64_t{1} << (index % 64); }

    double westDeg_ = 0.0;
    double southDeg_ = 0.0;
    double cellDeg_ = 1.0;
    int lonCount_ = 0;
    int latCount_ = 0;
    std::vector<std::uint64_t> bits_;  // node (row, column) at bit row * lonCount + column
};

// True when a site itself is land by the mask's rules: a mask of 1" cell around it, whose
// node lies within half an arc-second (15 m) of the site, from the high coastlines (full when
// `resolution` is). The transmitter's ground comes from here, not from the nearest node of the
// run's mask, whose cell (1' to 6', or more) and coarser coastlines can put a mast on a narrow
// coast out at sea. Throws CoastlineError as LandSeaMask::build does.
bool siteIsLand(double latDeg, double lonDeg, CoastlineResolution resolution,
                const std::filesystem::path& scratchDir);

}  // namespace fieldcast::map
