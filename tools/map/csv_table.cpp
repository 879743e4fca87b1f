#include "csv_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "batch_options.h"
#include "driver/input_files.h"
#include "text_encoding.h"
#include "time_zone.h"

namespace fieldcast::map {

const char* const kPredictionColumns =
    "groundRangeKm,pathKind,hopCount,hourJst,hourUtc,groundWaveMvm,groundWaveDb,skyWaveMvm,"
    "skyWaveDb,"
    "combinedMvm,combinedDb,fieldMvm,fieldDb,rxGroundCode,midGroundCode";

namespace {

constexpr std::size_t kNumberTextSize = 32;  // the longest double takes 24

// A coordinate field: the options' number, with the blanks around it (and the CR of a CR LF
// line) left out.
std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return parseFiniteNumber(text);
}

ReceiverSite reportSiteFor(const std::string& nameCp932, double latDeg, double lonDeg) {
    ReceiverSite site{};
    const std::size_t kept = sjisCutLength(nameCp932.data(), nameCp932.size(), kNameCapacity - 1);
    std::memcpy(site.name, nameCp932.data(), kept);
    site.latDeg = latDeg;
    site.lonDeg = lonDeg;
    return site;
}

// The text of a number into `buffer` (32 characters), its length returned.
std::size_t numberText(char* buffer, double value) {
    if (std::isinf(value)) {
        const char* text = value > 0 ? "inf" : "-inf";
        const std::size_t length = std::strlen(text);
        std::memcpy(buffer, text, length);
        return length;
    }
    // a zero is written 0 whatever its sign: a point or transmitter given as -0 (on the equator
    // or the prime meridian) would otherwise read "-0" in the CSV, JSON and page
    const auto [end, error] = std::to_chars(buffer, buffer + kNumberTextSize, value + 0.0);
    return static_cast<std::size_t>(end - buffer);
}

void appendNumber(std::string& line, double value) {
    char buffer[kNumberTextSize];
    line.append(buffer, numberText(buffer, value));
}

// ",first,second" into `buffer` (2 * kNumberTextSize + 2 characters), its length returned.
std::size_t cellPairText(char* buffer, double first, double second) {
    std::size_t length = 0;
    buffer[length++] = ',';
    length += numberText(buffer + length, first);
    buffer[length++] = ',';
    length += numberText(buffer + length, second);
    return length;
}

}  // namespace

std::string formatNumber(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

std::vector<PointSite> pointsFromReceiverList(const std::vector<ReceiverSite>& sites) {
    // a name that a point list would refuse: one that starts with a NUL byte, or holds a
    // control character (the list's words end only at blanks)
    const auto listable = [](const std::string& name) {
        return !name.empty() && std::none_of(name.begin(), name.end(), isControlByte);
    };
    std::vector<PointSite> points;
    for (const ReceiverSite& site : sites) {
        std::string name;
        try {
            name = cp932ToUtf8(site.name);
        } catch (const std::runtime_error&) {
            name.clear();
        }
        // not Shift-JIS, or no name a point list takes: the CSV names the point by its place in
        // the list; the report prints the bytes as they stand, as fieldcast does
        if (!listable(name)) name = "point " + std::to_string(points.size());
        points.push_back({name, site, site.latDeg, site.lonDeg});
    }
    return points;
}

std::vector<std::string> splitCsvLine(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\n\r") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

namespace {

constexpr const char* kColumnNames[] = {"pointName", "latDeg", "lonDeg"};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The length of the valid UTF-8 sequence at the head of `text`, or 0.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

// A quote opened on the line and not closed by its end ("" inside a quoted field is one quote,
// so counting every quote tells).
bool quoteLeftOpen(std::string_view line) {
    bool open = false;
    for (const char c : line) open = open != (c == '"');
    return open;
}

}  // namespace

std::string PointsCsvParser::where() const {
    return source_ + ":" + std::to_string(lineNumber_) + ": ";
}

bool PointsCsvParser::parseLine(std::string_view line, PointSite& point) {
    ++lineNumber_;
    if (lineNumber_ == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (line.empty() || line == "\r" || line.front() == '#') return false;
    if (quoteLeftOpen(line)) {
        throw std::runtime_error(where() +
                                 "a quoted field is not closed on its line (a record keeps to "
                                 "one line: a name cannot hold a line end)");
    }
    const std::vector<std::string> fields = splitCsvLine(line);
    if (!started_) {
        started_ = true;
        bool named[3] = {false, false, false};
        std::size_t* columns[3] = {&nameColumn_, &latColumn_, &lonColumn_};
        bool header = false;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            for (std::size_t c = 0; c < 3; ++c) {
                if (trimmed(fields[f]) != kColumnNames[c]) continue;
                // two columns of one name: either could be the one meant
                if (named[c]) {
                    throw PointsCsvUsageError(where() + "the header names the column " +
                                              kColumnNames[c] + " twice (columns " +
                                              std::to_string(*columns[c] + 1) + " and " +
                                              std::to_string(f + 1) + ")");
                }
                named[c] = true;
                *columns[c] = f;
                header = true;
            }
        }
        if (header) {
            for (std::size_t c = 0; c < 3; ++c) {
                if (!named[c]) {
                    throw PointsCsvUsageError(
                        where() + "the header has no column " + kColumnNames[c] +
                        " (a point list needs pointName, latDeg and lonDeg, in any order)");
                }
            }
            fieldCount_ = fields.size();
            return false;
        }
    }
    // a spreadsheet's export for a decimal-comma locale ("Tokyo;35,68;139,69") or with tabs
    const bool otherSeparator = line.find_first_of(";\t") != std::string_view::npos;
    const std::string separatorHint =
        otherSeparator ? " (fields are separated by commas, not semicolons or tabs, and degrees "
                         "written with a decimal point: Tokyo,35.68,139.69)"
                       : "";
    if (fields.size() != fieldCount_) {
        throw std::runtime_error(where() + "expected " + std::to_string(fieldCount_) +
                                 (fieldCount_ == 3 ? " fields (pointName,latDeg,lonDeg), got "
                                                   : " fields as the header, got ") +
                                 std::to_string(fields.size()) + separatorHint);
    }
    const std::string& name = fields[nameColumn_];
    const std::optional<double> lat = parseNumber(fields[latColumn_]);
    const std::optional<double> lon = parseNumber(fields[lonColumn_]);
    if (!lat || !lon) {
        const std::string& bad = lat ? fields[lonColumn_] : fields[latColumn_];
        throw std::runtime_error(
            where() + "latitude and longitude must be numbers in degrees, not \"" + bad + "\"" +
            (otherSeparator ? separatorHint
                            : " (a header must name the columns pointName, latDeg, lonDeg)"));
    }
    if (!allows(kLatitudeDeg, *lat)) throw std::runtime_error(where() + "latitude outside -90..90");
    if (!allows(kLongitudeDeg, *lon)) {
        throw std::runtime_error(where() + "longitude outside -180..360");
    }
    if (name.empty()) throw std::runtime_error(where() + "empty point name");
    for (std::size_t i = 0; i < name.size();) {
        if (isControlByte(name[i])) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(name[i]));
            throw std::runtime_error(where() + "the point name holds a control character (" + code +
                                     ")");
        }
        const std::size_t length = utf8SequenceLength(std::string_view(name).substr(i));
        if (length == 0) throw std::runtime_error(where() + "the point name is not valid UTF-8");
        i += length;
    }
    std::string cp932;
    try {
        cp932 = utf8ToCp932(name);
    } catch (const std::runtime_error& e) {
        if (needShiftJis_) {
            throw std::runtime_error(where() + "the point name \"" + name +
                                     "\" has no Shift-JIS form for the classic reports "
                                     "(--reports)");
        }
        cp932.clear();  // no report prints it
    }
    point = {name, reportSiteFor(cp932, *lat, *lon), *lat, *lon};
    return true;
}

PointsCsvReader::PointsCsvReader(const std::filesystem::path& path, bool needShiftJis)
    : path_(path), parser_(path.string(), needShiftJis), buffer_(2 * kMaxCsvLineBytes) {
    // O_NONBLOCK: a FIFO with no writer must not hold the run up before it is refused
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path.string() + ": cannot open");
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw PointsCsvUsageError("--points: " + path.string() + " is not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        throw std::runtime_error(path.string() + ": cannot open");
    }
}

PointsCsvReader::~PointsCsvReader() {
    if (file_ != nullptr) std::fclose(file_);
}

bool PointsCsvReader::nextLine(std::string& line) {
    line.clear();
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const void* newline = std::memchr(start, '\n', end_ - begin_);
        const std::size_t take =
            newline != nullptr ? static_cast<const char*>(newline) - start : end_ - begin_;
        if (line.size() + take >= kMaxCsvLineBytes) {
            throw std::runtime_error(path_.string() + ": a line longer than " +
                                     std::to_string(kMaxCsvLineBytes) + " bytes");
        }
        line.append(start, take);
        if (newline != nullptr) {
            begin_ += take + 1;
            return true;
        }
        begin_ = end_ = 0;
        if (eof_) return !line.empty();
        end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (end_ == 0) {
            if (std::ferror(file_)) throw std::runtime_error(path_.string() + ": cannot read");
            eof_ = true;
            return !line.empty();
        }
    }
}

bool PointsCsvReader::nextBlock(std::vector<PointSite>& points, std::size_t count) {
    points.clear();
    std::string line;
    PointSite point{};
    while (points.size() < count && nextLine(line)) {
        if (parser_.parseLine(line, point)) points.push_back(point);
    }
    return !points.empty();
}

std::vector<PointSite> readPointsCsv(const std::filesystem::path& path, bool needShiftJis) {
    PointsCsvReader reader(path, needShiftJis);
    std::vector<PointSite> points;
    std::vector<PointSite> block;
    while (reader.nextBlock(block, 4096)) points.insert(points.end(), block.begin(), block.end());
    return points;
}

const char* pathKindName(PathKind kind) {
    switch (kind) {
        case PathKind::groundOnly:
            return "groundOnly";
        case PathKind::oneHop:
            return "oneHop";
        case PathKind::twoHop:
            return "twoHop";
        case PathKind::beyondRange:
            return "beyondRange";
        case PathKind::skyWave:
            return "skyWave";
    }
    return "";
}

void PredictionCells::set(const PointResult& point, int resultMode) {
    point_ = &point;
    resultMode_ = resultMode;
    head_.clear();
    groundWave_.clear();
    tail_.clear();
    appendNumber(head_, point.groundRangeKm);
    head_ += ',';
    head_ += pathKindName(point.pathKind);
    head_ += point.pathKind == PathKind::twoHop   ? ",2,"
             : point.pathKind == PathKind::oneHop ? ",1,"
                                                  : ",,";  // skyWave: every order, see below
    if (point.pathKind != PathKind::beyondRange) {
        char cells[2 * kNumberTextSize + 2];
        groundWave_.assign(cells, cellPairText(cells, point.groundWaveMvm, point.groundWaveDb));
    }
    tail_ += ',';
    if (point.pathKind != PathKind::beyondRange) tail_ += std::to_string(point.rxGroundCode);
    tail_ += ',';
    if (point.pathKind == PathKind::oneHop || point.pathKind == PathKind::twoHop ||
        point.pathKind == PathKind::skyWave) {
        tail_ += std::to_string(point.midGroundCode);
    }
}

void PredictionCells::append(std::string& line, int hour) const {
    line += head_;
    line += std::to_string(hour);
    line += ',';
    line += std::to_string(utcHourOfJstHour(hour));
    switch (point_->pathKind) {
        case PathKind::beyondRange:
            line.append(8, ',');
            break;
        case PathKind::groundOnly:
            // the field reported is the ground wave
            line += groundWave_;
            line.append(4, ',');
            line += groundWave_;
            break;
        case PathKind::oneHop:
        case PathKind::twoHop:
        case PathKind::skyWave: {
            const HourResult& h = point_->hours[static_cast<std::size_t>(hour)];
            line += groundWave_;
            char sky[2 * kNumberTextSize + 2];
            const std::size_t skyLength = cellPairText(sky, h.skyWaveMvm, h.skyWaveDb);
            line.append(sky, skyLength);
            // the field reported (reportedField): the combination under result mode 2, else
            // the sky wave, the cells just written
            if (resultMode_ == 2) {
                char combined[2 * kNumberTextSize + 2];
                const std::size_t length = cellPairText(combined, h.combinedMvm, h.combinedDb);
                line.append(combined, length);
                line.append(combined, length);
            } else {
                line.append(2, ',');
                line.append(sky, skyLength);
            }
            break;
        }
    }
    line += tail_;
}

void appendPredictionCells(std::string& line, const PointResult& point, int hour, int resultMode) {
    PredictionCells(point, resultMode).append(line, hour);
}

const char* const kHopOrderColumns = "strongestHopOrder,hopOrderCount";

void appendHopOrderCells(std::string& line, const PointResult& point, int hour) {
    line += ',';
    if (point.pathKind != PathKind::skyWave) {
        line += ',';
        return;
    }
    const HourResult& h = point.hours[static_cast<std::size_t>(hour)];
    line += std::to_string(h.strongestHopOrder);
    line += ',';
    line += std::to_string(h.hopOrderCount);
}

}  // namespace fieldcast::map
