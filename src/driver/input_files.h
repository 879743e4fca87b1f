// Reading the input files of a folder: the receiving-point list, the scalar parameter files,
// the ground-wave curves and the sky-wave tables.
//
// A reader fills its field of the record, or gives back the console line that says why the
// file cannot be used ("P.dat cannot open !!"); it prints nothing, and a refused value leaves
// the field as it was. fieldcast prints the line and ends the run; the map tool reports it
// with the file's path. Every input file may begin with a UTF-8 byte-order mark (EF BB BF),
// as editors on other systems write one; it is skipped. CR LF line ends are white space like
// any other.
//
// `folder` is the folder of the files: fieldcast passes the empty path, so that its files
// are opened by bare name in the working folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <string>

#include "lookup/interpolate_grid.h"
#include "record/file_names.h"
#include "record/prediction_state.h"

namespace fieldcast {

enum class ReadOutcome {
    ok,
    cannotOpen,  // "<name> cannot open !!"
    refused,     // opened, but without what it must hold: too few readable values, a value
                 // outside its range, an axis out of order, an incomplete list record
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::ok;
    std::string line;            // the console line without its line end; empty when ok
    std::filesystem::path file;  // the file read, or tried
    bool ok() const { return outcome == ReadOutcome::ok; }
};

// The values a number read from a file may take, and how a refusal names them:
// "<file> must hold <what> from <lowest> to <highest> !!", or "... <what> above <lowest> !!"
// when only values above `lowest` are allowed.
struct AllowedValues {
    double lowest;
    double highest;
    bool lowestAllowed;
    const char* what;
};

inline constexpr AllowedValues kLatitudeDeg{kMinLatitudeDeg, kMaxLatitudeDeg, true, "a latitude"};
inline constexpr AllowedValues kLongitudeDeg{kMinLongitudeDeg, kMaxLongitudeDeg, true,
                                             "a longitude"};
inline constexpr AllowedValues kPowerKw{0.0, std::numeric_limits<double>::max(), false, "a power"};
inline constexpr AllowedValues kFrequencyKhz{0.0, std::numeric_limits<double>::max(), false,
                                             "a frequency"};

bool allows(const AllowedValues& allowed, double value);

// The codes a code file may hold, refused as "<file> must hold <text> !!".
struct AllowedCodes {
    int lowest;
    int highest;
    const char* text;
};

inline constexpr AllowedCodes kActivityCodes{1, 3, "1, 2 or 3"};
inline constexpr AllowedCodes kMonths{1, 12, "a month from 1 to 12"};
inline constexpr AllowedCodes kMidGroundCodes{1, 3, "1, 2 or 3"};

bool allows(const AllowedCodes& allowed, int code);

// Opens an input file for reading and skips a leading byte-order mark; nullptr when the
// file cannot be opened.
std::FILE* openInputFile(const std::filesystem::path& file);

// Reads one decimal number as "%lf" does: white space skipped, then an optional sign, digits
// with an optional point, an optional exponent; the first byte after it is left unread.
// False when there is none, when an exponent mark has no digits ("1.5e": a file cut short
// inside a number) and when the value is not finite ("1e999").
bool scanNumber(std::FILE* file, double& value);

// --- one file each

// One "%lf" value; refused when scanNumber finds none ("<name> has no readable value !!").
ReadResult readParameter(const std::filesystem::path& folder, const char* fileName, double& field);
// One "%3d" code.
ReadResult readParameter(const std::filesystem::path& folder, const char* fileName,
                         std::int32_t& field);
// A value or code that must be allowed.
ReadResult readParameterInRange(const std::filesystem::path& folder, const char* fileName,
                                double& field, const AllowedValues& allowed);
ReadResult readParameterInRange(const std::filesystem::path& folder, const char* fileName,
                                std::int32_t& field, const AllowedCodes& allowed);

// Fills every cell of `cells` with "%lf" values read in order. `openMessageName` is the name
// the cannot-open line gives (the three files of a group share one). A file with fewer
// readable values than cells is refused naming `fileName`.
ReadResult readNumberFile(const std::filesystem::path& folder, const char* fileName,
                          const char* openMessageName, std::span<double> cells);

// Fills an axis like readNumberFile; its values must then run strictly in `order`, so that
// every interval of a lookup has a width ("<file> must hold values in ascending order !!").
ReadResult readAxisFile(const std::filesystem::path& folder, const char* fileName,
                        std::span<double> cells, AxisOrder order);

// Reads one record "name latitude longitude" from the open list "LATRLONR.dat". A name
// longer than 263 bytes is cut there (never inside a two-byte Shift-JIS character) and the
// rest of the word skipped, so the coordinates after it are still read; a name that fits
// keeps every byte as it stands, even one that a Shift-JIS reader would take for half a
// character (the last byte of a UTF-8 name often is). A record without a name and two readable
// coordinates is refused ("LATRLONR.dat has no complete record !!"), and so is a coordinate
// outside kLatitudeDeg or kLongitudeDeg; the site is then left as it was.
ReadResult readReceiverRecord(std::FILE* listFile, ReceiverSite& site);

// Cuts a Shift-JIS byte string that is longer than maxBytes to at most maxBytes without
// splitting a two-byte character; a string that fits is kept whole, whatever its last
// byte. Returns the kept length.
std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes);

// --- the scalar input files, one reader each: the file's name and the values it may hold
// are written here once, for fieldcast's hour and for the map tool, which reads the files
// one by one because an option may stand in for any of them

// "P.dat" (above 0), "FREQ.dat" (above 0), "LATT.dat", "LONT.dat" (kLatitudeDeg,
// kLongitudeDeg)
ReadResult readTxPowerKw(const std::filesystem::path& folder, double& txPowerKw);
ReadResult readFreqKhz(const std::filesystem::path& folder, double& freqKhz);
ReadResult readTxLatDeg(const std::filesystem::path& folder, double& txLatDeg);
ReadResult readTxLonDeg(const std::filesystem::path& folder, double& txLonDeg);
// "GCT.dat", "GCR.dat": any code
ReadResult readTxGroundType(const std::filesystem::path& folder, std::int32_t& txGroundType);
ReadResult readRxGroundType(const std::filesystem::path& folder, std::int32_t& rxGroundType);
// "YR.dat", "MON.dat", "GCM.dat" (kActivityCodes, kMonths, kMidGroundCodes); "RESUL.dat": any
// code
ReadResult readSolarActivityCode(const std::filesystem::path& folder,
                                 std::int32_t& solarActivityCode);
ReadResult readMonth(const std::filesystem::path& folder, std::int32_t& month);
ReadResult readMidGroundType(const std::filesystem::path& folder, std::int32_t& midGroundType);
ReadResult readResultMode(const std::filesystem::path& folder, std::int32_t& resultMode);

// --- the files of an hour, in the order the hour reads them; each stops at the first file
// that cannot be used

// "P.dat", "FREQ.dat", "LATT.dat", "LONT.dat": txPowerKw, freqKhz, txLat, txLon (degrees).
ReadResult readStationInputs(const std::filesystem::path& folder, PredictionState& state);
// "GCT.dat", "GCR.dat": txGroundType, rxGroundType (every code has a meaning).
ReadResult readGroundCodes(const std::filesystem::path& folder, PredictionState& state);
// "YR.dat", "MON.dat", "GCM.dat", "RESUL.dat": the codes of the hop geometry and the result.
ReadResult readPathCodes(const std::filesystem::path& folder, PredictionState& state);

// The ground-wave curves: "FG.dat" and "DG.dat", then the curve file of txGroundType (its
// cannot-open line is "GW.dat cannot open !!" for all three). A file that cannot be opened
// leaves the curves as they were; fieldcast's hour then goes on with the ground wave before.
ReadResult loadGroundWaveAxes(const std::filesystem::path& folder, PredictionState& state);
// The same two axes into arrays of the caller's (the map tool's curves of every ground).
ReadResult readGroundWaveAxes(const std::filesystem::path& folder, std::span<double> gwFreqAxis,
                              std::span<double> gwDistAxis);
ReadResult loadGroundWaveCurveFile(const std::filesystem::path& folder, PredictionState& state);
ReadResult loadGroundWaveCurves(const std::filesystem::path& folder, PredictionState& state);

// The sky-wave tables: "F.dat", "D.dat", "FF.dat"; "PS.dat"; the AF file of a ground code
// (into `afTable`, "AF.dat cannot open !!" for all three); "CSX.dat", "FCS.dat" and the RCX
// file of solarActivityCode ("RCX.dat cannot open !!").
ReadResult loadFreqDistTables(const std::filesystem::path& folder, PredictionState& state);
ReadResult loadElevationAxis(const std::filesystem::path& folder, PredictionState& state);
ReadResult loadAfTable(const std::filesystem::path& folder, int groundType,
                       std::span<double> afTable);
ReadResult loadRcxTables(const std::filesystem::path& folder, PredictionState& state);

}  // namespace fieldcast
