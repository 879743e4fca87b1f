// libFuzzer target: arbitrary bytes as the map tool's user input.
//
// The first byte picks what the rest is:
//   - 0, 1: a point list (CSV), read through PointsCsvReader from a file as a run reads it;
//     1 also asks for Shift-JIS names (--reports);
//   - 2 to 7: the value of one option: a number checked against a range, --hours, --contours,
//     --region, --colour-range, --format;
//   - 8: --time-zone, with the clocks, file stamps and hours it names;
//   - 9: --region and --step together ("W/E/S/N STEP"), with the grid's nodes;
//   - 10: "LATRLONR.dat" as the map tool reads every record of it, names converted to UTF-8;
//   - 11: a point name between UTF-8 and Shift-JIS, each way;
//   - 12: a data folder as the map tool loads it: the next byte picks one file of
//     tests/e2e/fixtures/base that the rest replaces. Two points are predicted by one
//     predictor, the second also by a fresh one: a worker's record carries nothing from one
//     point to the next, so both give the same result, bit for bit.
// A value that is accepted must be one the run can use: finite, inside its range, points
// with a name of UTF-8 without control characters; the refusals are the parsers' own
// exceptions. Anything else (a crash, a sanitizer report, another exception) is a finding.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "batch_options.h"
#include "csv_table.h"
#include "input_file_names.h"
#include "output_formats.h"
#include "point_prediction.h"
#include "run_inputs.h"
#include "text_encoding.h"
#include "time_zone.h"

namespace {

namespace fs = std::filesystem;
using namespace fieldcast::map;

fs::path listFile;

constexpr const auto& kDataFileNames = fieldcast::fuzzing::kInputFileNames;
constexpr std::size_t kDataFileCount = fieldcast::fuzzing::kInputFileCount;
std::string baseDataFiles[kDataFileCount];

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "accepted a value that is no use: %s\n", what);
        std::abort();
    }
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A decimal number as a user types one: a sign, digits with a point, an exponent; nothing else.
bool isDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

// A name as the point lists take one (the names of a run's points.csv are read back by --points).
bool isListName(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

void readList(const std::string& bytes, bool reports) {
    writeBytes(listFile, bytes);
    try {
        PointsCsvReader reader(listFile, reports);
        std::vector<PointSite> block;
        while (reader.nextBlock(block, 7)) {
            check(!block.empty() && block.size() <= 7, "a block of the asked size");
            for (const PointSite& p : block) {
                check(std::isfinite(p.latDeg) && p.latDeg >= -90.0 && p.latDeg <= 90.0, "latitude");
                check(std::isfinite(p.lonDeg) && p.lonDeg >= -180.0 && p.lonDeg <= 360.0,
                      "longitude");
                check(!p.nameUtf8.empty() && p.nameUtf8.size() < kMaxCsvLineBytes, "name");
                for (const char c : p.nameUtf8) {
                    check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "control char");
                }
            }
        }
    } catch (const PointsCsvUsageError&) {
    } catch (const std::runtime_error&) {
    }
}

void parseOption(int which, const std::string& text) {
    try {
        switch (which) {
            case 2: {
                check(!parseFiniteNumber(text) || isDecimalNumber(text), "a number's form");
                const NumberRange range{-90.0, 90.0};
                const NumberRange above{0.0, HUGE_VAL, true};
                const NumberRange codes{1, 3, false, true};
                if (checkNumber(text, range).empty()) {
                    const double v = std::strtod(text.c_str(), nullptr);
                    check(std::isfinite(v) && v >= -90.0 && v <= 90.0, "latitude option");
                }
                if (checkNumber(text, above).empty()) {
                    const double v = std::strtod(text.c_str(), nullptr);
                    check(std::isfinite(v) && v > 0.0, "positive option");
                }
                if (checkNumber(text, codes).empty()) {
                    const double v = std::strtod(text.c_str(), nullptr);
                    check(v == 1.0 || v == 2.0 || v == 3.0, "code option");
                }
                break;
            }
            case 3:
                for (const int h : parseHourList(text)) check(h >= 0 && h <= 23, "hour");
                break;
            case 4:
                for (const double level : parseLevelList(text)) {
                    check(std::isfinite(level) && std::abs(level) <= kColourLimitDb, "level");
                }
                break;
            case 5: {
                AreaOptions options;
                parseRegion(text, options);
                check(options.lonMinDeg < options.lonMaxDeg &&
                          options.latMinDeg < options.latMaxDeg && options.latMinDeg >= -90.0 &&
                          options.latMaxDeg <= 90.0 &&
                          options.lonMaxDeg - options.lonMinDeg <= 360.0,
                      "region");
                options.stepDeg = 0.5;
                checkGmtRegion(options, true, true);
                check(options.latMinDeg > -90.0 && options.latMaxDeg < 90.0, "a map at a pole");
                break;
            }
            case 6: {
                AreaOptions options;
                parseColourRange(text, options);
                check(std::isfinite(options.colourMinDb) && std::isfinite(options.colourMaxDb) &&
                          options.colourMaxDb - options.colourMinDb >= 1.0,
                      "colour range");
                break;
            }
            case 7:
                parseAreaFormats(text);
                parsePointsFormats(text);
                break;
            case 8: {
                const TimeZone zone = parseTimeZone(text);
                check(std::abs(zone.offsetMinutes) <= 14 * 60, "zone offset");
                std::vector<int> allHours;
                for (int hour = 0; hour < 24; ++hour) {
                    allHours.push_back(hour);
                    const int minutes = zoneMinutesOfJstHour(hour, zone);
                    check(minutes >= 0 && minutes < 24 * 60, "minutes of the zone's day");
                    const std::string stamp = zoneFileStamp(hour, zone);
                    check((stamp.size() == 2 || stamp.size() == 4) &&
                              stamp.find_first_not_of("0123456789") == std::string::npos,
                          "file stamp");
                    const std::string clock = zoneClock(hour, zone);
                    check(clock.size() > 6 && clock.substr(6) == zone.label, "clock");
                    check(jstHoursOfZoneHours({minutes / 60}, zone) == std::vector<int>{hour},
                          "the JST hour of the zone's hour");
                }
                check(jstHoursOfZoneHours(allHours, zone) == allHours, "every hour");
                break;
            }
            case 9: {
                const std::size_t blank = text.rfind(' ');
                AreaOptions options;
                parseRegion(text.substr(0, blank == std::string::npos ? text.size() : blank),
                            options);
                const std::string step =
                    blank == std::string::npos ? std::string("1") : text.substr(blank + 1);
                if (!checkNumber(step, {1e-4, 90.0}).empty()) break;
                options.stepDeg = *parseFiniteNumber(step);
                checkGmtRegion(options, false, true);
                const int columns =
                    nodeCount(options.lonMinDeg, options.lonMaxDeg, options.stepDeg);
                const int rows = nodeCount(options.latMinDeg, options.latMaxDeg, options.stepDeg);
                check(columns >= 2 && rows >= 2, "nodes across");
                const double lastLon = nodeDeg(options.lonMinDeg, options.stepDeg, columns - 1);
                const double lastLat = nodeDeg(options.latMinDeg, options.stepDeg, rows - 1);
                check(lastLon <= options.lonMaxDeg + 1e-6 && lastLon <= 360.0, "last longitude");
                check(lastLat <= options.latMaxDeg + 1e-6 && lastLat <= 90.0, "last latitude");
                break;
            }
            default:
                break;
        }
    } catch (const UsageError&) {
    }
}

// The receiving points of "LATRLONR.dat" as the map tool takes them.
void readReceiverList(const std::string& bytes) {
    writeBytes(listFile.parent_path() / "LATRLONR.dat", bytes);
    try {
        bool more = false;
        const std::vector<fieldcast::ReceiverSite> sites =
            loadReceiverList(listFile.parent_path(), &more);
        // an empty list is refused by the run itself ("no receiving point to predict")
        check(sites.size() <= static_cast<std::size_t>(fieldcast::kReceiverCount),
              "a list of receivers");
        check(!more || sites.size() == static_cast<std::size_t>(fieldcast::kReceiverCount),
              "records left unread");
        for (const PointSite& p : pointsFromReceiverList(sites)) {
            check(std::isfinite(p.latDeg) && p.latDeg >= -90.0 && p.latDeg <= 90.0, "latitude");
            check(std::isfinite(p.lonDeg) && p.lonDeg >= -180.0 && p.lonDeg <= 360.0, "longitude");
            check(isListName(p.nameUtf8), "the name of a receiver");
        }
    } catch (const DataError&) {
    }
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameResult(const PointResult& a, const PointResult& b) {
    bool same = sameBits(a.groundRangeKm, b.groundRangeKm) && a.pathKind == b.pathKind &&
                a.rxGroundCode == b.rxGroundCode && a.midGroundCode == b.midGroundCode &&
                sameBits(a.groundWaveMvm, b.groundWaveMvm) &&
                sameBits(a.groundWaveDb, b.groundWaveDb);
    for (std::size_t h = 0; h < a.hours.size(); ++h) {
        const HourResult& x = a.hours[h];
        const HourResult& y = b.hours[h];
        same = same && sameBits(x.skyWaveMvm, y.skyWaveMvm) && sameBits(x.skyWaveDb, y.skyWaveDb) &&
               sameBits(x.combinedMvm, y.combinedMvm) && sameBits(x.combinedDb, y.combinedDb);
    }
    return same;
}

// A data folder with one file replaced, predicted at two points.
void predictFolder(const std::string& bytes) {
    if (bytes.empty()) return;
    const fs::path dir = listFile.parent_path() / "data";
    fs::create_directories(dir);
    const std::size_t replaced = static_cast<unsigned char>(bytes[0]) % kDataFileCount;
    for (std::size_t i = 0; i < kDataFileCount; ++i) {
        writeBytes(dir / kDataFileNames[i], i == replaced ? bytes.substr(1) : baseDataFiles[i]);
    }
    auto inputs = std::make_unique<RunInputs>();
    try {
        loadRunInputs(dir, {}, *inputs);
    } catch (const DataError&) {
        return;
    }
    check(frequencyCoverageWarning(inputs->base).find("nan") == std::string::npos,
          "a frequency warning without numbers");
    // a point of the fixture's path (760 km), then one at 2600 km, two hops
    const double points[2][2] = {{34.0, 132.0}, {26.0, 121.0}};
    PointPredictor reused(*inputs);
    PointPredictor fresh(*inputs);
    PointResult first{};
    PointResult second{};
    PointResult alone{};
    const std::optional<PointRefusal> firstRefusal =
        reused.predict(points[0][0], points[0][1], first);
    const std::optional<PointRefusal> secondRefusal =
        reused.predict(points[1][0], points[1][1], second);
    const std::optional<PointRefusal> aloneRefusal =
        fresh.predict(points[1][0], points[1][1], alone);
    (void)firstRefusal;
    check(secondRefusal.has_value() == aloneRefusal.has_value(), "the same refusal");
    if (secondRefusal) {
        check(secondRefusal->line == aloneRefusal->line &&
                  secondRefusal->hourIndex == aloneRefusal->hourIndex,
              "the same refusal");
    } else {
        check(sameResult(second, alone), "a point's result whatever came before it");
    }
}

// A name that converts one way converts back to itself.
void convertName(const std::string& bytes) {
    try {
        const std::string sjis = utf8ToCp932(bytes);
        check(cp932ToUtf8(sjis) == bytes, "UTF-8 through Shift-JIS and back");
    } catch (const std::runtime_error&) {
    }
    try {
        const std::string utf8 = cp932ToUtf8(bytes);
        check(!utf8.empty() || bytes.empty(), "a Shift-JIS name lost");
    } catch (const std::runtime_error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = fs::temp_directory_path() / "map-input-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    if (dir == nullptr) std::abort();
    listFile = fs::path(dir) / "points.csv";
    for (std::size_t i = 0; i < kDataFileCount; ++i) {
        std::FILE* file =
            std::fopen((fs::path(FIELDCAST_FIXTURES) / "base" / kDataFileNames[i]).c_str(), "rb");
        if (file == nullptr) std::abort();
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            baseDataFiles[i].append(chunk, got);
        }
        std::fclose(file);
    }
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(listFile.parent_path(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int which = data[0] % 13;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (which <= 1) {
        readList(rest, which == 1);
    } else if (which == 10) {
        readReceiverList(rest);
    } else if (which == 11) {
        convertName(rest);
    } else if (which == 12) {
        predictFolder(rest);
    } else {
        parseOption(which, rest);
    }
    return 0;
}
