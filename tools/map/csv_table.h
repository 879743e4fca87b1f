// CSV in and out. Numbers are written in the shortest form that reads back as the same
// double, so a value printed with fieldcast's formats from the CSV gives fieldcast's digits.
// A cell with no value (a path outside the method, a quantity the path has not) is empty.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "point_prediction.h"
#include "record/prediction_state.h"

namespace fieldcast::map {

// A receiving point of a batch: its name for the CSV (UTF-8), the record a classic report
// prints (name bytes in Shift-JIS), and its position.
struct PointSite {
    std::string nameUtf8;
    ReceiverSite reportSite;
    double latDeg;
    double lonDeg;
};

// Points of "LATRLONR.dat" (names converted from Shift-JIS; a name that is not Shift-JIS, or
// that a point list would refuse, empty or with a control character, becomes "point <index>").
std::vector<PointSite> pointsFromReceiverList(const std::vector<ReceiverSite>& sites);

// A point list that cannot be read at all: a header without one of the columns, a path that
// is not a regular file. A command-line error (exit status 2).
struct PointsCsvUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The longest line of a point list, line end included.
constexpr std::size_t kMaxCsvLineBytes = 65536;

// The lines of a UTF-8 CSV of points, one at a time. The first line that is neither blank nor a
// '#' comment is a header when one of its fields is a column name (pointName, latDeg, lonDeg):
// then all three must be there, in any order, and other columns are ignored. Otherwise the
// columns are pointName,latDeg,lonDeg and that line is a record like any other. A UTF-8
// byte-order mark before the first line is skipped. Names must be UTF-8 without control
// characters and, when `needShiftJis` (the classic reports print them), have a Shift-JIS form.
class PointsCsvParser {
  public:
    PointsCsvParser(std::string source, bool needShiftJis)
        : source_(std::move(source)), needShiftJis_(needShiftJis) {}
    // One line without its line end. True when it was a record, then in `point`. Throws
    // std::runtime_error "<source>:<line>: ..." for a bad record, PointsCsvUsageError for a
    // header that lacks a column.
    bool parseLine(std::string_view line, PointSite& point);

  private:
    std::string where() const;
    std::string source_;
    bool needShiftJis_;
    long lineNumber_ = 0;
    bool started_ = false;  // the header line, or the first record, was seen
    std::size_t fieldCount_ = 3;
    std::size_t nameColumn_ = 0;
    std::size_t latColumn_ = 1;
    std::size_t lonColumn_ = 2;
};

// A point list read in blocks, so that a list of any length takes the memory of one block.
// Refuses what is not a regular file (a FIFO, a device, a folder) at once, and lines longer
// than kMaxCsvLineBytes.
class PointsCsvReader {
  public:
    PointsCsvReader(const std::filesystem::path& path, bool needShiftJis);
    ~PointsCsvReader();
    PointsCsvReader(const PointsCsvReader&) = delete;
    PointsCsvReader& operator=(const PointsCsvReader&) = delete;
    // Up to `count` further points into `points` (emptied first); false when none were left.
    bool nextBlock(std::vector<PointSite>& points, std::size_t count);

  private:
    bool nextLine(std::string& line);
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    PointsCsvParser parser_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
};

// Every point of a list at once (PointsCsvReader to its end).
std::vector<PointSite> readPointsCsv(const std::filesystem::path& path, bool needShiftJis = true);

// Splits one CSV line into fields ("" inside a quoted field is one quote).
std::vector<std::string> splitCsvLine(std::string_view line);
// Quotes a field when it holds a comma, a quote or a line end.
std::string csvField(std::string_view text);

// Shortest round-trip decimal form of a number ("inf" for an infinite field).
std::string formatNumber(double value);

// The prediction columns, after the columns that name the point:
// groundRangeKm,pathKind,hopCount,hourJst,hourUtc,groundWaveMvm,groundWaveDb,skyWaveMvm,skyWaveDb,
// combinedMvm,combinedDb,fieldMvm,fieldDb,rxGroundCode,midGroundCode
// The ground codes are those the point was predicted with: the receiving point's on every
// path within 4000 km, the midpoint's on sky-wave paths (oneHop, twoHop).
extern const char* const kPredictionColumns;
const char* pathKindName(PathKind kind);

// Appends the prediction cells of one hour (without a line end) to `line`.
void appendPredictionCells(std::string& line, const PointResult& point, int hour, int resultMode);

// The prediction cells of a point's hours, those that stay the same over the hours (range, path,
// ground wave, ground codes) formatted once: append gives appendPredictionCells's text.
class PredictionCells {
  public:
    PredictionCells() = default;
    PredictionCells(const PointResult& point, int resultMode) { set(point, resultMode); }
    // Another point (the strings' memory is kept); `point` must outlive its use here.
    void set(const PointResult& point, int resultMode);
    void append(std::string& line, int hour) const;

  private:
    const PointResult* point_ = nullptr;
    int resultMode_ = 0;
    std::string head_;        // "groundRangeKm,pathKind,hopCount,"
    std::string groundWave_;  // ",groundWaveMvm,groundWaveDb" (none beyond range)
    std::string tail_;        // ",rxGroundCode,midGroundCode"
};

// The columns that the extended model adds after kPredictionColumns: the hop order that
// carries most power at the hour and the count of orders summed (empty on paths without sky
// wave). A skyWave row leaves hopCount empty and gives the sum of every order as its sky wave.
extern const char* const kHopOrderColumns;
// Appends ",strongestHopOrder,hopOrderCount" of one hour to `line`.
void appendHopOrderCells(std::string& line, const PointResult& point, int hour);

}  // namespace fieldcast::map
