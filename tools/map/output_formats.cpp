#include "output_formats.h"

#include "batch_options.h"

namespace fieldcast::map {

namespace {

OutputFormats parseFormats(const std::string& text, bool areaWords) {
    const std::string known =
        areaWords ? "grid, csv, html, geotiff, geojson, kml, both or none" : "csv, html or none";
    OutputFormats formats;
    bool none = false;
    int words = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string word = text.substr(start, comma - start);
        ++words;
        if (word == "csv") {
            formats.csv = true;
        } else if (word == "html") {
            formats.html = true;
        } else if (areaWords && word == "grid") {
            formats.grid = true;
        } else if (areaWords && word == "geotiff") {
            formats.geotiff = true;
        } else if (areaWords && word == "geojson") {
            formats.geojson = true;
        } else if (areaWords && word == "kml") {
            formats.kml = true;
        } else if (areaWords && word == "both") {
            formats.grid = formats.csv = true;
        } else if (word == "none") {
            none = true;
        } else {
            throw UsageError("--format: \"" + word + "\" is not one of " + known +
                             " (several may be given, separated by commas: csv,html)");
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (none && words > 1) throw UsageError("--format: none stands alone");
    return formats;
}

}  // namespace

OutputFormats parseAreaFormats(const std::string& text) { return parseFormats(text, true); }

OutputFormats parsePointsFormats(const std::string& text) { return parseFormats(text, false); }

}  // namespace fieldcast::map
