// The area run's grids for GIS tools: CF-1.8 netCDF (libnetcdf), GeoTIFF, and contour lines
// and service-area polygons as GeoJSON and KML (both through GDAL), all on WGS 84
// (EPSG:4326) with the run's scenario in their attributes. The grids are written in
// grid_outputs.cpp, the contours in contour_outputs.cpp, what both ask of GDAL in
// gdal_support.h.
//
// Values: the field in dB(uV/m) at each node, as area.csv holds it; no value (NaN, the fill
// value) beyond 4000 km of the method alone. So +inf on the transmitter's own node (ground
// range 0) and -inf where the waves cancel exactly (0 mV/m).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "gmt_maps.h"
#include "run_description.h"

namespace fieldcast::map {

// One hour of a grid: rows from north to south, each from west to east.
struct HourGrid {
    int hourJst;
    const std::vector<float>* northToSouth;
};

// A CF-1.8 netCDF file of one hour or several: field(time, lat, lon) with lat and lon
// coordinate variables, the time of each hour in UTC, a WGS 84 grid mapping, the fill value
// and the description as global attributes. Throws OutputError.
void writeCfNetcdf(const std::filesystem::path& path, const std::vector<HourGrid>& hours,
                   const GridGeometry& grid, const RunDescription& description);

// A GeoTIFF of one band per hour (Float32, EPSG:4326, each node the centre of its pixel),
// each band described by its hour; no-data NaN. Throws OutputError.
void writeGeoTiff(const std::filesystem::path& path, const std::vector<HourGrid>& hours,
                  const GridGeometry& grid, const RunDescription& description);

// The contour lines and service areas (where the field is at least a level) of every hour at
// `levelsDb`: features with levelDb, hourJst, hourUtc and the hour in the run's zone, each
// file described by the scenario. GeoJSON holds every hour in one collection, as RFC 7946
// has it (longitudes within -180..180, cut at the antimeridian, exterior rings
// anticlockwise); the page's GeoJSON keeps the grid's own longitudes, to lie over the grid;
// KML has one folder per hour. Files not asked for are skipped (an empty path). Throws
// OutputError.
constexpr const char* kContourLinesGeoJson = "contours.geojson";
constexpr const char* kServiceAreasGeoJson = "service-areas.geojson";
constexpr const char* kContourLinesKml = "contours.kml";
constexpr const char* kServiceAreasKml = "service-areas.kml";
struct ContourFiles {
    std::filesystem::path linesGeoJson;
    std::filesystem::path linesKml;
    std::filesystem::path areasGeoJson;
    std::filesystem::path areasKml;
    std::filesystem::path pageLinesGeoJson;
    std::filesystem::path pageAreasGeoJson;
};
void writeContourFiles(const ContourFiles& files, const std::vector<HourGrid>& hours,
                       const GridGeometry& grid, const std::vector<double>& levelsDb,
                       const RunDescription& description);

}  // namespace fieldcast::map
