#include "coastline_mask.h"

#include <netcdf.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "geometry/great_circle.h"
#include "gmt_maps.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

constexpr double kArcsecPerDeg = 3600.0;
constexpr double kNearPoleDeg = 89.0;   // paths this close to a pole take every longitude
constexpr double kArcSampleDeg = 0.25;  // samples along a path when its box is found
// Lakes at least this large (km^2, as GSHHG measures its polygons) are inland seas: only the
// Caspian (about 370,000 km^2 at every resolution); the Great Lakes, joined into one polygon
// at the lower resolutions, hold about 245,000.
constexpr int kInlandSeaMinAreaKm2 = 300000;
// Where they lie (the Caspian spans 46.7-54.8 E, 36.5-47.1 N), with a degree to spare: a
// region clear of this box needs no run for them.
constexpr GeoBox kInlandSeaBox{45.5, 56.0, 35.5, 48.0};

bool touchesInlandSeas(double westDeg, double eastDeg, double southDeg, double northDeg) {
    if (northDeg < kInlandSeaBox.southDeg || southDeg > kInlandSeaBox.northDeg) return false;
    // the box moved by whole turns to lie east of the region's west edge
    const double shift = std::ceil((westDeg - kInlandSeaBox.eastDeg) / 360.0) * 360.0;
    return kInlandSeaBox.westDeg + shift <= eastDeg;
}

std::string degrees(double value) { return gmtNumber(value, 12); }

// Every digit of a coordinate: the -R of gmt must fit the nodes of -I exactly, or gmt adjusts
// the region (and, with the south pole on the edge of a regional grid, loses the land there).
std::string exactDegrees(double value) { return gmtNumber(value, 17); }

// Longitude difference b - a folded into (-180, 180].
double lonDifferenceDeg(double a, double b) {
    double d = std::fmod(b - a, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

// One latitude band of the mask, run by one grdlandmask process.
struct Band {
    int firstRow;
    int rowCount;
    std::filesystem::path folder;
    int status = 0;
    bool hasSeas = false;  // the inland seas' run was made
    int seaStatus = 0;
    long peakKb = 0;
};

std::string lastLines(const std::filesystem::path& log, int count) {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    std::string text;
    const std::size_t from = lines.size() > static_cast<std::size_t>(count)
                                 ? lines.size() - static_cast<std::size_t>(count)
                                 : 0;
    for (std::size_t i = from; i < lines.size(); ++i) text += (text.empty() ? "" : "; ") + lines[i];
    return text;
}

bool logMentions(const std::filesystem::path& log, const std::string& what) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().find(what) != std::string::npos;
}

// Reads a byte grid written by grdlandmask; checks that its nodes are where the band asked
// and that each holds 0 or 1.
std::vector<signed char> readBandGrid(const std::filesystem::path& file, int lonCount, int rowCount,
                                      double westDeg, double southDeg, double cellDeg) {
    int nc = 0;
    if (nc_open(file.c_str(), NC_NOWRITE, &nc) != NC_NOERR) {
        throw CoastlineError("cannot read the land/sea grid " + file.string());
    }
    struct Closer {
        int id;
        ~Closer() { nc_close(id); }
    } closer{nc};
    int lonDim = 0;
    int latDim = 0;
    int lonVar = 0;
    int latVar = 0;
    int zVar = 0;
    std::size_t lonLen = 0;
    std::size_t latLen = 0;
    if (nc_inq_dimid(nc, "lon", &lonDim) != NC_NOERR ||
        nc_inq_dimid(nc, "lat", &latDim) != NC_NOERR ||
        nc_inq_dimlen(nc, lonDim, &lonLen) != NC_NOERR ||
        nc_inq_dimlen(nc, latDim, &latLen) != NC_NOERR ||
        nc_inq_varid(nc, "lon", &lonVar) != NC_NOERR ||
        nc_inq_varid(nc, "lat", &latVar) != NC_NOERR || nc_inq_varid(nc, "z", &zVar) != NC_NOERR) {
        throw CoastlineError("the land/sea grid " + file.string() + " is not a lon/lat grid");
    }
    if (lonLen != static_cast<std::size_t>(lonCount) ||
        latLen != static_cast<std::size_t>(rowCount)) {
        throw CoastlineError("the land/sea grid " + file.string() + " has another size");
    }
    std::vector<double> lon(lonLen);
    std::vector<double> lat(latLen);
    std::vector<signed char> z(lonLen * latLen);
    if (nc_get_var_double(nc, lonVar, lon.data()) != NC_NOERR ||
        nc_get_var_double(nc, latVar, lat.data()) != NC_NOERR ||
        nc_get_var_schar(nc, zVar, z.data()) != NC_NOERR) {
        throw CoastlineError("cannot read the land/sea grid " + file.string());
    }
    const double tolerance = cellDeg * 1e-3;
    const bool southFirst = latLen < 2 || lat[0] < lat[1];
    const double firstLat = southFirst ? lat.front() : lat.back();
    if (std::fabs(lon.front() - westDeg) > tolerance ||
        std::fabs(firstLat - southDeg) > tolerance ||
        (lonLen > 1 && std::fabs(lon[1] - lon[0] - cellDeg) > tolerance)) {
        throw CoastlineError("the land/sea grid " + file.string() + " is not on the asked nodes");
    }
    if (!southFirst) {  // rows from the south
        for (std::size_t r = 0; r < latLen / 2; ++r) {
            std::swap_ranges(z.begin() + static_cast<std::ptrdiff_t>(r * lonLen),
                             z.begin() + static_cast<std::ptrdiff_t>((r + 1) * lonLen),
                             z.begin() + static_cast<std::ptrdiff_t>((latLen - 1 - r) * lonLen));
        }
    }
    for (std::size_t i = 0; i < z.size(); ++i) {
        if (z[i] != 0 && z[i] != 1) {
            const std::size_t row = i / lonLen;
            const std::size_t column = i % lonLen;
            throw CoastlineError("the coastline data give no land/sea value at " +
                                 degrees(southDeg + static_cast<double>(row) * cellDeg) + " N " +
                                 degrees(westDeg + static_cast<double>(column) * cellDeg) + " E");
        }
    }
    return z;
}

}  // namespace

std::optional<CoastlineResolution> parseCoastlineResolution(const std::string& text) {
    for (CoastlineResolution r :
         {CoastlineResolution::crude, CoastlineResolution::low, CoastlineResolution::intermediate,
          CoastlineResolution::high, CoastlineResolution::full}) {
        if (text == coastlineResolutionName(r) || text == std::string(1, static_cast<char>(r))) {
            return r;
        }
    }
    return std::nullopt;
}

const char* coastlineResolutionName(CoastlineResolution resolution) {
    switch (resolution) {
        case CoastlineResolution::crude:
            return "crude";
        case CoastlineResolution::low:
            return "low";
        case CoastlineResolution::intermediate:
            return "intermediate";
        case CoastlineResolution::high:
            return "high";
        case CoastlineResolution::full:
            return "full";
    }
    return "?";
}

const char* coastlinePackage(CoastlineResolution resolution) {
    switch (resolution) {
        case CoastlineResolution::crude:
        case CoastlineResolution::low:
            return "gmt-gshhg-low";
        case CoastlineResolution::intermediate:
        case CoastlineResolution::high:
            return "gmt-gshhg-high";
        case CoastlineResolution::full:
            return "gmt-gshhg-full";
    }
    return "gmt-gshhg";
}

CoastlineResolution resolutionForGridStep(double stepDeg) {
    if (stepDeg >= 0.5) return CoastlineResolution::crude;
    if (stepDeg >= 0.1) return CoastlineResolution::low;
    if (stepDeg >= 0.02) return CoastlineResolution::intermediate;
    if (stepDeg >= 0.005) return CoastlineResolution::high;
    return CoastlineResolution::full;
}

int nominalCellArcsec(CoastlineResolution resolution) {
    switch (resolution) {
        case CoastlineResolution::crude:
            return 360;
        case CoastlineResolution::low:
            return 120;
        case CoastlineResolution::intermediate:
            return 60;
        case CoastlineResolution::high:
            return 30;
        case CoastlineResolution::full:
            return 15;
    }
    return 60;
}

void greatCircleMidpoint(double latADeg, double lonADeg, double latBDeg, double lonBDeg,
                         double& midLatDeg, double& midLonDeg) {
    // antipodes: the start point
    GreatCircleArc(latADeg * kRadPerDeg, lonADeg * kRadPerDeg, latBDeg * kRadPerDeg,
                   lonBDeg * kRadPerDeg)
        .at(0.5, midLatDeg, midLonDeg);
    midLatDeg *= kDegPerRad;
    midLonDeg *= kDegPerRad;
}

PathRegion::PathRegion(double txLatDeg, double txLonDeg)
    : txLatDeg_(txLatDeg), txLonDeg_(txLonDeg), latMinDeg_(txLatDeg), latMaxDeg_(txLatDeg) {}

void PathRegion::addPath(double latDeg, double lonDeg) {
    const GreatCircleArc arc(txLatDeg_ * kRadPerDeg, txLonDeg_ * kRadPerDeg, latDeg * kRadPerDeg,
                             lonDeg * kRadPerDeg);
    const double angle = arc.angle();
    const int samples =
        std::max(1, static_cast<int>(std::ceil(angle / kRadPerDeg / kArcSampleDeg)));
    double previousOffset = 0.0;
    for (int i = 1; i <= samples; ++i) {
        double pLat = latDeg;  // coincident or antipodal ends: the end point alone
        double pLon = lonDeg;
        if (angle > 0.0) {
            arc.at(static_cast<double>(i) / samples, pLat, pLon);
            pLat *= kDegPerRad;
            pLon *= kDegPerRad;
        }
        latMinDeg_ = std::min(latMinDeg_, pLat);
        latMaxDeg_ = std::max(latMaxDeg_, pLat);
        if (pLat >= kNearPoleDeg) nearNorthPole_ = true;
        if (pLat <= -kNearPoleDeg) nearSouthPole_ = true;
        // unwrapped: each step is short, so the change from the previous sample is small
        const double offset = previousOffset + lonDifferenceDeg(txLonDeg_ + previousOffset, pLon);
        lonOffsetMinDeg_ = std::min(lonOffsetMinDeg_, offset);
        lonOffsetMaxDeg_ = std::max(lonOffsetMaxDeg_, offset);
        previousOffset = offset;
    }
    const double cosAngle = std::sin(txLatDeg_ * kRadPerDeg) * std::sin(latDeg * kRadPerDeg) +
                            std::cos(txLatDeg_ * kRadPerDeg) * std::cos(latDeg * kRadPerDeg) *
                                std::cos((lonDeg - txLonDeg_) * kRadPerDeg);
    if (cosAngle < -1.0 + 1e-12) {  // antipodes: every great circle joins them
        nearNorthPole_ = true;
        nearSouthPole_ = true;
        latMinDeg_ = kMinLatitudeDeg;
        latMaxDeg_ = kMaxLatitudeDeg;
    }
}

void PathRegion::addGridPaths(double lonMinDeg, double latMinDeg, double stepDeg, int lonCount,
                              int latCount) {
    for (int i = 0; i < lonCount; ++i) {
        addPath(latMinDeg, lonMinDeg + i * stepDeg);
        addPath(latMinDeg + (latCount - 1) * stepDeg, lonMinDeg + i * stepDeg);
    }
    for (int j = 0; j < latCount; ++j) {
        addPath(latMinDeg + j * stepDeg, lonMinDeg);
        addPath(latMinDeg + j * stepDeg, lonMinDeg + (lonCount - 1) * stepDeg);
    }
}

GeoBox PathRegion::box(double marginDeg) const {
    GeoBox box{};
    box.southDeg =
        nearSouthPole_ ? kMinLatitudeDeg : std::max(kMinLatitudeDeg, latMinDeg_ - marginDeg);
    box.northDeg =
        nearNorthPole_ ? kMaxLatitudeDeg : std::min(kMaxLatitudeDeg, latMaxDeg_ + marginDeg);
    const double span = lonOffsetMaxDeg_ - lonOffsetMinDeg_ + 2.0 * marginDeg;
    if (nearNorthPole_ || nearSouthPole_ || span >= 360.0) {
        box.westDeg = txLonDeg_ - 180.0;
        box.eastDeg = txLonDeg_ + 180.0;
    } else {
        box.westDeg = txLonDeg_ + lonOffsetMinDeg_ - marginDeg;
        box.eastDeg = txLonDeg_ + lonOffsetMaxDeg_ + marginDeg;
    }
    return box;
}

LandSeaMask::LandSeaMask(double westDeg, double southDeg, double cellDeg, int lonCount,
                         int latCount, const std::vector<bool>& landSouthToNorth)
    : westDeg_(westDeg),
      southDeg_(southDeg),
      cellDeg_(cellDeg),
      lonCount_(lonCount),
      latCount_(latCount) {
    const std::size_t nodes = static_cast<std::size_t>(lonCount) * latCount;
    if (lonCount < 1 || latCount < 1 || !(cellDeg > 0.0) || landSouthToNorth.size() != nodes) {
        throw std::invalid_argument("a land/sea mask needs one flag per node");
    }
    bits_.assign((nodes + 63) / 64, 0);
    for (std::size_t i = 0; i < nodes; ++i) {
        if (landSouthToNorth[i]) setLand(i);
    }
}

bool LandSeaMask::nodeIndex(double latDeg, double lonDeg, std::size_t& index) const {
    // east of the west edge, within one turn: a mask of every longitude wraps
    double east = std::fmod(lonDeg - westDeg_, 360.0);
    if (east < 0.0) east += 360.0;
    const double halfCell = 0.5 * cellDeg_;
    if (east > 360.0 - halfCell) east -= 360.0;  // just west of the edge node
    const long column = std::lround(east / cellDeg_);
    const long row = std::lround((latDeg - southDeg_) / cellDeg_);
    if (column < 0 || column >= lonCount_ || row < 0 || row >= latCount_ ||
        !std::isfinite(latDeg)) {
        return false;
    }
    index = static_cast<std::size_t>(row) * lonCount_ + static_cast<std::size_t>(column);
    return true;
}

bool LandSeaMask::covers(double latDeg, double lonDeg) const {
    std::size_t index = 0;
    return nodeIndex(latDeg, lonDeg, index);
}

bool LandSeaMask::isLand(double latDeg, double lonDeg) const {
    std::size_t index = 0;
    if (!nodeIndex(latDeg, lonDeg, index)) {
        throw std::out_of_range("the point " + degrees(latDeg) + " N " + degrees(lonDeg) +
                                " E lies outside the land/sea mask of the run");
    }
    return (bits_[index / 64] >> (index % 64)) & 1U;
}

LandSeaMask LandSeaMask::build(const GeoBox& box, CoastlineResolution resolution, int cellArcsec,
                               const std::filesystem::path& scratchDir, unsigned parallelRuns,
                               MaskCost* cost) {
    const auto start = std::chrono::steady_clock::now();
    if (!(box.southDeg >= kMinLatitudeDeg && box.northDeg <= kMaxLatitudeDeg &&
          box.southDeg <= box.northDeg && box.westDeg <= box.eastDeg &&
          box.eastDeg - box.westDeg <= 360.0 + 1e-9)) {
        throw CoastlineError(
            "the coastline data cover latitudes -90 to 90 and one turn of "
            "longitude; no mask for the region " +
            degrees(box.westDeg) + "/" + degrees(box.eastDeg) + "/" + degrees(box.southDeg) + "/" +
            degrees(box.northDeg));
    }
    if (cellArcsec < 1) throw std::invalid_argument("a mask cell of at least 1 arc-second");

    // nodes on multiples of the cell, the box within them
    auto counts = [&](int cell, double& west, double& south, int& lonCount, int& latCount) {
        const double cellDeg = cell / kArcsecPerDeg;
        west = std::floor(box.westDeg / cellDeg) * cellDeg;
        south = std::max(kMinLatitudeDeg, std::floor(box.southDeg / cellDeg) * cellDeg);
        const double east = std::ceil(box.eastDeg / cellDeg) * cellDeg;
        const double north = std::min(kMaxLatitudeDeg, std::ceil(box.northDeg / cellDeg) * cellDeg);
        lonCount = static_cast<int>(std::lround((east - west) / cellDeg)) + 1;
        latCount = static_cast<int>(std::lround((north - south) / cellDeg)) + 1;
        if (east - west > 360.0 - 0.5 * cellDeg) {  // every longitude: one turn of nodes
            lonCount = static_cast<int>(std::lround(360.0 / cellDeg));
        }
        latCount = std::max(latCount, 2);
        lonCount = std::max(lonCount, 2);
    };
    int cell = cellArcsec;
    double west = 0.0;
    double south = 0.0;
    int lonCount = 0;
    int latCount = 0;
    counts(cell, west, south, lonCount, latCount);
    while (static_cast<double>(lonCount) * latCount > kMaxMaskNodes) {
        cell *= 2;
        counts(cell, west, south, lonCount, latCount);
    }
    const double cellDeg = cell / kArcsecPerDeg;
    if (south + (latCount - 1) * cellDeg > kMaxLatitudeDeg + 1e-9)
        south = kMaxLatitudeDeg - (latCount - 1) * cellDeg;

    // latitude bands of at least two rows, one grdlandmask each, side by side
    const unsigned bandCount = std::clamp<unsigned>(
        std::min<unsigned>(parallelRuns, static_cast<unsigned>(latCount / 2)), 1U, 16U);
    std::vector<Band> bands(bandCount);
    for (unsigned b = 0; b < bandCount; ++b) {
        const int first = static_cast<int>(static_cast<long>(latCount) * b / bandCount);
        const int next = static_cast<int>(static_cast<long>(latCount) * (b + 1) / bandCount);
        bands[b].firstRow = first;
        bands[b].rowCount = next - first;
        bands[b].folder = scratchDir / ("landmask-" + std::to_string(b));
        std::filesystem::create_directories(bands[b].folder);
    }
    const std::string increment = "-I" + std::to_string(cell) + "s";
    const char resolutionLetter[] = {static_cast<char>(resolution), '\0'};
    auto runBand = [&](Band& band) {
        const double bandSouth = std::max(kMinLatitudeDeg, south + band.firstRow * cellDeg);
        const double bandNorth =
            std::min(kMaxLatitudeDeg, south + (band.firstRow + band.rowCount - 1) * cellDeg);
        const double bandEast = west + (lonCount - 1) * cellDeg;
        const std::string region = "-R" + exactDegrees(west) + "/" + exactDegrees(bandEast) + "/" +
                                   exactDegrees(bandSouth) + "/" + exactDegrees(bandNorth);
        const std::string session = "fieldcast-map-" + std::to_string(getpid()) + "-landmask";
        // ocean 0; land, lake, island in a lake and pond 1; no download from any server
        band.status = runGmtLogged(
            {"grdlandmask", region, increment, std::string("-D") + resolutionLetter, "-N0/1/1/1/1",
             "-Gmask.nc=nb", "-Ve", "--GMT_AUTO_DOWNLOAD=off", "--GMT_HISTORY=false"},
            band.folder, session, band.folder / "messages.txt", &band.peakKb);
        band.hasSeas = touchesInlandSeas(west, bandEast, bandSouth, bandNorth);
        if (band.status != 0 || !band.hasSeas) return;
        // inside an inland sea 1, everything else 0 (the smaller polygons left out)
        long seaPeakKb = 0;
        band.seaStatus =
            runGmtLogged({"grdlandmask", region, increment, std::string("-D") + resolutionLetter,
                          "-A" + std::to_string(kInlandSeaMinAreaKm2), "-N0/0/1/0/0",
                          "-Gseas.nc=nb", "-Ve", "--GMT_AUTO_DOWNLOAD=off", "--GMT_HISTORY=false"},
                         band.folder, session, band.folder / "seas-messages.txt", &seaPeakKb);
        band.peakKb = std::max(band.peakKb, seaPeakKb);
    };
    {
        std::vector<std::thread> workers;
        for (std::size_t b = 1; b < bands.size(); ++b)
            workers.emplace_back(runBand, std::ref(bands[b]));
        runBand(bands[0]);
        for (std::thread& t : workers) t.join();
    }

    LandSeaMask mask;
    mask.westDeg_ = west;
    mask.southDeg_ = south;
    mask.cellDeg_ = cellDeg;
    mask.lonCount_ = lonCount;
    mask.latCount_ = latCount;
    const std::size_t nodes = static_cast<std::size_t>(lonCount) * latCount;
    mask.bits_.assign((nodes + 63) / 64, 0);
    long peakKb = 0;
    for (const Band& band : bands) {
        const std::filesystem::path log = band.folder / "messages.txt";
        if (band.status != 0) {
            if (logMentions(log, "Could not find file [GSHHG") ||
                logMentions(log, "GSHHG version")) {
                throw CoastlineError(std::string("the ") + coastlineResolutionName(resolution) +
                                     " resolution GSHHG coastlines are not installed (Debian "
                                     "package " +
                                     coastlinePackage(resolution) + ")");
            }
            const std::string messages = lastLines(log, 3);
            throw CoastlineError(band.status < 0
                                     ? std::string("the gmt program was not found (Debian "
                                                   "package gmt)")
                                     : "gmt grdlandmask failed" +
                                           (messages.empty() ? "" : ": " + messages));
        }
        if (band.seaStatus != 0) {
            const std::string messages = lastLines(band.folder / "seas-messages.txt", 3);
            throw CoastlineError("gmt grdlandmask failed on the inland seas" +
                                 (messages.empty() ? "" : ": " + messages));
        }
        // gmt's own reading of the asked nodes: the band's (w, s) and the cell
        const double bandSouth = south + band.firstRow * cellDeg;
        const std::vector<signed char> z = readBandGrid(band.folder / "mask.nc", lonCount,
                                                        band.rowCount, west, bandSouth, cellDeg);
        const std::vector<signed char> seas =
            band.hasSeas ? readBandGrid(band.folder / "seas.nc", lonCount, band.rowCount, west,
                                        bandSouth, cellDeg)
                         : std::vector<signed char>(z.size(), 0);
        const std::size_t offset = static_cast<std::size_t>(band.firstRow) * lonCount;
        for (std::size_t i = 0; i < z.size(); ++i) {
            if (z[i] == 1 && seas[i] == 0) mask.setLand(offset + i);
        }
        peakKb = std::max(peakKb, band.peakKb);
        std::error_code ignored;
        std::filesystem::remove_all(band.folder, ignored);
    }
    if (cost != nullptr) {
        cost->seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cost->gmtPeakMb = static_cast<double>(peakKb) / 1024.0;
    }
    return mask;
}

bool siteIsLand(double latDeg, double lonDeg, CoastlineResolution resolution,
                const std::filesystem::path& scratchDir) {
    // one node: the coastlines of a list of points at least, whatever the grid's step (the
    // crude ones of a 0.5 degree grid put a mast on the Solway coast at sea)
    const CoastlineResolution siteResolution =
        resolution == CoastlineResolution::full ? resolution : kPointsResolution;
    const LandSeaMask site = LandSeaMask::build(
        {lonDeg, lonDeg, std::max(kMinLatitudeDeg, latDeg), std::min(kMaxLatitudeDeg, latDeg)},
        siteResolution, 1, scratchDir, 1);
    return site.isLand(latDeg, lonDeg);
}

}  // namespace fieldcast::map
