// One hour of the prediction on the record and on tables already in memory: the step sequence
// of the hour, once, for fieldcast and for the map tool. It reads no file and prints nothing;
// its refusals are its outcome.
//
// fieldcast's hour: read the station inputs, startHour, the report header, read the hour's
// files in their fixed order, predictHour, print. The map tool's point: startHour once,
// predictPath once, then predictSkyHour for each hour, keeping the terms that stay the same.
//
// The steps in order (each the physics layer's own function):
//   path:  range limit; ground wave (closed form, or curves with their finite check); hop
//          count, path midpoint, hop terms; FF factor with its check
//   hour:  declination, hour and control point; reflection height; hop path; elevation to
//          degrees; transmitter and receiver AF factors, RCX factor, each with its check;
//          sky wave, 2-hop sky wave, combination; the check of the reported field
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "geometry/e_layer.h"
#include "geometry/hop_geometry.h"
#include "record/prediction_state.h"
#include "skywave/sky_wave.h"

namespace fieldcast {

// Sets rxLat and rxLon to the receiving point (degrees), turns txLat, txLon, rxLat and rxLon
// into radians and computes the ground range: the start of every hour. txLat and txLon must
// hold degrees, as read.
void startHour(PredictionState& state, double rxLatDeg, double rxLonDeg);

// The path's regime by groundRangeKm; it decides which files fieldcast's hour reads.
enum class PathRegime : std::uint8_t {
    beyondRange,  // over 4000 km: outside the method, no value
    shortRange,   // 50 km or less: the closed-form ground wave alone
    skyWave,      // ground wave from the curves, and the sky wave
};
PathRegime pathRegime(const PredictionState& state);

// The groups of files that fieldcast's hour reads after the station inputs, in their order.
// Its reading stops at a file it cannot use; the hour then goes as far as the files read
// allow, so that a value refused before that file is still the one reported, as in a run
// that reads each group right before its step.
enum class HourFiles : std::uint8_t {
    none,
    groundCodes,       // "GCT.dat", "GCR.dat"
    groundWaveCurves,  // "FG.dat", "DG.dat", the curve file
    pathCodes,         // "YR.dat", "MON.dat", "GCM.dat", "RESUL.dat"
    freqDistTables,    // "F.dat", "D.dat", "FF.dat"
    txAfTable,         // "PS.dat", the transmitter's AF file
    rxAfTable,         // the receiving point's AF file
    rcxTables,         // "CSX.dat", "FCS.dat", the RCX file
    all = rcxTables,
};

// What the hour looks up besides the record's own tables. The record holds one AF table (the
// file last read); the hour looks up the table of each end.
struct HourTables {
    std::span<const double> txAfTable;  // kFCount x kPsCount, by txGroundType
    std::span<const double> rxAfTable;  // by rxGroundType
    bool sameAfTable = false;           // one table at both ends: one lookup serves both
    bool groundWaveCurves = true;       // false: a curve file could not be opened, and the
                                        // ground wave of the hour before stays
    HourFiles filesRead = HourFiles::all;
};

// What an hour's reflection height alone gives on a path: the hop path, the antenna factors of
// its elevation and the ground reflection there. The hours of a night under the floor of foE
// share one height, so the hour after such an hour takes these again.
struct HeightTerms {
    double reflectionHeightKm;
    HopPath path;
    double txAfFactor;
    double rxAfFactor;
    const double* txAfTable;  // the tables the factors came from
    const double* rxAfTable;
    GroundReflection groundReflection;
};

// Terms an hour takes from inputs that stay the same over many hours. A caller that predicts
// many hours keeps them; fieldcast starts each hour with none. A step computes what is
// absent; keep midpointGround only while midGroundType and freqKhz stay, controlPointDay
// only for one path (control point, month and activity code). predictPath sets hop and clears
// lastHeight; predictSkyHour keeps lastHeight, the terms of its own hour.
struct HourTerms {
    std::optional<GroundTerms> midpointGround;
    std::optional<ELayerTerms> controlPointDay;
    HopTerms hop;  // of the path, set by predictPath
    std::optional<HeightTerms> lastHeight;
};

enum class HourEnd : std::uint8_t {
    beyondRange,  // no value: the range caution
    shortRange,   // groundWaveMvm and groundWaveDb alone
    skyWave,      // predictPath: go on with predictSkyHour; predictSkyHour: the hour's values
    refused,      // a value of the hour is no field strength (refusalLine)
    unread,       // the hour needs a file that fieldcast's reading did not reach
};

enum class HourRefusal : std::uint8_t {
    none,
    groundWave,  // the ground wave from the curves is not finite
    factor,      // an FF, AF or RCX factor is not finite or not above 0
    field,       // the reported sky wave or combination is beyond a double, or no number
};

struct HourOutcome {
    HourEnd end = HourEnd::skyWave;
    HourRefusal refusal = HourRefusal::none;
    const char* refusedFile = nullptr;       // the file whose values gave it
    bool rcxExactColumnRowInterval = false;  // the RCX lookup's case of fieldcast's "line4070"
};

// The console line of a refused hour, without its line end:
// "FF.dat gives no finite factor above 0 at this hour !!".
std::string refusalLine(const HourOutcome& outcome);

// The part of the hour that depends on the path alone, after startHour: the range limit, the
// ground wave, the hop count, the path midpoint, the hop terms and the FF factor.
HourOutcome predictPath(PredictionState& state, const HourTables& tables, HourTerms& terms);

// The rest of the hour of hourIndex, on a sky-wave path that predictPath prepared.
HourOutcome predictSkyHour(PredictionState& state, const HourTables& tables, HourTerms& terms);

// The whole hour after startHour: predictPath, then predictSkyHour on a sky-wave path.
HourOutcome predictHour(PredictionState& state, const HourTables& tables);

// True when the factor can multiply a field: finite and above 0.
bool isUsableFactor(double factor);

}  // namespace fieldcast
