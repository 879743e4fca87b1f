// The --format option of both modes: one word, or several separated by commas
// ("grid,csv,html"). The single words of earlier versions keep their meaning.
#pragma once

#include <string>

namespace fieldcast::map {

struct OutputFormats {
    bool grid = false;     // field-HH.nc (area only)
    bool csv = false;      // area.csv or points.csv
    bool html = false;     // index.html and its folder viewer/
    bool geotiff = false;  // field.tif (area only)
    bool geojson = false;  // contours.geojson, service-areas.geojson (area only)
    bool kml = false;      // contours.kml, service-areas.kml (area only)
};

// area: grid, csv, html, geotiff, geojson, kml; "both" is grid and csv; "none" (alone) writes no
// result file but the maps. Throws UsageError naming the word that is not known.
OutputFormats parseAreaFormats(const std::string& text);
// points: csv, html; "none" (alone) writes no result file but the plot.
OutputFormats parsePointsFormats(const std::string& text);

}  // namespace fieldcast::map
