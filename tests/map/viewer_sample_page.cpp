// Writes a small grid page whose values no scenario gives: a field past the two-byte codes,
// an infinite field, minus infinity (0 mV/m), values on rounding ties, nodes beyond range; in
// UTC rather than JST, with a contour layer whose label holds markup and a layer that is not
// JSON. Beside the page, expected.json lists every node and hour with the doubles stored, for
// the browser test to print as printf would.
//
// usage: viewer_sample_page OUTPUT_DIR
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <limits>

#include "html_viewer.h"

namespace {

namespace fm = fieldcast::map;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string jsonNumber(double value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A one-hop node whose combined field at the two hours is dbAt3 and dbAt3 - 10.
fm::PointResult oneHop(double rangeKm, double dbAt3, double mvmAt3) {
    fm::PointResult result{};
    result.groundRangeKm = rangeKm;
    result.pathKind = fm::PathKind::oneHop;
    result.groundWaveMvm = 0.01;
    result.groundWaveDb = 20.0;
    for (int hour = 0; hour < fieldcast::kHoursPerDay; ++hour) {
        fm::HourResult& h = result.hours[static_cast<std::size_t>(hour)];
        const double shift = hour == 15 ? 10.0 : 0.0;
        h.combinedDb = dbAt3 - shift;
        h.combinedMvm = mvmAt3 / (hour == 15 ? std::sqrt(10.0) : 1.0);
        h.skyWaveDb = h.combinedDb - 1.0;
        h.skyWaveMvm = h.combinedMvm;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: viewer_sample_page OUTPUT_DIR\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out / "page");

    fm::GridGeometry grid{139.0, 34.0, 1.0, 4, 3};
    std::vector<fm::PointResult> nodes;                   // rows from north to south
    nodes.push_back(oneHop(100.04999, 45.675, 0.19245));  // ties that printf rounds down
    nodes.push_back(oneHop(212.25, 12345.678, 1e300));    // past two bytes: four
    nodes.push_back(oneHop(300.0, -kInf, 0.0));           // the waves cancel exactly
    fm::PointResult beyond{};
    beyond.groundRangeKm = 4321.06;
    beyond.pathKind = fm::PathKind::beyondRange;
    nodes.push_back(beyond);
    fm::PointResult onTransmitter{};
    onTransmitter.groundRangeKm = 0.0;
    onTransmitter.pathKind = fm::PathKind::groundOnly;
    onTransmitter.groundWaveMvm = kInf;
    onTransmitter.groundWaveDb = kInf;
    nodes.push_back(onTransmitter);
    for (int i = 5; i < 12; ++i) nodes.push_back(oneHop(400.0 + i, 30.0 + 1.234 * i, 0.0315 * i));

    const std::vector<int> hours{3, 15};
    fm::AreaPageValues values(nodes.size(), hours, 2);
    for (std::size_t i = 0; i < nodes.size(); ++i) values.addNode(i, nodes[i]);

    fm::AreaPage page{};
    page.frame.title = "sample <page> & \"quotes\"";
    page.frame.scenario = {{"Frequency", "100 kHz"}, {"<b>not bold</b>", "</script><i>x"}};
    page.frame.txLatDeg = 35.0;
    page.frame.txLonDeg = 140.0;
    page.frame.colourMinDb = 0.0;
    page.frame.colourMaxDb = 100.0;
    page.frame.timeZone = {"UTC", 0};
    {
        std::ofstream contour(out / "contour.geojson");
        contour << R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                << R"("properties":{"levelDb":50},"geometry":{"type":"LineString",)"
                << R"("coordinates":[[139,34],[140.5,35.2],[142,36]]}}]})";
        std::ofstream broken(out / "broken.geojson");
        broken << "{\"type\": \"FeatureCollection\", \"features\": [</script>";
    }
    page.frame.layers = {{"<b>50</b> dB & more", out / "contour.geojson"},
                         {"broken", out / "broken.geojson"}};
    page.grid = grid;
    page.lonNodesDeg = {139, 140, 141, 142};
    page.latNodesDeg = {34, 35, 36};
    const std::filesystem::path scratch = out / "scratch";
    std::filesystem::create_directories(scratch);
    try {
        fm::writeAreaPage(page, values, out / "page", scratch, "viewer-sample");
    } catch (const std::exception& e) {
        std::cerr << "viewer_sample_page: " << e.what() << "\n";
        return 1;
    }

    std::ofstream expected(out / "expected.json");
    expected << "[";
    bool first = true;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const int row = static_cast<int>(i) / grid.lonCount;  // from the north
        const int col = static_cast<int>(i) % grid.lonCount;
        for (int hour : hours) {
            const bool none = nodes[i].pathKind == fm::PathKind::beyondRange;
            const fieldcast::FieldStrength field =
                none ? fieldcast::FieldStrength{NAN, NAN} : fm::reportedField(nodes[i], hour, 2);
            expected << (first ? "\n" : ",\n") << "{\"latDeg\":" << (36 - row)
                     << ",\"lonDeg\":" << (139 + col) << ",\"hourJst\":" << hour << ",\"kind\":\""
                     << fm::pathKindName(nodes[i].pathKind)
                     << "\",\"groundRangeKm\":" << jsonNumber(nodes[i].groundRangeKm)
                     << ",\"fieldDb\":" << jsonNumber(field.db)
                     << ",\"fieldMvm\":" << jsonNumber(field.mvm) << "}";
            first = false;
        }
    }
    expected << "\n]\n";
    return expected ? 0 : 1;
}
