#include "html_viewer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "batch_common.h"
#include "batch_options.h"
#include "extended_model.h"
#include "gmt_vectors.h"
#include "output_files.h"
#include "viewer_assets.h"

#ifndef FIELDCAST_LEAFLET_DIR
#define FIELDCAST_LEAFLET_DIR "/usr/share/javascript/leaflet"
#endif

namespace fieldcast::map {

namespace {

namespace fs = std::filesystem;

constexpr int kDoubleCodeBytes = 2;
constexpr std::int32_t kPackedNoValue = 65535;
constexpr std::int32_t kPackedPlusInfinity = 65534;
constexpr std::int32_t kPackedMinusInfinity = 65533;

// Leaflet's folder: the Debian package's, unless FIELDCAST_LEAFLET_DIR names another.
fs::path leafletDir() {
    const char* given = std::getenv("FIELDCAST_LEAFLET_DIR");
    return given != nullptr && *given != '\0' ? fs::path(given) : fs::path(FIELDCAST_LEAFLET_DIR);
}

void writeText(const fs::path& path, std::string_view text) {
    OutputFile file = createOutput(path);
    writeOutput(file.get(), std::string(text), path);
    closeOutput(file, path);
}

void makeDirectory(const fs::path& dir) {
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) throw OutputError(userPath(dir) + ": cannot create (" + error.message() + ")");
}

void copyFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error) {
        throw PageError("cannot copy " + from.string() + " to " + userPath(to) + " (" +
                        error.message() + ")");
    }
}

void checkPageLibrary() {
    const fs::path dir = leafletDir();
    std::error_code error;
    if (!fs::is_regular_file(dir / "leaflet.js", error) ||
        !fs::is_regular_file(dir / "leaflet.css", error)) {
        throw PageError("Leaflet was not found in " + dir.string() +
                        " (Debian package libjs-leaflet); or run with a --format without html");
    }
}

// Leaflet's script, style and the pictures its style names, into viewer/leaflet/.
void copyLeaflet(const fs::path& viewerDir) {
    checkPageLibrary();
    const fs::path from = leafletDir();
    const fs::path to = viewerDir / "leaflet";
    makeDirectory(to / "images");
    copyFile(from / "leaflet.js", to / "leaflet.js");
    copyFile(from / "leaflet.css", to / "leaflet.css");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(from / "images", error)) {
        if (entry.path().extension() == ".png") {
            copyFile(entry.path(), to / "images" / entry.path().filename());
        }
    }
    if (error) throw PageError((from / "images").string() + ": " + error.message());
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The folders, Leaflet, the page's own files and index.html from the template `htmlAsset`.
fs::path startPage(const fs::path& outputDir, const std::string& htmlAsset,
                   const std::string& title) {
    const fs::path viewerDir = outputDir / "viewer";
    makeDirectory(viewerDir / "data");
    copyLeaflet(viewerDir);
    for (const char* name : {"viewer.css", "common.js", "area.js", "points.js"}) {
        writeText(viewerDir / name, viewerAsset(name));
    }
    writeText(outputDir / "index.html",
              replaceAll(std::string(viewerAsset(htmlAsset)), "@TITLE@", htmlEscape(title)));
    return viewerDir / "data";
}

std::string jsonNumber(double value) { return formatNumber(value); }

std::string colourHex(const ColourBand& band) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", band.red & 0xff, band.green & 0xff,
                  band.blue & 0xff);
    return text;
}

// The members of the page's description that both pages share, without the braces.
std::string frameJson(const PageFrame& frame, const ColourScale& colours, const GeoBox& box) {
    std::string json = "\"title\":" + jsString(frame.title) + ",\"scenario\":[";
    for (std::size_t i = 0; i < frame.scenario.size(); ++i) {
        json += (i > 0 ? ",[" : "[") + jsString(frame.scenario[i].first) + "," +
                jsString(frame.scenario[i].second) + "]";
    }
    json += "],\"txLatDeg\":" + jsonNumber(frame.txLatDeg) +
            ",\"txLonDeg\":" + jsonNumber(frame.txLonDeg);
    json += ",\"noValueRangeKm\":" + jsonNumber(frame.noValueRangeKm) +
            ",\"groundOnlyRangeKm\":" + jsonNumber(frame.groundOnlyRangeKm);
    json += ",\"zone\":{\"label\":" + jsString(frame.timeZone.label) +
            ",\"offsetMinutes\":" + std::to_string(frame.timeZone.offsetMinutes) + "}";
    json += ",\"colours\":{\"unit\":\"dB(uV/m)\",\"below\":\"" + colourHex(colours.below) +
            "\",\"above\":\"" + colourHex(colours.above) + "\",\"bands\":[";
    for (std::size_t i = 0; i < colours.bands.size(); ++i) {
        const ColourBand& band = colours.bands[i];
        json += (i > 0 ? ",[" : "[") + jsonNumber(band.lowDb) + "," + jsonNumber(band.highDb) +
                ",\"" + colourHex(band) + "\"]";
    }
    json += "]},\"box\":[" + jsonNumber(box.southDeg) + "," + jsonNumber(box.westDeg) + "," +
            jsonNumber(box.northDeg) + "," + jsonNumber(box.eastDeg) + "]";
    json += ",\"kinds\":[";
    for (PathKind kind : {PathKind::groundOnly, PathKind::oneHop, PathKind::twoHop,
                          PathKind::beyondRange, PathKind::skyWave}) {
        json +=
            std::string(kind == PathKind::groundOnly ? "" : ",") + "\"" + pathKindName(kind) + "\"";
    }
    json += "],\"layers\":[";
    for (std::size_t i = 0; i < frame.layers.size(); ++i) {
        json += (i > 0 ? ",{" : "{") + std::string("\"label\":") + jsString(frame.layers[i].label) +
                ",\"file\":\"viewer/data/layer-" + std::to_string(i + 1) + ".js\"" +
                ",\"hourly\":" + (frame.layers[i].hourly ? "true" : "false") +
                ",\"shown\":" + (frame.layers[i].shown ? "true" : "false") + "}";
    }
    return json + "]";
}

// The coastlines and borders of the box, and the layers given, as data scripts.
void writeVectors(const PageFrame& frame, const GeoBox& box, const fs::path& dataDir,
                  const fs::path& scratchDir, const std::string& session) {
    const CoastVectors coast = gmtCoastVectors(box, scratchDir, session);
    writeText(dataDir / "coast.js",
              "FC.coast(" + coast.coastlinesGeoJson + "," + coast.bordersGeoJson + ");\n");
    for (std::size_t i = 0; i < frame.layers.size(); ++i) {
        const fs::path& file = frame.layers[i].geoJsonFile;
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) throw PageError(file.string() + ": cannot read");
        // as a string: the page parses it, so a file that is not JSON cannot break the page
        writeText(dataDir / ("layer-" + std::to_string(i + 1) + ".js"),
                  "FC.layer(" + std::to_string(i) + "," + jsString(text.str()) + ");\n");
    }
}

std::string packedJson(const PackedCodes& packed) {
    return "{\"bytes\":" + std::to_string(packed.bytesPerCode) +
           ",\"offset\":" + std::to_string(packed.offset) + ",\"data\":\"" + packed.base64 + "\"}";
}

std::string textList(const std::vector<double>& values) {
    std::string json = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        json += (i > 0 ? ",\"" : "\"") + formatNumber(values[i]) + "\"";
    }
    return json + "]";
}

std::uint8_t kindIndex(PathKind kind) { return static_cast<std::uint8_t>(kind); }

// The codes are the digits printf prints, which rounds the exact binary value. A scaled value
// computed with one rounding lies within 2^-53 of its exact product; while it lies further
// than that from a half-integer (1e-6 is far more for every value the codes take), both round
// to the same integer, and printf need not be asked.
constexpr double kTieMargin = 1e-6;
constexpr int kExactPowersOfTen = 22;  // 10^0 .. 10^22 are doubles exactly
constexpr auto kPowersOfTen = [] {
    std::array<double, kExactPowersOfTen + 1> powers{};
    double power = 1.0;
    for (double& p : powers) {
        p = power;
        power *= 10.0;
    }
    return powers;
}();

std::optional<std::int64_t> roundedClearOfTie(double scaled) {
    const double nearest = std::nearbyint(scaled);
    if (std::fabs(std::fabs(scaled - nearest) - 0.5) < kTieMargin) return std::nullopt;
    return static_cast<std::int64_t>(nearest);
}

// value x scale as printf's `format` ("%.2f" for 100) prints it, without the point
std::int32_t fixedPointCode(double value, double scale, double limit, const char* format) {
    if (std::isnan(value)) return kNoValueCode;
    if (std::isinf(value)) return value > 0 ? kPlusInfinityCode : kMinusInfinityCode;
    if (std::fabs(value) >= limit) throw PageError("a value too large for the page");
    if (const auto digits = roundedClearOfTie(value * scale)) {
        return static_cast<std::int32_t>(*digits);
    }
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    std::string digits = text;
    digits.erase(digits.find('.'), 1);
    return static_cast<std::int32_t>(std::strtol(digits.c_str(), nullptr, 10));
}

}  // namespace

std::int32_t hundredthsCode(double value) { return fixedPointCode(value, 100.0, 2e7, "%.2f"); }

std::int32_t tenthsCode(double value) { return fixedPointCode(value, 10.0, 2e8, "%.1f"); }

std::int32_t threeDigitCode(double value) {
    if (std::isnan(value)) return kNoValueCode;
    if (std::isinf(value)) return value > 0 ? kPlusInfinityCode : kMinusInfinityCode;
    if (value == 0.0) return 0;
    if (value < 0.0) throw PageError("a negative field strength in mV/m");
    // the three digits as value x 10^(2 - exponent), scaled by one exact power of ten so
    // that the product has a single rounding
    const int exponent = static_cast<int>(std::floor(std::log10(value)));
    const int shift = 2 - exponent;
    if (shift >= -kExactPowersOfTen && shift <= kExactPowersOfTen) {
        const double scaled =
            shift >= 0 ? value * kPowersOfTen[shift] : value / kPowersOfTen[-shift];
        if (scaled >= 100.0 && scaled < 1000.0) {  // else log10 missed the decade
            if (const auto digits = roundedClearOfTie(scaled)) {
                return *digits == 1000 ? (exponent + 1) * 1000 + 100
                                       : exponent * 1000 + static_cast<std::int32_t>(*digits);
            }
        }
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.2e", value);  // "1.23e-05"
    int lead = 0;
    int tail = 0;
    int printedExponent = 0;
    std::sscanf(text, "%d.%de%d", &lead, &tail, &printedExponent);
    return printedExponent * 1000 + lead * 100 + tail;
}

PackedCodes packCodes(const std::vector<std::int32_t>& codes) {
    const auto finite = [](std::int32_t c) {
        return c != kNoValueCode && c != kMinusInfinityCode && c != kPlusInfinityCode;
    };
    std::int64_t low = 0;
    std::int64_t high = 0;
    bool any = false;
    for (std::int32_t c : codes) {
        if (!finite(c)) continue;
        low = any ? std::min<std::int64_t>(low, c) : c;
        high = any ? std::max<std::int64_t>(high, c) : c;
        any = true;
    }
    PackedCodes packed{};
    std::string bytes;
    if (high - low < kPackedMinusInfinity) {
        packed.bytesPerCode = kDoubleCodeBytes;
        packed.offset = static_cast<std::int32_t>(low);
        bytes.reserve(codes.size() * 2);
        for (std::int32_t c : codes) {
            const std::int32_t raw = c == kNoValueCode         ? kPackedNoValue
                                     : c == kPlusInfinityCode  ? kPackedPlusInfinity
                                     : c == kMinusInfinityCode ? kPackedMinusInfinity
                                                               : c - packed.offset;
            bytes += static_cast<char>(raw & 0xff);
            bytes += static_cast<char>((raw >> 8) & 0xff);
        }
    } else {
        packed.bytesPerCode = 4;
        packed.offset = 0;
        bytes.reserve(codes.size() * 4);
        for (std::int32_t c : codes) {
            const auto raw = static_cast<std::uint32_t>(c);
            for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(raw >> shift);
        }
    }
    packed.base64 = base64(bytes);
    return packed;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3f] : '=';
        }
    }
    return text;
}

std::string jsString(std::string_view utf8) {
    std::string out = "\"";
    const auto escape = [&](unsigned code) {
        char text[8];
        std::snprintf(text, sizeof text, "\\u%04x", code);
        out += text;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            if (byte == '"' || byte == '\\') {
                out += '\\';
                out += static_cast<char>(byte);
            } else if (byte < 0x20 || byte == 0x7f || byte == '<' || byte == '>' || byte == '&') {
                escape(byte);
            } else {
                out += static_cast<char>(byte);
            }
            ++i;
            continue;
        }
        // a well-formed sequence: its length, the smallest code point of that length, and
        // no surrogate or value past U+10FFFF
        const std::size_t length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 0;
        unsigned code = length == 4 ? byte & 0x07U : length == 3 ? byte & 0x0fU : byte & 0x1fU;
        bool valid = length > 0 && byte < 0xf5 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xc0) == 0x80;
            code = code << 6 | (next & 0x3fU);
        }
        const unsigned smallest = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
        valid = valid && code >= smallest && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
        if (!valid) {
            escape(0xfffd);
            ++i;
            continue;
        }
        if (code == 0x2028 || code == 0x2029) {
            escape(code);
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    return out + "\"";
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

ScenarioRows scenarioRows(const PredictionState& s, const fs::path& dataDir) {
    const auto code = [](int value, const std::string& meaning) {
        return std::to_string(value) + " (" + meaning + ")";
    };
    std::error_code ignored;
    fs::path folder = fs::absolute(dataDir, ignored).lexically_normal();
    if (!folder.has_filename() && folder.has_parent_path()) folder = folder.parent_path();
    return {
        {"Frequency", formatNumber(s.freqKhz) + " kHz"},
        {"Power", formatNumber(s.txPowerKw) + " kW"},
        {"Transmitter",
         "latitude " + formatNumber(s.txLat) + ", longitude " + formatNumber(s.txLon) + " (deg)"},
        {"Month", code(s.month, monthName(s.month))},
        {"Solar activity code", std::to_string(s.solarActivityCode)},
        {"Ground at the transmitter", code(s.txGroundType, groundName(s.txGroundType))},
        {"Ground at the receiving points", code(s.rxGroundType, groundName(s.rxGroundType))},
        {"Ground at the path midpoint", code(s.midGroundType, groundName(s.midGroundType))},
        {"Result mode",
         code(s.resultMode, s.resultMode == 2 ? "the sky wave combined with the ground wave"
                                              : "the sky wave alone")},
        {"Paths", formatNumber(kShortRangeLimitKm) + " km or less: the ground wave alone; over " +
                      formatNumber(kOneHopLimitKm) + " km: two hops; over " +
                      formatNumber(kMaxRangeKm) + " km: outside the method, no value"},
        {"Model", "classic: one ground-wave curve a path, one- or two-hop sky wave"},
        {"Data folder", folder.string()},
    };
}

PageFrame pageFrame(const RunInputs& inputs, const RunGrounds* grounds, const fs::path& dataDir,
                    std::string title, double colourMinDb, double colourMaxDb,
                    const TimeZone& zone) {
    PageFrame frame{};
    frame.title = std::move(title);
    frame.scenario = scenarioRows(inputs.base, dataDir);
    frame.noValueRangeKm = noValueRangeKm(inputs.model.model);
    frame.groundOnlyRangeKm = groundOnlyRangeKm(inputs.model.model);
    if (grounds != nullptr) {
        // each point's and each path's own ground, not the files' codes
        const std::string landOrSea = "1 (sea) or " + std::to_string(grounds->landCode) + " (" +
                                      groundName(grounds->landCode) + ")";
        for (auto& [key, value] : frame.scenario) {
            if (key == "Ground at the transmitter") {
                value +=
                    grounds->txGroundFromSite ? ", from the coastlines at its site" : ", as given";
            }
            if (key == "Ground at the receiving points") {
                value = "from the coastlines at each point: " + landOrSea;
            }
            if (key == "Ground at the path midpoint") {
                value = "from the coastlines at each path's midpoint: " + landOrSea;
            }
        }
    }
    if (inputs.model.model != PropagationModel::classic) {
        for (auto& [key, value] : frame.scenario) {
            if (key == "Model") value = modelDescription(inputs.model);
            if (key == "Paths") {
                value = "the ground wave with every hop order that reaches the point, within " +
                        formatNumber(kShortRangeLimitKm) + " km too; over " +
                        formatNumber(kExtendedMaxRangeKm) + " km: no value";
            }
        }
    }
    frame.timeZone = zone;
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", zone.offsetMinutes < 0 ? '-' : '+',
                  std::abs(zone.offsetMinutes) / 60, std::abs(zone.offsetMinutes) % 60);
    // an offset zone is named by its offset already ("UTC+05:30")
    const std::string zoneText =
        zone.label.rfind("UTC", 0) == 0 ? zone.label : zone.label + " (UTC" + offset + ")";
    frame.scenario.emplace_back("Time zone",
                                zoneText + "; the hours computed are whole hours of JST");
    const std::string warning = frequencyCoverageWarning(inputs.base);
    if (!warning.empty()) frame.scenario.emplace_back("Warning", warning);
    frame.txLatDeg = inputs.base.txLat;
    frame.txLonDeg = inputs.base.txLon;
    frame.colourMinDb = colourMinDb;
    frame.colourMaxDb = colourMaxDb;
    return frame;
}

void checkPageGrid(std::size_t nodes) {
    if (nodes > kMaxPageNodes) {
        throw UsageError("--format html: the grid has " + std::to_string(nodes) +
                         " nodes; a page takes at most " + std::to_string(kMaxPageNodes) +
                         " (take a larger --step or a smaller --region)");
    }
}

void checkPagePoints(std::size_t points) {
    if (points > kMaxPagePoints) {
        throw UsageError("--format html: " + std::to_string(points) +
                         " points; a page takes at most " + std::to_string(kMaxPagePoints) +
                         " (split the list, or leave html out)");
    }
}

void checkPageTools() {
    requireGmt("a --format without html");
    checkPageLibrary();
}

AreaPageValues::AreaPageValues(std::size_t nodeCount, std::vector<int> hoursJst, int resultMode)
    : hoursJst_(std::move(hoursJst)),
      resultMode_(resultMode),
      groundRangeCodes_(nodeCount, kNoValueCode),
      kinds_(nodeCount, kindIndex(PathKind::beyondRange)),
      fieldDbCodes_(nodeCount * hoursJst_.size(), kNoValueCode),
      fieldMvmCodes_(nodeCount * hoursJst_.size(), kNoValueCode) {}

void AreaPageValues::addNode(std::size_t node, const PointResult& result) {
    groundRangeCodes_[node] = tenthsCode(result.groundRangeKm);
    kinds_[node] = kindIndex(result.pathKind);
    if (result.pathKind == PathKind::beyondRange) return;  // no value at any hour
    for (std::size_t h = 0; h < hoursJst_.size(); ++h) {
        const FieldStrength field = reportedField(result, hoursJst_[h], resultMode_);
        fieldDbCodes_[h * kinds_.size() + node] = hundredthsCode(field.db);
        fieldMvmCodes_[h * kinds_.size() + node] = threeDigitCode(field.mvm);
    }
}

std::vector<std::int32_t> AreaPageValues::fieldDbCodes(std::size_t h) const {
    const auto first = fieldDbCodes_.begin() + static_cast<std::ptrdiff_t>(h * kinds_.size());
    return {first, first + static_cast<std::ptrdiff_t>(kinds_.size())};
}

std::vector<std::int32_t> AreaPageValues::fieldMvmCodes(std::size_t h) const {
    const auto first = fieldMvmCodes_.begin() + static_cast<std::ptrdiff_t>(h * kinds_.size());
    return {first, first + static_cast<std::ptrdiff_t>(kinds_.size())};
}

AreaPage areaPage(PageFrame frame, const GridGeometry& grid) {
    AreaPage page{std::move(frame), grid, {}, {}};
    for (int i = 0; i < grid.lonCount; ++i)
        page.lonNodesDeg.push_back(nodeDeg(grid.lonMinDeg, grid.stepDeg, i));
    for (int i = 0; i < grid.latCount; ++i)
        page.latNodesDeg.push_back(nodeDeg(grid.latMinDeg, grid.stepDeg, i));
    return page;
}

void writeAreaPage(const AreaPage& page, const AreaPageValues& values, const fs::path& outputDir,
                   const fs::path& scratchDir, const std::string& session) {
    const GridGeometry& grid = page.grid;
    const double half = grid.stepDeg / 2;  // each node paints the cell around it
    const GeoBox box{grid.lonMinDeg - half, grid.lonMaxDeg() + half,
                     std::max(kMinLatitudeDeg, grid.latMinDeg - half),
                     std::min(kMaxLatitudeDeg, grid.latMaxDeg() + half)};
    const ColourScale colours =
        gmtColourScale(page.frame.colourMinDb, page.frame.colourMaxDb, scratchDir, session);
    const fs::path dataDir = startPage(outputDir, "area.html", page.frame.title);
    writeVectors(page.frame, box, dataDir, scratchDir, session);

    PageFrame frame = page.frame;
    std::vector<int> byZone = values.hoursJst();
    const TimeZone& zone = page.frame.timeZone;
    std::sort(byZone.begin(), byZone.end(), [&](int a, int b) {
        return zoneMinutesOfJstHour(a, zone) < zoneMinutesOfJstHour(b, zone);
    });
    std::string hourList;
    for (int hour : byZone) {
        const std::string clock = zoneClock(hour, zone);
        hourList += (hourList.empty() ? "" : ", ") + clock.substr(0, clock.find(' '));
    }
    frame.scenario.emplace_back("Grid", "longitude " + formatNumber(page.lonNodesDeg.front()) +
                                            " to " + formatNumber(page.lonNodesDeg.back()) +
                                            ", latitude " + formatNumber(page.latNodesDeg.front()) +
                                            " to " + formatNumber(page.latNodesDeg.back()) +
                                            ", step " + formatNumber(grid.stepDeg) +
                                            " deg: " + std::to_string(grid.lonCount) + " x " +
                                            std::to_string(grid.latCount) + " nodes");
    frame.scenario.emplace_back("Hours computed (" + zone.label + ")", hourList);
    std::string json = "FC.page({\"kind\":\"area\"," + frameJson(frame, colours, box);
    json += ",\"grid\":{\"lonMinDeg\":" + jsonNumber(grid.lonMinDeg) +
            ",\"latMinDeg\":" + jsonNumber(grid.latMinDeg) +
            ",\"stepDeg\":" + jsonNumber(grid.stepDeg) +
            ",\"lonCount\":" + std::to_string(grid.lonCount) +
            ",\"latCount\":" + std::to_string(grid.latCount) +
            ",\"lonNodes\":" + textList(page.lonNodesDeg) +
            ",\"latNodes\":" + textList(page.latNodesDeg) + "},\"hours\":[";
    for (std::size_t h = 0; h < values.hoursJst().size(); ++h) {
        char file[40];
        std::snprintf(file, sizeof file, "field-%02d.js", values.hoursJst()[h]);
        json += (h > 0 ? ",{" : "{") + std::string("\"hourJst\":") +
                std::to_string(values.hoursJst()[h]) + ",\"file\":\"viewer/data/" + file + "\"}";
        writeText(dataDir / file,
                  "FC.hour(" + std::to_string(h) +
                      ",{\"fieldDb\":" + packedJson(packCodes(values.fieldDbCodes(h))) +
                      ",\"fieldMvm\":" + packedJson(packCodes(values.fieldMvmCodes(h))) + "});\n");
    }
    writeText(dataDir / "page.js", json + "]});\n");
    const std::vector<std::uint8_t>& kinds = values.kinds();
    writeText(
        dataDir / "nodes.js",
        "FC.nodes({\"groundRangeKm\":" + packedJson(packCodes(values.groundRangeCodes())) +
            ",\"kinds\":\"" +
            base64(std::string_view(reinterpret_cast<const char*>(kinds.data()), kinds.size())) +
            "\"});\n");
}

void writePointsPage(const PageFrame& frame, const std::vector<PointSite>& sites,
                     const std::vector<PointResult>& results, int resultMode,
                     const fs::path& outputDir, const fs::path& scratchDir,
                     const std::string& session) {
    // the points and the transmitter, with a margin of two degrees. Each point's longitude is
    // taken within 180 degrees of the transmitter's, the side its path runs, so that a list
    // across the 180th meridian (Tokyo to Midway) gets a map across the Pacific, not one
    // round the other side of the world with the two ends at its edges.
    GeoBox box{frame.txLonDeg, frame.txLonDeg, frame.txLatDeg, frame.txLatDeg};
    for (const PointSite& site : sites) {
        const double lonDeg = frame.txLonDeg + std::remainder(site.lonDeg - frame.txLonDeg, 360.0);
        box.westDeg = std::min(box.westDeg, lonDeg);
        box.eastDeg = std::max(box.eastDeg, lonDeg);
        box.southDeg = std::min(box.southDeg, site.latDeg);
        box.northDeg = std::max(box.northDeg, site.latDeg);
    }
    constexpr double kMarginDeg = 2.0;
    box = {box.westDeg - kMarginDeg, std::min(box.eastDeg + kMarginDeg, box.westDeg + 360.0),
           std::max(kMinLatitudeDeg, box.southDeg - kMarginDeg),
           std::min(kMaxLatitudeDeg, box.northDeg + kMarginDeg)};
    const ColourScale colours =
        gmtColourScale(frame.colourMinDb, frame.colourMaxDb, scratchDir, session);
    const fs::path dataDir = startPage(outputDir, "points.html", frame.title);
    writeVectors(frame, box, dataDir, scratchDir, session);
    PageFrame shown = frame;
    shown.scenario.emplace_back("Receiving points", std::to_string(sites.size()));
    writeText(dataDir / "page.js",
              "FC.page({\"kind\":\"points\"," + frameJson(shown, colours, box) + "});\n");

    // By columns, each day's codes as one packed run (point after point, 24 hours each): a
    // page of 100,000 points is read in well under a second, where as many small arrays of
    // numbers took several. The page unpacks a column when it first shows a point's day.
    const std::size_t count = sites.size();
    std::string names = "[";
    std::string latDeg = "[";
    std::string lonDeg = "[";
    std::string kinds;
    std::vector<std::int32_t> groundRangeKm(count, kNoValueCode);
    std::vector<std::int32_t> groundWaveDb(count, kNoValueCode);
    std::vector<std::int32_t> skyWaveDb(count * kHoursPerDay, kNoValueCode);
    std::vector<std::int32_t> fieldDb(count * kHoursPerDay, kNoValueCode);
    std::vector<std::int32_t> fieldMvm(count * kHoursPerDay, kNoValueCode);
    for (std::size_t i = 0; i < count; ++i) {
        const PointResult& result = results[i];
        const bool beyond = result.pathKind == PathKind::beyondRange;
        const bool sky = result.pathKind == PathKind::oneHop ||
                         result.pathKind == PathKind::twoHop ||
                         result.pathKind == PathKind::skyWave;
        const char* comma = i > 0 ? "," : "";
        names += comma + jsString(sites[i].nameUtf8);
        latDeg += comma + ("\"" + formatNumber(sites[i].latDeg) + "\"");
        lonDeg += comma + ("\"" + formatNumber(sites[i].lonDeg) + "\"");
        kinds += static_cast<char>(kindIndex(result.pathKind));
        groundRangeKm[i] = tenthsCode(result.groundRangeKm);
        if (!beyond) groundWaveDb[i] = hundredthsCode(result.groundWaveDb);
        for (int hour = 0; hour < kHoursPerDay && !beyond; ++hour) {
            const auto h = static_cast<std::size_t>(hour);
            const std::size_t at = i * kHoursPerDay + h;
            if (sky) skyWaveDb[at] = hundredthsCode(result.hours[h].skyWaveDb);
            const FieldStrength field = reportedField(result, hour, resultMode);
            fieldDb[at] = hundredthsCode(field.db);
            fieldMvm[at] = threeDigitCode(field.mvm);
        }
    }
    writeText(dataDir / "points.js",
              "FC.points({\"count\":" + std::to_string(count) + ",\n\"names\":" + names +
                  "],\n\"latDeg\":" + latDeg + "],\n\"lonDeg\":" + lonDeg + "],\n\"kinds\":\"" +
                  base64(kinds) + "\",\n\"groundRangeKm\":" + packedJson(packCodes(groundRangeKm)) +
                  ",\n\"groundWaveDb\":" + packedJson(packCodes(groundWaveDb)) +
                  ",\n\"skyWaveDb\":" + packedJson(packCodes(skyWaveDb)) +
                  ",\n\"fieldDb\":" + packedJson(packCodes(fieldDb)) +
                  ",\n\"fieldMvm\":" + packedJson(packCodes(fieldMvm)) + "});\n");
}

}  // namespace fieldcast::map
