// Contour lines and service areas of the area run's grids (grid_outputs.h), through GDAL's
// contour generator: GeoJSON as RFC 7946 has it, GeoJSON in the grid's own longitudes for the
// page, and KML.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "batch_options.h"
#include "csv_table.h"
#include "gdal_support.h"
#include "grid_outputs.h"
#include "output_files.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace fs = std::filesystem;

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
    // round the globe, so KML's geometries are cut at the antimeridian; so are RFC 7946
    // GeoJSON's, here rather than by its driver, whose cut can leave an empty polygon (`[ ]`)
    // in a MultiPolygon (the page's GeoJSON stays in the grid's longitudes)
    bool cutsAtAntimeridian() const { return kind_ != VectorKind::pageGeoJson; }
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

// While it lives, KML's fields are written as the placemarks' untyped extended data (<Data>):
// GDAL's LIBKML driver (before 3.9.1), closing a file with typed fields (<SimpleData>), copies
// the whole document once for each value, so that a day of contours on a fine grid took
// minutes, growing with the square of the file.
class UntypedKmlFields {
  public:
    UntypedKmlFields() {
        const char* before = CPLGetThreadLocalConfigOption(kOption, nullptr);
        if (before != nullptr) before_ = before;
        CPLSetThreadLocalConfigOption(kOption, "NO");
    }
    ~UntypedKmlFields() {
        CPLSetThreadLocalConfigOption(kOption, before_ ? before_->c_str() : nullptr);
    }
    UntypedKmlFields(const UntypedKmlFields&) = delete;
    UntypedKmlFields& operator=(const UntypedKmlFields&) = delete;

  private:
    static constexpr const char* kOption = "LIBKML_USE_SIMPLEFIELD";
    std::optional<std::string> before_;
};

// The polygons (or lines) of a geometry, without the points and lines (points) that an
// intersection leaves where a shape touches the clip, nor the empty parts that a cut at the
// antimeridian can leave (GeoJSON's `[]` in place of a polygon); null when none is left.
Geometry partsOfDimension(OGRGeometryH geometry, bool areas) {
    Geometry result(OGR_G_CreateGeometry(areas ? wkbMultiPolygon : wkbMultiLineString),
                    OGR_G_DestroyGeometry);
    const auto collect = [&](auto& self, OGRGeometryH part) -> void {
        const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(part));
        if (type == (areas ? wkbPolygon : wkbLineString)) {
            if (OGR_G_IsEmpty(part)) return;
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

// Moves every point of a geometry `deg` of longitude east.
void shiftLongitudes(OGRGeometryH geometry, double deg) {
    for (int i = 0; i < OGR_G_GetGeometryCount(geometry); ++i) {
        shiftLongitudes(OGR_G_GetGeometryRef(geometry, i), deg);
    }
    const bool is3d = OGR_G_Is3D(geometry) != 0;
    for (int i = 0; i < OGR_G_GetPointCount(geometry); ++i) {
        const double lon = OGR_G_GetX(geometry, i) + deg;
        const double lat = OGR_G_GetY(geometry, i);
        if (is3d) {
            OGR_G_SetPoint(geometry, i, lon, lat, OGR_G_GetZ(geometry, i));
        } else {
            OGR_G_SetPoint_2D(geometry, i, lon, lat);
        }
    }
}

// A shape cut at the antimeridian and moved into -180..180. GDAL's cut takes longitudes up to
// 360 and drops what lies past them: the half step east of a grid's nodes at 360 (the service
// area of -R 350/360/... ended at 0, not 0.5). A shape that reaches past 360 is therefore moved
// a turn west first (wholly west of 0 then, it needs no cut at all unless it crosses -180).
Geometry cutAtAntimeridian(OGRGeomTransformerH antimeridian, OGRGeometryH shape) {
    OGREnvelope extent{};
    OGR_G_GetEnvelope(shape, &extent);
    if (extent.MaxX <= 360.0) {
        return Geometry(OGR_GeomTransformer_Transform(antimeridian, shape), OGR_G_DestroyGeometry);
    }
    Geometry west(OGR_G_Clone(shape), OGR_G_DestroyGeometry);
    shiftLongitudes(west.get(), -360.0);
    if (extent.MinX - 360.0 >= -180.0) return west;
    return Geometry(OGR_GeomTransformer_Transform(antimeridian, west.get()), OGR_G_DestroyGeometry);
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
                const Geometry wrapped = cutAtAntimeridian(antimeridian.get(), inTurn.get());
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
                const Geometry cut = cutAtAntimeridian(antimeridian.get(), global);
                if (!cut) gdalFailure(file->path(), "cannot be cut at the antimeridian");
                // the cut can leave an empty piece beside the real ones: those dropped
                bool emptyPiece = false;
                for (int i = 0; i < OGR_G_GetGeometryCount(cut.get()); ++i) {
                    OGRGeometryH piece = OGR_G_GetGeometryRef(cut.get(), i);
                    const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(piece));
                    if ((type == wkbPolygon || type == wkbLineString) && OGR_G_IsEmpty(piece))
                        emptyPiece = true;
                }
                if (!emptyPiece) {
                    OGR_F_SetGeometry(out, cut.get());
                } else if (Geometry pieces = partsOfDimension(cut.get(), areas)) {
                    OGR_F_SetGeometryDirectly(out, pieces.release());
                } else {
                    continue;
                }
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
    const UntypedKmlFields untypedKmlFields;
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
