// CSV in and out. Numbers are written in the shortest form that reads back as the same
// double, so a value printed with fieldcast's formats from the CSV gives fieldcast's digits.
// A cell with no value (a path outside the method, a quantity the path has not) is empty.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
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

// Points of "LATRLONR.dat" (names converted from Shift-JIS; a name that is not Shift-JIS
// becomes "point <index>").
std::vector<PointSite> pointsFromReceiverList(const std::vector<ReceiverSite>& sites);

// Points of a UTF-8 CSV with the columns pointName,latDeg,lonDeg. A first line whose latitude
// is not a number is a header; blank lines and lines starting with '#' are skipped. Throws
// std::runtime_error naming the line of a malformed record.
std::vector<PointSite> readPointsCsv(const std::filesystem::path& path);

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

// The columns that the extended model adds after kPredictionColumns: the hop order that
// carries most power at the hour and the count of orders summed (empty on paths without sky
// wave). A skyWave row leaves hopCount empty and gives the sum of every order as its sky wave.
extern const char* const kHopOrderColumns;
// Appends ",strongestHopOrder,hopOrderCount" of one hour to `line`.
void appendHopOrderCells(std::string& line, const PointResult& point, int hour);

}  // namespace fieldcast::map
