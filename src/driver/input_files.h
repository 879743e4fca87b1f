// Reading the input files: the receiving-point list, the scalar parameter files and the
// whitespace-separated number files of the curves and tables.
//
// Every reader prints its own console line when it fails, in the style of
// "P.dat cannot open !!", and reports the outcome; the caller decides whether the run ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "driver/prediction_state.h"

namespace fieldcast {

enum class ReadOutcome {
    ok,
    cannotOpen,  // "<name> cannot open !!" printed
    unreadable,  // the file opened but did not hold what it must; its line printed
};

// One "%lf" value; "nan", "inf" and out-of-range values count as unreadable.
ReadOutcome readParameter(const char* fileName, double& field);
// One "%3d" code.
ReadOutcome readParameter(const char* fileName, std::int32_t& field);

// A "%3d" code that must lie in [low, high]; another value is refused with the line
// "<name> must hold <allowedText> !!".
ReadOutcome readParameterInRange(const char* fileName, std::int32_t& field, int low, int high,
                                 const char* allowedText);

// Fills every cell of `cells` with "%lf" values read in order. `openMessageName` is the name
// printed when the file cannot be opened (several table files share one message). A file
// with fewer finite values than cells is refused naming `fileName`.
ReadOutcome readNumberFile(const char* fileName, const char* openMessageName,
                           std::span<double> cells);

// Reads one record "name latitude longitude" from the open list. A name longer than 263
// bytes is cut there (never inside a two-byte Shift-JIS character) and the rest of the word
// skipped, so the coordinates after it are still read. Fields not found keep their values.
void readReceiverRecord(std::FILE* listFile, ReceiverSite& site);

// Cuts a Shift-JIS byte string to at most maxBytes without splitting a two-byte character;
// returns the kept length.
std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes);

}  // namespace fieldcast
