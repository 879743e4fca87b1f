// What the area run's GIS files share (grid_outputs.cpp: the netCDF grids' WKT and the
// GeoTIFF; contour_outputs.cpp: contour lines and service areas): GDAL set up once, with its
// messages kept for the run's errors; WGS 84; a dataset that closes itself; a grid's
// georeference; and the hours in the order of the zone's clock.
#pragma once

#include <gdal.h>
#include <ogr_srs_api.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "grid_outputs.h"
#include "time_zone.h"

namespace fieldcast::map {

// WGS 84 (EPSG:4326), longitude first as every file here stores it, and its WKT.
struct Wgs84 {
    OGRSpatialReferenceH srs;
    std::string wkt;
    Wgs84();
    ~Wgs84();
    Wgs84(const Wgs84&) = delete;
    Wgs84& operator=(const Wgs84&) = delete;
};
// The one instance; GDAL is registered before it is made.
const Wgs84& wgs84();

// Throws OutputError: the file, what failed, and GDAL's last message.
[[noreturn]] void gdalFailure(const std::filesystem::path& path, const char* what);

struct DatasetCloser {
    void operator()(void* dataset) const {
        if (dataset != nullptr) GDALClose(dataset);
    }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// The grid on WGS 84: each node the centre of its pixel, the first row the northern one.
void setGeoreference(GDALDatasetH dataset, const GridGeometry& grid);

// The hours in the order of the zone's clock (the order of --hours), not of JST: the order
// of field.nc's time axis, of the GeoTIFF's bands and of the contour files' hours.
std::vector<HourGrid> inZoneOrder(std::vector<HourGrid> hours, const TimeZone& zone);

}  // namespace fieldcast::map
