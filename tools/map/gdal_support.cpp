#include "gdal_support.h"

#include <cpl_conv.h>
#include <cpl_error.h>

#include <algorithm>
#include <mutex>

#include "output_files.h"

namespace fieldcast::map {

namespace {

void registerGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        // GDAL's messages come back as the run's errors, never as lines of their own
        CPLSetErrorHandler(CPLQuietErrorHandler);
    });
}

}  // namespace

Wgs84::Wgs84() : srs(OSRNewSpatialReference(nullptr)) {
    OSRSetWellKnownGeogCS(srs, "EPSG:4326");
    OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
    char* text = nullptr;
    OSRExportToWkt(srs, &text);
    wkt = text != nullptr ? text : "";
    CPLFree(text);
}

Wgs84::~Wgs84() { OSRDestroySpatialReference(srs); }

const Wgs84& wgs84() {
    registerGdal();
    static const Wgs84 instance;
    return instance;
}

void gdalFailure(const std::filesystem::path& path, const char* what) {
    const char* message = CPLGetLastErrorMsg();
    throw OutputError(userPath(path) + ": " + what +
                      (message != nullptr && *message != '\0' ? std::string(" (") + message + ")"
                                                              : std::string()));
}

void setGeoreference(GDALDatasetH dataset, const GridGeometry& grid) {
    double transform[6] = {grid.lonMinDeg - grid.stepDeg / 2,   grid.stepDeg, 0.0,
                           grid.latMaxDeg() + grid.stepDeg / 2, 0.0,          -grid.stepDeg};
    GDALSetGeoTransform(dataset, transform);
    GDALSetProjection(dataset, wgs84().wkt.c_str());
}

std::vector<HourGrid> inZoneOrder(std::vector<HourGrid> hours, const TimeZone& zone) {
    std::stable_sort(hours.begin(), hours.end(), [&](const HourGrid& a, const HourGrid& b) {
        return zoneMinutesOfJstHour(a.hourJst, zone) < zoneMinutesOfJstHour(b.hourJst, zone);
    });
    return hours;
}

}  // namespace fieldcast::map
