// One hour of the prediction on tables in memory: fieldcast's hour and the map tool's path
// with its kept terms give the same values to the bit; refusals name their file; fieldcast's
// reading stops the hour where a file was not read.
#include "hour/hour.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>

#include "driver/input_files.h"
#include "record/file_names.h"
#include "record_helpers.h"

namespace fieldcast {
namespace {

// The bundled data set's inputs and tables, coordinates in degrees, as a run reads them.
struct Loaded {
    PredictionState state{};
    std::array<double, kFCount * kPsCount> txAfTable{};
    std::array<double, kFCount * kPsCount> rxAfTable{};
    HourTables tables() const { return HourTables{txAfTable, rxAfTable}; }
};

Loaded loadDefault() {
    Loaded loaded;
    PredictionState& s = loaded.state;
    setPassConstants(s);
    const std::filesystem::path dir = FIELDCAST_DATA_DIR;
    for (const ReadResult& read :
         {readStationInputs(dir, s), readGroundCodes(dir, s), loadGroundWaveCurves(dir, s),
          readPathCodes(dir, s), loadFreqDistTables(dir, s), loadElevationAxis(dir, s),
          loadAfTable(dir, s.txGroundType, loaded.txAfTable),
          loadAfTable(dir, s.rxGroundType, loaded.rxAfTable), loadRcxTables(dir, s)}) {
        EXPECT_TRUE(read.ok()) << read.line;
    }
    return loaded;
}

// The values an hour leaves for the report and the CSV.
struct HourValues {
    HourEnd end;
    double groundRangeKm, groundWaveDb, groundWaveMvm, ffFactor, txAfFactor, rxAfFactor, rcxFactor,
        reflectionHeightKm, phaseDiffDeg, skyPathKm, elevationAngle, groundReflMag,
        groundReflPhaseDeg;
    FieldStrength sky, combined;
};

HourValues valuesOf(const PredictionState& s, HourEnd end) {
    return {end,
            s.groundRangeKm,
            s.groundWaveDb,
            s.groundWaveMvm,
            s.ffFactor,
            s.txAfFactor,
            s.rxAfFactor,
            s.rcxFactor,
            s.reflectionHeightKm,
            s.phaseDiffDeg,
            s.skyPathKm,
            s.elevationAngle,
            s.groundReflMag,
            s.groundReflPhaseDeg,
            pathSkyWave(s),
            pathCombined(s)};
}

void expectSame(const HourValues& a, const HourValues& b) {
    EXPECT_EQ(a.end, b.end);
    // bit for bit: memcmp tells a NaN or -0 apart as well
    EXPECT_EQ(std::memcmp(&a.groundRangeKm, &b.groundRangeKm,
                          sizeof(HourValues) - offsetof(HourValues, groundRangeKm)),
              0)
        << a.sky.db << " " << b.sky.db;
}

// fieldcast's way: every hour afresh from degrees, terms computed again.
HourValues fieldcastHour(const Loaded& loaded, double rxLatDeg, double rxLonDeg, int hour) {
    PredictionState s = loaded.state;
    s.hourIndex = hour;
    startHour(s, rxLatDeg, rxLonDeg);
    const HourOutcome outcome = predictHour(s, loaded.tables());
    return valuesOf(s, outcome.end);
}

TEST(Hour, PathTermsKeptOverTheDayGiveFieldcastsValuesToTheBit) {
    const Loaded loaded = loadDefault();
    PredictionState s = loaded.state;
    HourTerms terms;  // kept over every point, as the map tool keeps them
    const double points[][2] = {{34.0, 132.0}, {26.0, 121.0},  {36.2, 140.2}, {40.0, 100.0},
                                {10.0, 150.0}, {60.0, 170.0},  {-5.0, 120.0}, {36.0, 140.0},
                                {35.9, 142.0}, {20.5, 160.25}, {51.5, -0.1}};
    int skyPoints = 0;
    int heightsAgain = 0;  // hours at the height of the hour before: their path taken again
    for (const auto& point : points) {
        s.txLat = loaded.state.txLat;
        s.txLon = loaded.state.txLon;
        s.hourIndex = 0;
        startHour(s, point[0], point[1]);
        terms.controlPointDay.reset();
        const HourOutcome path = predictPath(s, loaded.tables(), terms);
        if (path.end != HourEnd::skyWave) {
            const HourValues own = fieldcastHour(loaded, point[0], point[1], 0);
            EXPECT_EQ(path.end, own.end);
            EXPECT_EQ(s.groundRangeKm, own.groundRangeKm);
            if (path.end == HourEnd::shortRange) {
                EXPECT_EQ(s.groundWaveDb, own.groundWaveDb);
                EXPECT_EQ(s.groundWaveMvm, own.groundWaveMvm);
            }
            continue;
        }
        ++skyPoints;
        double heightBefore = 0.0;
        for (s.hourIndex = 0; s.hourIndex < kHoursPerDay; ++s.hourIndex) {
            SCOPED_TRACE(::testing::Message()
                         << point[0] << " " << point[1] << " hour " << s.hourIndex);
            const HourOutcome hour = predictSkyHour(s, loaded.tables(), terms);
            expectSame(valuesOf(s, hour.end),
                       fieldcastHour(loaded, point[0], point[1], s.hourIndex));
            if (s.hourIndex > 0 && s.reflectionHeightKm == heightBefore) ++heightsAgain;
            heightBefore = s.reflectionHeightKm;
        }
    }
    EXPECT_GE(skyPoints, 6);
    EXPECT_GE(heightsAgain, 10);  // nights under the floor of foE
}

TEST(Hour, RegimesByGroundRange) {
    PredictionState s{};
    s.groundRangeKm = 50.0;
    EXPECT_EQ(pathRegime(s), PathRegime::shortRange);
    s.groundRangeKm = std::nextafter(50.0, 100.0);
    EXPECT_EQ(pathRegime(s), PathRegime::skyWave);
    s.groundRangeKm = 4000.0;
    EXPECT_EQ(pathRegime(s), PathRegime::skyWave);
    s.groundRangeKm = std::nextafter(4000.0, 5000.0);
    EXPECT_EQ(pathRegime(s), PathRegime::beyondRange);
}

TEST(Hour, StartConvertsTheCoordinatesOnce) {
    PredictionState s = testing::passState();
    s.txLat = 36.0;
    s.txLon = 140.0;
    startHour(s, 34.0, 132.0);
    EXPECT_EQ(s.txLat, 36.0 * kRadPerDeg);
    EXPECT_EQ(s.rxLon, 132.0 * kRadPerDeg);
    EXPECT_PRINTS(s.groundRangeKm, "760.276");
}

// The hour at 760 km on the bundled tables, with `edit` applied to the loaded record first.
HourOutcome hourWith(const std::function<void(Loaded&)>& edit, HourFiles filesRead) {
    Loaded loaded = loadDefault();
    edit(loaded);
    PredictionState& s = loaded.state;
    startHour(s, 34.0, 132.0);
    HourTables tables = loaded.tables();
    tables.filesRead = filesRead;
    return predictHour(s, tables);
}

TEST(Hour, RefusalsNameTheFileOfTheValue) {
    struct Case {
        std::function<void(Loaded&)> edit;
        const char* line;
    };
    const Case cases[] = {
        {[](Loaded& l) { l.state.ffTable.fill(-1.0); },
         "FF.dat gives no finite factor above 0 at this hour !!"},
        {[](Loaded& l) { l.txAfTable.fill(0.0); },
         "AF2.dat gives no finite factor above 0 at this hour !!"},
        {[](Loaded& l) {
             l.state.rxGroundType = 1;  // the receiver's table is another file's
             l.rxAfTable.fill(std::nan(""));
         },
         "AF1.dat gives no finite factor above 0 at this hour !!"},
        {[](Loaded& l) {
             l.state.solarActivityCode = 3;
             l.state.rcxTable.fill(400.0);
         },
         "RCX3.dat gives no finite factor above 0 at this hour !!"},
        {[](Loaded& l) {
             l.state.txGroundType = 1;
             l.state.gwCurveTable.fill(1e300);
         },
         "GW1.dat gives no finite field strength at this hour !!"},
        {[](Loaded& l) {
             // the curve falls past any double between 600 and 800 km: -inf dB, 0 mV/m
             l.state.txGroundType = 2;
             for (int i = 0; i < kGwFreqCount; ++i) {
                 for (int j = 0; j < kGwDistCount; ++j) {
                     l.state.gwCurveTable[i * kGwDistCount + j] =
                         l.state.gwDistAxis[j] <= 760.0 ? 1e308 : -1e308;
                 }
             }
         },
         "GW.dat gives no finite field strength at this hour !!"},
        {[](Loaded& l) { l.state.rcxTable.fill(300.0); },  // each factor finite, the product not
         "The field strength of this hour is not a finite number (P.dat, FREQ.dat and the FF, AF, "
         "RCX tables) !!"},
    };
    for (const Case& c : cases) {
        const HourOutcome outcome = hourWith(c.edit, HourFiles::all);
        EXPECT_EQ(outcome.end, HourEnd::refused) << c.line;
        EXPECT_EQ(refusalLine(outcome), c.line);
    }
    const HourOutcome fine = hourWith([](Loaded&) {}, HourFiles::all);
    EXPECT_EQ(fine.end, HourEnd::skyWave);
    EXPECT_EQ(refusalLine(fine), "");
    // factors whose product falls below the least double: a sky wave of 0 mV/m (-inf dB) is a
    // field strength, not a refusal
    const HourOutcome zero = hourWith(
        [](Loaded& l) {
            l.state.resultMode = 1;
            l.state.ffTable.fill(1e-300);
            l.txAfTable.fill(1e-300);
        },
        HourFiles::all);
    EXPECT_EQ(zero.end, HourEnd::skyWave);
}

// A value refused before a file that was not read is the one reported, as it was when each
// group of files was read right before its step; a step whose files were not read ends the
// hour unrefused.
TEST(Hour, ReadingStopsTheHourAtTheFirstGroupNotRead) {
    const auto badFf = [](Loaded& l) { l.state.ffTable.fill(-1.0); };
    EXPECT_EQ(hourWith(badFf, HourFiles::pathCodes).end, HourEnd::unread);
    EXPECT_EQ(hourWith(badFf, HourFiles::freqDistTables).end, HourEnd::refused);
    const auto badRxAf = [](Loaded& l) { l.rxAfTable.fill(-1.0); };
    EXPECT_EQ(hourWith(badRxAf, HourFiles::txAfTable).end, HourEnd::unread);
    EXPECT_EQ(hourWith(badRxAf, HourFiles::rxAfTable).end, HourEnd::refused);
    EXPECT_EQ(hourWith([](Loaded&) {}, HourFiles::rxAfTable).end, HourEnd::unread);
    EXPECT_EQ(hourWith([](Loaded&) {}, HourFiles::none).end, HourEnd::unread);
}

TEST(Hour, CurvesNotLoadedKeepTheGroundWaveBefore) {
    Loaded loaded = loadDefault();
    PredictionState& s = loaded.state;
    s.groundWaveDb = 12.5;  // an hour before
    startHour(s, 34.0, 132.0);
    HourTables tables = loaded.tables();
    tables.groundWaveCurves = false;
    EXPECT_EQ(predictHour(s, tables).end, HourEnd::skyWave);
    EXPECT_EQ(s.groundWaveDb, 12.5);
    EXPECT_DOUBLE_EQ(s.groundWaveMvm, std::pow(10.0, 12.5 / 20.0) * 0.001);
}

}  // namespace
}  // namespace fieldcast
