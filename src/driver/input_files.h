// Reading the input files: the receiving-point list, the scalar parameter files and the
// whitespace-separated number files of the curves and tables.
//
// Every reader prints its own console line when it fails, in the style of
// "P.dat cannot open !!", and reports the outcome; the caller decides whether the run ends.
// Every input file may begin with a UTF-8 byte-order mark (EF BB BF), as editors on other
// systems write one; it is skipped. CR LF line ends are white space like any other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>

#include "record/prediction_state.h"

namespace fieldcast {

enum class ReadOutcome {
    ok,
    cannotOpen,  // "<name> cannot open !!" printed
    unreadable,  // the file opened but did not hold what it must; its line printed
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

inline constexpr char kReceiverListFileName[] = "LATRLONR.dat";

// Opens an input file for reading and skips a leading byte-order mark; nullptr when the
// file cannot be opened.
std::FILE* openInputFile(const char* fileName);

// Reads one decimal number as "%lf" does: white space skipped, then an optional sign, digits
// with an optional point, an optional exponent; the first byte after it is left unread.
// False when there is none, when an exponent mark has no digits ("1.5e": a file cut short
// inside a number) and when the value is not finite ("1e999").
bool scanNumber(std::FILE* file, double& value);

// One "%lf" value; unreadable when scanNumber finds none.
ReadOutcome readParameter(const char* fileName, double& field);
// One "%3d" code.
ReadOutcome readParameter(const char* fileName, std::int32_t& field);

// A "%lf" value that must be allowed by `allowed`; another value is refused with its line
// and leaves the field as it was.
ReadOutcome readParameterInRange(const char* fileName, double& field, const AllowedValues& allowed);

// A "%3d" code that must lie in [low, high]; another value is refused with the line
// "<name> must hold <allowedText> !!".
ReadOutcome readParameterInRange(const char* fileName, std::int32_t& field, int low, int high,
                                 const char* allowedText);

// Fills every cell of `cells` with "%lf" values read in order. `openMessageName` is the name
// printed when the file cannot be opened (several table files share one message). A file
// with fewer finite values than cells is refused naming `fileName`.
ReadOutcome readNumberFile(const char* fileName, const char* openMessageName,
                           std::span<double> cells);

// Fills an axis like readNumberFile; its values must then run strictly upwards (or, with
// `ascending` false, downwards), so that every interval of a lookup has a width. Another
// order is refused with "<file> must hold values in ascending order !!".
ReadOutcome readAxisFile(const char* fileName, std::span<double> cells, bool ascending);

// Reads one record "name latitude longitude" from the open list "LATRLONR.dat". A name
// longer than 263 bytes is cut there (never inside a two-byte Shift-JIS character) and the
// rest of the word skipped, so the coordinates after it are still read; a name that ends
// inside a character loses that half character. A record without a
// name and two readable coordinates is refused ("LATRLONR.dat has no complete record !!"),
// and so is a coordinate outside kLatitudeDeg or kLongitudeDeg; the site is then left as
// it was.
ReadOutcome readReceiverRecord(std::FILE* listFile, ReceiverSite& site);

// Cuts a Shift-JIS byte string to at most maxBytes without splitting a two-byte character,
// so a lone lead byte at the end of a short string goes too; returns the kept length.
std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes);

}  // namespace fieldcast
