// What the interactive page takes from GMT: the colour bands of the maps and the coastlines
// and borders of a region as GeoJSON. gmt runs in the scratch folder and writes only there,
// under fixed plain names; the results come back as text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "geo_box.h"

namespace fieldcast::map {

struct ColourBand {
    double lowDb;  // the band holds lowDb <= value < highDb
    double highDb;
    int red;
    int green;
    int blue;
};

struct ColourScale {
    std::vector<ColourBand> bands;  // ascending, adjacent
    ColourBand below;               // the colour of values under the first band
    ColourBand above;               // and over the last
};

// The bands of the PNG maps (GMT's turbo palette in steps of colourBandDb) from min to max.
ColourScale gmtColourScale(double minDb, double maxDb, const std::filesystem::path& scratchDir,
                           const std::string& session);

// The GSHHG coastlines (the resolution and smallest area of the PNG maps) and the national
// borders within the box, as two GeoJSON FeatureCollections of one MultiLineString each.
// Longitudes are brought into the box's span, so a box across 180 degrees joins up.
struct CoastVectors {
    std::string coastlinesGeoJson;
    std::string bordersGeoJson;
};
CoastVectors gmtCoastVectors(const GeoBox& box, const std::filesystem::path& scratchDir,
                             const std::string& session);

// The dump of "gmt coast -M" (segments opened by '>' lines, then "lon lat" lines) as a GeoJSON
// FeatureCollection named `name`: every longitude moved by whole turns to within 180 degrees
// of the box's middle, and the lines clipped to the box, ending on its edges (gmt gives the
// borders of whole 10-degree bins).
std::string multiSegmentToGeoJson(const std::string& dump, const std::string& name,
                                  const GeoBox& box);

}  // namespace fieldcast::map
