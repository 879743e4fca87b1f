#include "grid_outputs.h"

#include <H5public.h>
#include <cpl_error.h>
#include <gdal.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "csv_table.h"
#include "gdal_support.h"
#include "output_files.h"

namespace fieldcast::map {

namespace {

namespace fs = std::filesystem;

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string hourText(int hourJst, const TimeZone& zone) {
    char jst[32];
    std::snprintf(jst, sizeof jst, " (hourJst %d, hourUtc %d)", hourJst, utcHourOfJstHour(hourJst));
    return zoneClock(hourJst, zone) + jst;
}

// The start of a JST hour in hours after 00:00 UTC of the nominal 15th, where the 15th is the
// zone's: the hours of the zone's day, all on one day, so the time axis rises with them.
double hoursAfterNominalMidnightUtc(int hourJst, const TimeZone& zone) {
    return (zoneMinutesOfJstHour(hourJst, zone) - zone.offsetMinutes) / 60.0;
}

// ---- netCDF ----

// A netCDF-4 file whose close fails (a full disk) stays open inside HDF5, and HDF5's exit
// handler then crashes the process (SIGSEGV) as it tries to close it again: the run that had
// reported the failure would end with a signal instead of status 1. Every file here is closed
// by its writer, so the handler has nothing to do; it is kept out before HDF5 starts.
[[maybe_unused]] const bool kNoHdf5ExitHandler = H5dont_atexit() >= 0;

class NetcdfFile {
  public:
    NetcdfFile(const fs::path& path) : path_(path) {
        check(nc_create(path.c_str(), NC_NETCDF4 | NC_CLOBBER, &id_), "cannot create");
    }
    ~NetcdfFile() {
        if (id_ >= 0) nc_close(id_);
    }
    NetcdfFile(const NetcdfFile&) = delete;
    NetcdfFile& operator=(const NetcdfFile&) = delete;
    int id() const { return id_; }
    void check(int status, const char* what) const {
        if (status != NC_NOERR) {
            throw OutputError(userPath(path_) + ": " + what + " (" + nc_strerror(status) + ")");
        }
    }
    void text(int var, const std::string& name, const std::string& value) const {
        check(nc_put_att_text(id_, var, name.c_str(), value.size(), value.c_str()),
              "cannot write an attribute");
    }
    void number(int var, const std::string& name, double value) const {
        check(nc_put_att_double(id_, var, name.c_str(), NC_DOUBLE, 1, &value),
              "cannot write an attribute");
    }
    void whole(int var, const std::string& name, int value) const {
        check(nc_put_att_int(id_, var, name.c_str(), NC_INT, 1, &value),
              "cannot write an attribute");
    }
    void close() {
        const int status = nc_close(id_);
        id_ = -1;
        check(status, "cannot be written");
    }

  private:
    fs::path path_;
    int id_ = -1;
};

}  // namespace

void writeCfNetcdf(const fs::path& path, const std::vector<HourGrid>& hourGrids,
                   const GridGeometry& grid, const RunDescription& description) {
    const std::vector<HourGrid> hours = inZoneOrder(hourGrids, description.zone);
    const std::string& wkt = wgs84().wkt;
    // the netCDF library is not thread-safe: the maps' workers write one file at a time
    static std::mutex netcdfLock;
    const std::lock_guard<std::mutex> lock(netcdfLock);
    NetcdfFile nc(path);
    const int id = nc.id();
    const auto lonCount = static_cast<std::size_t>(grid.lonCount);
    const auto latCount = static_cast<std::size_t>(grid.latCount);
    int timeDim = 0;
    int latDim = 0;
    int lonDim = 0;
    nc.check(nc_def_dim(id, "time", hours.size(), &timeDim), "cannot define time");
    nc.check(nc_def_dim(id, "lat", latCount, &latDim), "cannot define lat");
    nc.check(nc_def_dim(id, "lon", lonCount, &lonDim), "cannot define lon");
    int timeVar = 0;
    int hourJstVar = 0;
    int latVar = 0;
    int lonVar = 0;
    int crsVar = 0;
    int fieldVar = 0;
    nc.check(nc_def_var(id, "time", NC_DOUBLE, 1, &timeDim, &timeVar), "cannot define time");
    nc.check(nc_def_var(id, "hourJst", NC_INT, 1, &timeDim, &hourJstVar), "cannot define hourJst");
    nc.check(nc_def_var(id, "lat", NC_DOUBLE, 1, &latDim, &latVar), "cannot define lat");
    nc.check(nc_def_var(id, "lon", NC_DOUBLE, 1, &lonDim, &lonVar), "cannot define lon");
    nc.check(nc_def_var(id, "crs", NC_INT, 0, nullptr, &crsVar), "cannot define crs");
    const int fieldDims[] = {timeDim, latDim, lonDim};
    nc.check(nc_def_var(id, "fieldDb", NC_FLOAT, 3, fieldDims, &fieldVar), "cannot define fieldDb");
    const std::size_t chunks[] = {1, std::min<std::size_t>(latCount, 256),
                                  std::min<std::size_t>(lonCount, 256)};
    nc.check(nc_def_var_chunking(id, fieldVar, NC_CHUNKED, chunks), "cannot chunk fieldDb");
    nc.check(nc_def_var_deflate(id, fieldVar, 1, 1, 4), "cannot compress fieldDb");
    const float fill = NAN;
    nc.check(nc_def_var_fill(id, fieldVar, 0, &fill), "cannot set the fill value");

    // the day is nominal (the 15th of the month in the run's zone): the prediction is for the
    // month's hours
    char timeUnits[64];
    const int month = description.month;
    std::snprintf(timeUnits, sizeof timeUnits, "hours since 2000-%02d-15 00:00:00",
                  month >= 1 && month <= 12 ? month : 1);
    nc.text(timeVar, "standard_name", "time");
    nc.text(timeVar, "long_name",
            "start of the hour, on a nominal day of the month (the 15th in " +
                description.zone.label + ")");
    nc.text(timeVar, "units", timeUnits);
    nc.text(timeVar, "calendar", "standard");
    nc.text(timeVar, "axis", "T");
    nc.text(hourJstVar, "long_name", "hour of the day, JST (UTC+09:00), as computed");
    nc.text(hourJstVar, "units", "1");
    nc.text(latVar, "standard_name", "latitude");
    nc.text(latVar, "long_name", "latitude");
    nc.text(latVar, "units", "degrees_north");
    nc.text(latVar, "axis", "Y");
    nc.text(lonVar, "standard_name", "longitude");
    nc.text(lonVar, "long_name", "longitude");
    nc.text(lonVar, "units", "degrees_east");
    nc.text(lonVar, "axis", "X");
    nc.text(crsVar, "grid_mapping_name", "latitude_longitude");
    nc.number(crsVar, "longitude_of_prime_meridian", 0.0);
    nc.number(crsVar, "semi_major_axis", 6378137.0);
    nc.number(crsVar, "inverse_flattening", 298.257223563);
    nc.text(crsVar, "crs_wkt", wkt);
    nc.text(crsVar, "spatial_ref", wkt);
    nc.text(fieldVar, "long_name", "field strength (" + description.title + ")");
    nc.text(fieldVar, "units", "dB(uV/m)");
    nc.text(fieldVar, "grid_mapping", "crs");
    // UDUNITS, whose strings CF asks for, has no decibel above a reference field: the unit is
    // spelt as in the other files and the comment says what it is
    nc.text(fieldVar, "comment",
            "units dB(uV/m): decibels above 1 microvolt per metre, 20 log10 of the field in "
            "uV/m (no UDUNITS string names a level above a reference field); "
            "NaN (the fill value): no value, the path is over " +
                formatNumber(description.noValueRangeKm) +
                " km and outside the method; +inf: the transmitter's own node (ground range 0); "
                "-inf: waves that cancel exactly (0 mV/m); both as in area.csv, and outside "
                "actual_range, the least and greatest finite values");

    nc.text(NC_GLOBAL, "Conventions", "CF-1.8");
    nc.text(NC_GLOBAL, "title", "fieldcast field strength: " + description.title);
    nc.text(NC_GLOBAL, "source",
            std::string("fieldcast-map ") + programVersion() + ", " + description.model);
    nc.text(NC_GLOBAL, "history", utcNow() + " written by fieldcast-map " + programVersion());
    for (const DescriptionItem& item : description.items) {
        if (item.isWhole) {
            nc.whole(NC_GLOBAL, item.key, static_cast<int>(item.number));
        } else if (item.isNumber) {
            nc.number(NC_GLOBAL, item.key, item.number);
        } else {
            nc.text(NC_GLOBAL, item.key, item.text);
        }
    }
    std::vector<double> lats;
    std::vector<double> lons;
    for (int i = 0; i < grid.latCount; ++i)
        lats.push_back(nodeDeg(grid.latMinDeg, grid.stepDeg, i));
    for (int i = 0; i < grid.lonCount; ++i)
        lons.push_back(nodeDeg(grid.lonMinDeg, grid.stepDeg, i));
    // the first and last nodes: readers that would guess the registration from the spacing
    // (gmt) take the grid as one of nodes
    const double latRange[] = {lats.front(), lats.back()};
    const double lonRange[] = {lons.front(), lons.back()};
    nc.check(nc_put_att_double(id, latVar, "actual_range", NC_DOUBLE, 2, latRange),
             "cannot write an attribute");
    nc.check(nc_put_att_double(id, lonVar, "actual_range", NC_DOUBLE, 2, lonRange),
             "cannot write an attribute");
    // the least and greatest finite field: readers that take the range of a grid from its
    // header (gmt grdinfo, its default palettes) would otherwise read 0 to 0
    float fieldRange[] = {INFINITY, -INFINITY};
    for (const HourGrid& h : hours) {
        for (const float v : *h.northToSouth) {
            if (!std::isfinite(v)) continue;
            fieldRange[0] = std::min(fieldRange[0], v);
            fieldRange[1] = std::max(fieldRange[1], v);
        }
    }
    if (fieldRange[0] <= fieldRange[1]) {
        nc.check(nc_put_att_float(id, fieldVar, "actual_range", NC_FLOAT, 2, fieldRange),
                 "cannot write an attribute");
    }
    nc.check(nc_enddef(id), "cannot end its definitions");

    std::vector<double> times;
    std::vector<int> jst;
    for (const HourGrid& h : hours) {
        times.push_back(hoursAfterNominalMidnightUtc(h.hourJst, description.zone));
        jst.push_back(h.hourJst);
    }
    nc.check(nc_put_var_double(id, timeVar, times.data()), "cannot write time");
    nc.check(nc_put_var_int(id, hourJstVar, jst.data()), "cannot write hourJst");
    nc.check(nc_put_var_double(id, latVar, lats.data()), "cannot write lat");
    nc.check(nc_put_var_double(id, lonVar, lons.data()), "cannot write lon");
    // rows from south to north, as the ascending lat coordinate has them
    std::vector<float> row(lonCount);
    for (std::size_t t = 0; t < hours.size(); ++t) {
        const std::vector<float>& values = *hours[t].northToSouth;
        for (std::size_t r = 0; r < latCount; ++r) {
            const float* from = values.data() + (latCount - 1 - r) * lonCount;
            std::copy(from, from + lonCount, row.begin());
            const std::size_t start[] = {t, r, 0};
            const std::size_t count[] = {1, 1, lonCount};
            nc.check(nc_put_vara_float(id, fieldVar, start, count, row.data()),
                     "cannot write fieldDb");
        }
    }
    nc.close();
}

// ---- GeoTIFF ----

void writeGeoTiff(const fs::path& path, const std::vector<HourGrid>& hourGrids,
                  const GridGeometry& grid, const RunDescription& description) {
    const std::vector<HourGrid> hours = inZoneOrder(hourGrids, description.zone);
    wgs84();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (driver == nullptr) throw OutputError(path.string() + ": GDAL has no GeoTIFF driver");
    const char* options[] = {"COMPRESS=DEFLATE", "PREDICTOR=3", "TILED=YES", nullptr};
    CPLErrorReset();
    Dataset dataset(GDALCreate(driver, path.c_str(), grid.lonCount, grid.latCount,
                               static_cast<int>(hours.size()), GDT_Float32,
                               const_cast<char**>(options)));
    if (!dataset) gdalFailure(path, "cannot create");
    setGeoreference(dataset.get(), grid);
    GDALSetMetadataItem(dataset.get(), "TIFFTAG_IMAGEDESCRIPTION",
                        ("fieldcast field strength, dB(uV/m): " + description.title).c_str(),
                        nullptr);
    GDALSetMetadataItem(dataset.get(), "TIFFTAG_SOFTWARE",
                        (std::string("fieldcast-map ") + programVersion()).c_str(), nullptr);
    for (const DescriptionItem& item : description.items) {
        GDALSetMetadataItem(dataset.get(), item.key.c_str(), item.text.c_str(), nullptr);
    }
    GDALSetMetadataItem(dataset.get(), "units", "dB(uV/m)", nullptr);
    GDALSetMetadataItem(dataset.get(), "values",
                        ("NaN (no data): over " + formatNumber(description.noValueRangeKm) +
                         " km, outside the method; +inf: the transmitter's own node; -inf: waves "
                         "that cancel exactly; each band's statistics of its finite values")
                            .c_str(),
                        nullptr);
    std::vector<float> values;
    for (std::size_t b = 0; b < hours.size(); ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), static_cast<int>(b) + 1);
        values = *hours[b].northToSouth;
        if (GDALRasterIO(band, GF_Write, 0, 0, grid.lonCount, grid.latCount, values.data(),
                         grid.lonCount, grid.latCount, GDT_Float32, 0, 0) != CE_None) {
            gdalFailure(path, "cannot be written");
        }
        GDALSetRasterNoDataValue(band, NAN);
        // the statistics of the finite field, stored: those GDAL would compute take the
        // transmitter's +inf (maximum inf, mean and deviation NaN), and QGIS stretches its
        // colours over them (netCDF's actual_range does this for gmt)
        double count = 0;
        double sum = 0;
        double squares = 0;
        double least = INFINITY;
        double greatest = -INFINITY;
        for (const float v : values) {
            if (!std::isfinite(v)) continue;
            count += 1;
            sum += v;
            squares += static_cast<double>(v) * v;
            least = std::min<double>(least, v);
            greatest = std::max<double>(greatest, v);
        }
        if (count > 0) {
            const double mean = sum / count;
            GDALSetRasterStatistics(band, least, greatest, mean,
                                    std::sqrt(std::max(0.0, squares / count - mean * mean)));
        }
        GDALSetRasterUnitType(band, "dB(uV/m)");
        GDALSetDescription(band,
                           ("fieldDb " + hourText(hours[b].hourJst, description.zone)).c_str());
        GDALSetMetadataItem(band, "hourJst", std::to_string(hours[b].hourJst).c_str(), nullptr);
        GDALSetMetadataItem(band, "hourUtc",
                            std::to_string(utcHourOfJstHour(hours[b].hourJst)).c_str(), nullptr);
    }
    dataset.reset();
    if (CPLGetLastErrorType() >= CE_Failure) gdalFailure(path, "cannot be written");
}

}  // namespace fieldcast::map
