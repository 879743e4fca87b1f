#include "grid_outputs.h"

#include <H5public.h>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <netcdf.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <ctime>
#include <memory>
#include <mutex>
#include <string_view>
#include <type_traits>

#include "batch_options.h"
#include "csv_table.h"
#include "output_files.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

namespace fs = std::filesystem;

void registerGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        // GDAL's messages come back as the run's errors, never as lines of their own
        CPLSetErrorHandler(CPLQuietErrorHandler);
    });
}

// The WKT of WGS 84 (EPSG:4326), longitude first as every file here stores it.
struct Wgs84 {
    OGRSpatialReferenceH srs;
    std::string wkt;
    Wgs84() : srs(OSRNewSpatialReference(nullptr)) {
        OSRSetWellKnownGeogCS(srs, "EPSG:4326");
        OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
        char* text = nullptr;
        OSRExportToWkt(srs, &text);
        wkt = text != nullptr ? text : "";
        CPLFree(text);
    }
    ~Wgs84() { OSRDestroySpatialReference(srs); }
    Wgs84(const Wgs84&) = delete;
    Wgs84& operator=(const Wgs84&) = delete;
};

const Wgs84& wgs84() {
    registerGdal();
    static const Wgs84 instance;
    return instance;
}

[[noreturn]] void gdalFailure(const fs::path& path, const char* what) {
    const char* message = CPLGetLastErrorMsg();
    throw OutputError(userPath(path) + ": " + what +
                      (message != nullptr && *message != '\0' ? std::string(" (") + message + ")"
                                                              : std::string()));
}

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

// The hours in the order of the zone's clock (the order of --hours), not of JST: the order
// of field.nc's time axis, of the GeoTIFF's bands and of the contour files' hours.
std::vector<HourGrid> inZoneOrder(std::vector<HourGrid> hours, const TimeZone& zone) {
    std::stable_sort(hours.begin(), hours.end(), [&](const HourGrid& a, const HourGrid& b) {
        return zoneMinutesOfJstHour(a.hourJst, zone) < zoneMinutesOfJstHour(b.hourJst, zone);
    });
    return hours;
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
    nc.text(fieldVar, "comment",
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

namespace {

struct DatasetCloser {
    void operator()(void* dataset) const {
        if (dataset != nullptr) GDALClose(dataset);
    }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

void setGeoreference(GDALDatasetH dataset, const GridGeometry& grid) {
    // each node the centre of its pixel; the first row the northern one
    double transform[6] = {grid.lonMinDeg - grid.stepDeg / 2,   grid.stepDeg, 0.0,
                           grid.latMaxDeg() + grid.stepDeg / 2, 0.0,          -grid.stepDeg};
    GDALSetGeoTransform(dataset, transform);
    GDALSetProjection(dataset, wgs84().wkt.c_str());
}

}  // namespace

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

namespace {

constexpr double kContourNoData = -99999.0;
// the transmitter's own node (+inf) stands in the contouring as a field above every level the
// options accept, and waves that cancel exactly (-inf) as one below every level
constexpr double kContourInfinity = kColourLimitDb + 1.0;

// One hour's grid as a GDAL raster in memory, ready to contour.
Dataset contourRaster(const HourGrid& hour, const GridGeometry& grid) {
    GDALDriverH mem = GDALGetDriverByName("MEM");
    Dataset raster(GDALCreate(mem, "", grid.lonCount, grid.latCount, 1, GDT_Float64, nullptr));
    if (!raster) throw OutputError("GDAL cannot make a raster in memory");
    setGeoreference(raster.get(), grid);
    std::vector<double> values(hour.northToSouth->size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float v = (*hour.northToSouth)[i];
        values[i] = std::isnan(v)    ? kContourNoData
                    : v == INFINITY  ? kContourInfinity
                    : v == -INFINITY ? -kContourInfinity
                                     : v;
    }
    GDALRasterBandH band = GDALGetRasterBand(raster.get(), 1);
    if (GDALRasterIO(band, GF_Write, 0, 0, grid.lonCount, grid.latCount, values.data(),
                     grid.lonCount, grid.latCount, GDT_Float64, 0, 0) != CE_None) {
        throw OutputError("GDAL cannot fill a raster in memory");
    }
    return raster;
}

// The kinds of vector file: GeoJSON as RFC 7946 has it (longitudes within -180..180,
// geometries cut at the antimeridian, exterior rings anticlockwise), GeoJSON in the grid's own
// longitudes for the page (which draws them over the grid), and KML.
enum class VectorKind { geoJson, pageGeoJson, kml };

// An output file of vector layers; features go in with the fields of `addField` calls.
class VectorFile {
  public:
    // GDAL's vector drivers do not report a write that fails (a full disk): the file is made
    // in GDAL's memory and written out by close(), every write checked
    VectorFile(const fs::path& path, VectorKind kind, OGRwkbGeometryType type,
               const std::string& description)
        : path_(path),
          memoryPath_(memoryFilePath(path)),
          type_(type),
          kind_(kind),
          description_(description) {
        const char* driverName = kind == VectorKind::kml ? "LIBKML" : "GeoJSON";
        GDALDriverH driver = GDALGetDriverByName(driverName);
        if (driver == nullptr)
            throw OutputError(path.string() + ": GDAL has no " + driverName + " driver");
        // KML: the document named by the file's content, its description the scenario
        const std::string name = "NAME=" + description.substr(0, description.find(':'));
        const std::string text = "DESCRIPTION=" + description;
        const char* options[] = {name.c_str(), text.c_str(), nullptr};
        dataset_.reset(GDALCreate(driver, memoryPath_.c_str(), 0, 0, 0, GDT_Unknown,
                                  kind == VectorKind::kml ? const_cast<char**>(options) : nullptr));
        if (!dataset_) gdalFailure(path, "cannot create");
    }
    ~VectorFile() {
        dataset_.reset();
        VSIUnlink(memoryPath_.c_str());
    }
    VectorFile(const VectorFile&) = delete;
    VectorFile& operator=(const VectorFile&) = delete;
    OGRLayerH layer(const std::string& name) {
        // KML: one folder per layer, named as given ("21:00 UTC"); its id, which must be unique
        // and an XML name, from the name's letters and digits after a letter
        std::string id = "hour";
        for (const char c : name) {
            if (std::isalnum(static_cast<unsigned char>(c))) id += c;
        }
        const bool kml = kind_ == VectorKind::kml;
        const std::string folderName = "NAME=" + name;
        const std::string description = "DESCRIPTION=" + description_;
        std::vector<const char*> options;
        if (kml) {
            options = {"FOLDER=YES", folderName.c_str()};
        } else {
            options = {"COORDINATE_PRECISION=5", "WRITE_NAME=NO", description.c_str()};
            if (kind_ == VectorKind::geoJson) options.push_back("RFC7946=YES");
        }
        options.push_back(nullptr);
        OGRLayerH layer =
            GDALDatasetCreateLayer(dataset_.get(), kml ? id.c_str() : name.c_str(), wgs84().srs,
                                   type_, const_cast<char**>(options.data()));
        if (layer == nullptr) gdalFailure(path_, "cannot add a layer");
        addField(layer, "name", OFTString);
        addField(layer, "levelDb", OFTReal);
        addField(layer, "hourJst", OFTInteger);
        addField(layer, "hourUtc", OFTInteger);
        addField(layer, "hour", OFTString);
        return layer;
    }
    void close() {
        CPLErrorReset();
        dataset_.reset();
        if (CPLGetLastErrorType() >= CE_Failure) gdalFailure(path_, "cannot be written");
        vsi_l_offset length = 0;
        const GByte* bytes = VSIGetMemFileBuffer(memoryPath_.c_str(), &length, FALSE);
        if (bytes == nullptr) throw OutputError(userPath(path_) + ": GDAL wrote no file");
        OutputFile file = createOutput(path_);
        writeOutput(file.get(),
                    std::string_view(reinterpret_cast<const char*>(bytes),
                                     static_cast<std::size_t>(length)),
                    path_);
        closeOutput(file, path_);
    }
    const fs::path& path() const { return path_; }
    // KML readers take a polygon as its longitudes draw it: one across 170..190 E would wrap
    // round the globe, so KML's geometries are cut at the antimeridian (RFC 7946 GeoJSON is cut
    // by its driver; the page's GeoJSON stays in the grid's longitudes)
    bool cutsAtAntimeridian() const { return kind_ == VectorKind::kml; }
    // the page's GeoJSON, drawn over the grid as it stands
    bool inGridLongitudes() const { return kind_ == VectorKind::pageGeoJson; }

  private:
    void addField(OGRLayerH layer, const char* name, OGRFieldType type) {
        OGRFieldDefnH field = OGR_Fld_Create(name, type);
        const OGRErr error = OGR_L_CreateField(layer, field, 1);
        OGR_Fld_Destroy(field);
        if (error != OGRERR_NONE) gdalFailure(path_, "cannot add a field");
    }
    // a name of its own in GDAL's memory files, with the file's own name at its end
    static std::string memoryFilePath(const fs::path& path) {
        static std::atomic<unsigned> count{0};
        return "/vsimem/fieldcast-map-" + std::to_string(++count) + "/" + path.filename().string();
    }
    fs::path path_;
    std::string memoryPath_;
    OGRwkbGeometryType type_;
    VectorKind kind_;
    std::string description_;
    Dataset dataset_;
};

using Geometry = std::unique_ptr<std::remove_pointer_t<OGRGeometryH>, void (*)(OGRGeometryH)>;

// The polygons (or lines) of a geometry, without the points and lines (points) that an
// intersection leaves where a shape touches the clip; null when none is left.
Geometry partsOfDimension(OGRGeometryH geometry, bool areas) {
    Geometry result(OGR_G_CreateGeometry(areas ? wkbMultiPolygon : wkbMultiLineString),
                    OGR_G_DestroyGeometry);
    const auto collect = [&](auto& self, OGRGeometryH part) -> void {
        const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(part));
        if (type == (areas ? wkbPolygon : wkbLineString)) {
            OGR_G_AddGeometry(result.get(), part);
        } else if (OGR_G_GetGeometryCount(part) > 0 &&
                   (type == wkbMultiPolygon || type == wkbMultiLineString ||
                    type == wkbGeometryCollection)) {
            for (int i = 0; i < OGR_G_GetGeometryCount(part); ++i) {
                self(self, OGR_G_GetGeometryRef(part, i));
            }
        }
    };
    collect(collect, geometry);
    if (OGR_G_GetGeometryCount(result.get()) == 0) result.reset();
    return result;
}

// Copies the features of `from` that pass `keep` into each target layer with the hour's
// fields; `levelOf` gives a feature's level. `turn` is the band of longitudes that the files in
// -180..180 keep of a grid wider than a turn: its nodes at both ends are the same places, and
// their areas, moved into -180..180, would overlap (a polygon over itself is invalid). Its
// latitudes end at the poles: the areas of a grid's nodes on or near a pole reach half a step
// past it, which neither RFC 7946 nor KML takes.
template <typename Keep, typename Level>
void copyFeatures(OGRLayerH from, const std::vector<std::pair<OGRLayerH, VectorFile*>>& targets,
                  int hourJst, const TimeZone& zone, const OGREnvelope& turn, bool areas, Keep keep,
                  Level levelOf) {
    Geometry turnBox(OGR_G_CreateGeometry(wkbPolygon), OGR_G_DestroyGeometry);
    {
        OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
        OGR_G_AddPoint_2D(ring, turn.MinX, turn.MinY);
        OGR_G_AddPoint_2D(ring, turn.MaxX, turn.MinY);
        OGR_G_AddPoint_2D(ring, turn.MaxX, turn.MaxY);
        OGR_G_AddPoint_2D(ring, turn.MinX, turn.MaxY);
        OGR_G_AddPoint_2D(ring, turn.MinX, turn.MinY);
        OGR_G_AddGeometryDirectly(turnBox.get(), ring);
    }
    const char* wrapOptions[] = {"WRAPDATELINE=YES", nullptr};
    const std::unique_ptr<std::remove_pointer_t<OGRGeomTransformerH>,
                          decltype(&OGR_GeomTransformer_Destroy)>
        antimeridian(OGR_GeomTransformer_Create(nullptr, const_cast<char**>(wrapOptions)),
                     OGR_GeomTransformer_Destroy);
    if (!antimeridian) throw OutputError("GDAL cannot cut geometries at the antimeridian");
    OGR_L_ResetReading(from);
    while (OGRFeatureH feature = OGR_L_GetNextFeature(from)) {
        const std::unique_ptr<void, void (*)(OGRFeatureH)> owned(feature, OGR_F_Destroy);
        if (!keep(feature)) continue;
        const double level = levelOf(feature);
        OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
        OGREnvelope extent{};
        OGR_G_GetEnvelope(geometry, &extent);
        // the shape as the files in -180..180 take it: within one turn
        Geometry inTurn(nullptr, OGR_G_DestroyGeometry);
        OGRGeometryH global = geometry;
        if (extent.MinX < turn.MinX || extent.MaxX > turn.MaxX || extent.MinY < turn.MinY ||
            extent.MaxY > turn.MaxY) {
            const Geometry clipped(OGR_G_Intersection(geometry, turnBox.get()),
                                   OGR_G_DestroyGeometry);
            if (!clipped) throw OutputError("GDAL cannot keep a shape within one turn");
            inTurn = partsOfDimension(clipped.get(), areas);
            if (inTurn && areas) {
                // moved into -180..180, the pieces at the two ends of the turn meet along the
                // meridian where the grid's ends join: one polygon again, not two that share
                // an edge (invalid)
                const Geometry wrapped(
                    OGR_GeomTransformer_Transform(antimeridian.get(), inTurn.get()),
                    OGR_G_DestroyGeometry);
                if (!wrapped) throw OutputError("GDAL cannot cut a shape at the antimeridian");
                const Geometry pieces = partsOfDimension(wrapped.get(), true);
                if (!pieces) throw OutputError("GDAL cut a shape to nothing");
                const Geometry merged(OGR_G_UnionCascaded(pieces.get()), OGR_G_DestroyGeometry);
                if (!merged) throw OutputError("GDAL cannot join the pieces of a shape");
                inTurn = partsOfDimension(merged.get(), true);
            }
            global = inTurn.get();
            if (global != nullptr) OGR_G_GetEnvelope(global, &extent);
        }
        const bool crosses = extent.MinX < -180.0 || extent.MaxX > 180.0;
        for (const auto& [layer, file] : targets) {
            const bool own = file->inGridLongitudes();
            if (!own && global == nullptr) continue;
            OGRFeatureH out = OGR_F_Create(OGR_L_GetLayerDefn(layer));
            const std::unique_ptr<void, void (*)(OGRFeatureH)> ownedOut(out, OGR_F_Destroy);
            if (own) {
                OGR_F_SetGeometry(out, geometry);
            } else if (crosses && file->cutsAtAntimeridian()) {
                OGRGeometryH cut = OGR_GeomTransformer_Transform(antimeridian.get(), global);
                if (cut == nullptr) gdalFailure(file->path(), "cannot be cut at the antimeridian");
                OGR_F_SetGeometryDirectly(out, cut);
            } else {
                OGR_F_SetGeometry(out, global);
            }
            const std::string clock = zoneClock(hourJst, zone);
            OGR_F_SetFieldString(out, 0, (formatNumber(level) + " dB(uV/m), " + clock).c_str());
            OGR_F_SetFieldDouble(out, 1, level);
            OGR_F_SetFieldInteger(out, 2, hourJst);
            OGR_F_SetFieldInteger(out, 3, utcHourOfJstHour(hourJst));
            OGR_F_SetFieldString(out, 4, clock.c_str());
            if (OGR_L_CreateFeature(layer, out) != OGRERR_NONE) {
                gdalFailure(file->path(), "cannot be written");
            }
        }
    }
}

Dataset memoryVectors() {
    Dataset vectors(GDALCreate(GDALGetDriverByName("Memory"), "", 0, 0, 0, GDT_Unknown, nullptr));
    if (!vectors) throw OutputError("GDAL cannot make vectors in memory");
    return vectors;
}

OGRLayerH contourLayer(GDALDatasetH vectors, OGRwkbGeometryType type) {
    OGRLayerH layer = GDALDatasetCreateLayer(vectors, "contours", wgs84().srs, type, nullptr);
    for (const char* name : {"id", "levelDb", "levelMinDb", "levelMaxDb"}) {
        OGRFieldDefnH field =
            OGR_Fld_Create(name, std::string(name) == "id" ? OFTInteger : OFTReal);
        OGR_L_CreateField(layer, field, 1);
        OGR_Fld_Destroy(field);
    }
    return layer;
}

void generate(GDALDatasetH raster, OGRLayerH layer, const std::vector<std::string>& extra) {
    std::vector<std::string> options{"ID_FIELD=0", "NODATA=" + formatNumber(kContourNoData)};
    options.insert(options.end(), extra.begin(), extra.end());
    std::vector<const char*> list;
    for (const std::string& o : options) list.push_back(o.c_str());
    list.push_back(nullptr);
    if (GDALContourGenerateEx(GDALGetRasterBand(raster, 1), layer, list.data(), nullptr, nullptr) !=
        CE_None) {
        throw OutputError(std::string("GDAL cannot draw the contours (") + CPLGetLastErrorMsg() +
                          ")");
    }
}

}  // namespace

void writeContourFiles(const ContourFiles& files, const std::vector<HourGrid>& hourGrids,
                       const GridGeometry& grid, const std::vector<double>& levelsDb,
                       const RunDescription& description) {
    wgs84();
    const std::vector<HourGrid> hours = inZoneOrder(hourGrids, description.zone);
    const std::string linesText = "fieldcast contours, dB(uV/m): " + description.title;
    const std::string areasText =
        "fieldcast service areas (field at least the level, dB(uV/m)): " + description.title;
    // each file with its geometry, and for GeoJSON its one layer (KML: a folder per hour)
    struct Target {
        std::unique_ptr<VectorFile> file;
        bool areas;
        OGRLayerH layer;
    };
    std::vector<Target> targets;
    const auto add = [&](const fs::path& path, VectorKind kind, bool areas) {
        if (path.empty()) return;
        auto file = std::make_unique<VectorFile>(
            path, kind, areas ? wkbMultiPolygon : wkbLineString, areas ? areasText : linesText);
        OGRLayerH layer = nullptr;
        if (kind != VectorKind::kml) layer = file->layer(areas ? "serviceAreas" : "contours");
        targets.push_back({std::move(file), areas, layer});
    };
    add(files.linesGeoJson, VectorKind::geoJson, false);
    add(files.areasGeoJson, VectorKind::geoJson, true);
    add(files.pageLinesGeoJson, VectorKind::pageGeoJson, false);
    add(files.pageAreasGeoJson, VectorKind::pageGeoJson, true);
    add(files.linesKml, VectorKind::kml, false);
    add(files.areasKml, VectorKind::kml, true);
    const auto hourTargets = [&](bool areas, const std::string& clock) {
        std::vector<std::pair<OGRLayerH, VectorFile*>> chosen;
        for (const Target& t : targets) {
            if (t.areas != areas) continue;
            chosen.emplace_back(t.layer != nullptr ? t.layer : t.file->layer(clock), t.file.get());
        }
        return chosen;
    };
    const auto wanted = [&](bool areas) {
        return std::any_of(targets.begin(), targets.end(),
                           [&](const Target& t) { return t.areas == areas; });
    };
    // the longitudes kept in -180..180: the whole grid, past its outer nodes by half a step,
    // or of a grid wider than a turn the middle turn, where its repeated nodes at both ends
    // meet
    const double half = grid.stepDeg / 2;
    const double excess = std::max(0.0, grid.lonMaxDeg() - grid.lonMinDeg + grid.stepDeg - 360.0);
    OGREnvelope turn;
    turn.MinX = grid.lonMinDeg - half + excess / 2;
    turn.MaxX = grid.lonMaxDeg() + half - excess / 2;
    turn.MinY = std::max(kMinLatitudeDeg, grid.latMinDeg - grid.stepDeg);
    turn.MaxY = std::min(kMaxLatitudeDeg, grid.latMaxDeg() + grid.stepDeg);
    std::string levelList;
    for (double level : levelsDb) {
        if (!levelList.empty()) levelList += ',';
        levelList += formatNumber(level);
    }

    for (const HourGrid& hour : hours) {
        const Dataset raster = contourRaster(hour, grid);
        const std::string clock = zoneClock(hour.hourJst, description.zone);
        if (wanted(false)) {
            const auto chosen = hourTargets(false, clock);
            const Dataset vectors = memoryVectors();
            OGRLayerH lines = contourLayer(vectors.get(), wkbLineString);
            generate(raster.get(), lines, {"ELEV_FIELD=1", "FIXED_LEVELS=" + levelList});
            copyFeatures(
                lines, chosen, hour.hourJst, description.zone, turn, false,
                [](OGRFeatureH) { return true; },
                [](OGRFeatureH f) { return OGR_F_GetFieldAsDouble(f, 1); });
        }
        if (wanted(true)) {
            const auto chosen = hourTargets(true, clock);
            // one level at a time: the polygons of the band from the level up, told by their
            // upper bound (GDAL gives a band that no node of the grid falls below a lower bound
            // of its own, not the level)
            for (double level : levelsDb) {
                const Dataset vectors = memoryVectors();
                OGRLayerH bands = contourLayer(vectors.get(), wkbMultiPolygon);
                generate(raster.get(), bands,
                         {"POLYGONIZE=YES", "ELEV_FIELD_MIN=2", "ELEV_FIELD_MAX=3",
                          "FIXED_LEVELS=" + formatNumber(level) + "," +
                              formatNumber(kContourInfinity + 1)});
                copyFeatures(
                    bands, chosen, hour.hourJst, description.zone, turn, true,
                    [&](OGRFeatureH f) { return OGR_F_GetFieldAsDouble(f, 3) > level; },
                    [&](OGRFeatureH) { return level; });
            }
        }
    }
    for (Target& t : targets) t.file->close();
}

}  // namespace fieldcast::map
