// libFuzzer target: arbitrary bytes as the map tool's user input.
//
// The first byte picks what the rest is:
//   - 0, 1: a point list (CSV), read through PointsCsvReader from a file as a run reads it;
//     1 also asks for Shift-JIS names (--reports);
//   - 2 to 7: the value of one option: a number checked against a range, --hours, --contours,
//     --region, --colour-range, --format.
// A value that is accepted must be one the run can use: finite, inside its range, points
// with a name of UTF-8 without control characters; the refusals are the parsers' own
// exceptions. Anything else (a crash, a sanitizer report, another exception) is a finding.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch_options.h"
#include "csv_table.h"
#include "output_formats.h"

namespace {

namespace fs = std::filesystem;
using namespace fieldcast::map;

fs::path listFile;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "accepted a value that is no use: %s\n", what);
        std::abort();
    }
}

void readList(const std::string& bytes, bool reports) {
    {
        std::FILE* file = std::fopen(listFile.c_str(), "wb");
        if (file == nullptr) std::abort();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
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
            default:
                parseAreaFormats(text);
                parsePointsFormats(text);
                break;
        }
    } catch (const UsageError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = fs::temp_directory_path() / "map-input-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    if (dir == nullptr) std::abort();
    listFile = fs::path(dir) / "points.csv";
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(listFile.parent_path(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int which = data[0] % 8;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (which <= 1) {
        readList(rest, which == 1);
    } else {
        parseOption(which, rest);
    }
    return 0;
}
