// The parsing of the area options and the grid nodes.
#include <gtest/gtest.h>

#include "batch_runs.h"
#include "time_zone.h"

namespace {

using fieldcast::map::AreaOptions;
using fieldcast::map::nodeCount;
using fieldcast::map::parseHourList;
using fieldcast::map::parseLevelList;
using fieldcast::map::parseRegion;
using fieldcast::map::UsageError;

TEST(HourList, AllListsAndRangesComeSortedWithoutRepeats) {
    EXPECT_EQ(parseHourList("all").size(), 24U);
    EXPECT_EQ(parseHourList("all").back(), 23);
    EXPECT_EQ(parseHourList("12"), std::vector<int>{12});
    EXPECT_EQ(parseHourList("18,0,6,12,6"), (std::vector<int>{0, 6, 12, 18}));
    EXPECT_EQ(parseHourList("22-23,0-2"), (std::vector<int>{0, 1, 2, 22, 23}));
    // a range whose end is below its start runs through midnight
    EXPECT_EQ(parseHourList("22-2"), (std::vector<int>{0, 1, 2, 22, 23}));
    EXPECT_EQ(parseHourList("23-0,5-5"), (std::vector<int>{0, 5, 23}));
    // blanks around items count for nothing, before or after
    EXPECT_EQ(parseHourList(" 1 ,2, 4 - 5"), (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(parseLevelList(" 40, 50 "), (std::vector<double>{40, 50}));
}

TEST(HourList, RefusesWhatIsNotAnHourOfTheDay) {
    for (const char* bad :
         {"24", "-1", "", " ", "x", "3,", "1.5", "5-", "12a", "0-24", "+1", "1 2"}) {
        EXPECT_THROW(parseHourList(bad), UsageError) << bad;
    }
}

TEST(LevelList, ParsesSortsAndRefusesNonNumbers) {
    EXPECT_EQ(parseLevelList("60,40,50"), (std::vector<double>{40, 50, 60}));
    EXPECT_EQ(parseLevelList("-5.5"), std::vector<double>{-5.5});
    for (const char* bad : {"40,,50", "40;50", "inf", "4e", ""}) {
        EXPECT_THROW(parseLevelList(bad), UsageError) << bad;
    }
}

TEST(Region, ReadsWestEastSouthNorthAndChecksOrder) {
    AreaOptions options;
    parseRegion("125/150.5/-10/48", options);
    EXPECT_EQ(options.lonMinDeg, 125.0);
    EXPECT_EQ(options.lonMaxDeg, 150.5);
    EXPECT_EQ(options.latMinDeg, -10.0);
    EXPECT_EQ(options.latMaxDeg, 48.0);
    for (const char* bad : {"150/125/20/40", "120/150/40/20", "120/150/-95/0", "120/150/20",
                            "120/150/20/40/", "0/400/0/10", "a/b/c/d"}) {
        EXPECT_THROW(parseRegion(bad, options), UsageError) << bad;
    }
}

// Fault: a region across the antimeridian written as its map is labelled (170/-170) was
// refused with the general rule alone; the refusal now shows how to write it.
TEST(Region, ARegionAcrossTheAntimeridianIsShownHowToWriteIt) {
    AreaOptions options;
    const auto message = [&](const char* region) {
        try {
            parseRegion(region, options);
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(message("170/-170.5/30/50")
                  .find("write the east longitude past 180: "
                        "170/189.5/30/50)"),
              std::string::npos)
        << message("170/-170.5/30/50");
    parseRegion("170/189.5/30/50", options);
    EXPECT_EQ(options.lonMaxDeg, 189.5);
    // no such hint where the order is simply wrong or the sum leaves the accepted longitudes
    for (const char* region : {"150/125/20/40", "10/-5/0/10", "-170/-175/0/10"}) {
        EXPECT_EQ(message(region).find("antimeridian"), std::string::npos) << region;
    }
}

// Fault: "+-35" passed as -35 (the plus was dropped and from_chars read the minus), in
// --region, --contours, the numeric options and a point list's coordinates.
TEST(Numbers, TakeOneSignAtMost) {
    using fieldcast::map::parseFiniteNumber;
    EXPECT_EQ(parseFiniteNumber("+35"), 35.0);
    EXPECT_EQ(parseFiniteNumber("-35.5"), -35.5);
    EXPECT_EQ(parseFiniteNumber("-.5e1"), -5.0);
    for (const char* bad : {"+-35", "-+35", "--35", "++35", "+-inf", "-nan", "+", "-", "- 3"}) {
        EXPECT_EQ(parseFiniteNumber(bad), std::nullopt) << bad;
    }
    AreaOptions options;
    EXPECT_THROW(parseRegion("+-10/10/0/20", options), UsageError);
}

TEST(GridNodes, CountIncludesBothEndsAndToleratesDecimalSteps) {
    EXPECT_EQ(nodeCount(115.0, 164.9, 0.1), 500);  // 49.9 / 0.1 is 498.99999999999994
    EXPECT_EQ(nodeCount(0.0, 10.0, 1.0), 11);
    EXPECT_EQ(nodeCount(0.0, 10.5, 1.0), 11);  // the last node falls short of the edge
    EXPECT_EQ(nodeCount(20.0, 20.3, 0.1), 4);
}

namespace fm = fieldcast::map;

TEST(TimeZone, NamesOffsetsAndRefusals) {
    struct Case {
        const char* text;
        const char* label;
        int offsetMinutes;
    };
    for (const Case& c : {Case{"UTC", "UTC", 0}, Case{"utc", "UTC", 0}, Case{"JST", "JST", 540},
                          Case{"+01:00", "UTC+01:00", 60}, Case{"-05:30", "UTC-05:30", -330},
                          Case{"+00:00", "UTC", 0}, Case{"+14:00", "UTC+14:00", 840}}) {
        const fm::TimeZone zone = fm::parseTimeZone(c.text);
        EXPECT_EQ(zone.label, c.label) << c.text;
        EXPECT_EQ(zone.offsetMinutes, c.offsetMinutes) << c.text;
    }
    for (const char* bad :
         {"", "CET", "+1", "+01", "01:00", "+1:00", "+01:60", "+14:30", "+01:00x", "-1a:00",
          // Fault: the numbers were read with sscanf, which took a sign or a blank of their own:
          // "+-1:00" was the zone "UTC+-1:00", 60 minutes behind UTC, in every file's metadata
          "+-1:00", "-+1:00", "+01:-5", "+01:+5", "- 1:00", "+ 1:00", "+01: 5", "+-1:30",
          "-+9:00"}) {
        EXPECT_THROW(fm::parseTimeZone(bad), UsageError) << bad;
    }
}

TEST(TimeZone, ZoneHoursNameTheJstHoursThatStartWithinThem) {
    const fm::TimeZone utc = fm::parseTimeZone("UTC");
    const fm::TimeZone india = fm::parseTimeZone("+05:30");
    const fm::TimeZone newYork = fm::parseTimeZone("-05:00");
    // midnight and noon in UTC are 09 and 21 JST; in India 00:30 and 12:30 are 04 and 16 JST
    EXPECT_EQ(fm::jstHoursOfZoneHours({0, 12}, utc), (std::vector<int>{9, 21}));
    EXPECT_EQ(fm::jstHoursOfZoneHours({0, 12}, india), (std::vector<int>{4, 16}));
    EXPECT_EQ(fm::jstHoursOfZoneHours({23, 0}, newYork), (std::vector<int>{13, 14}));
    for (int hour = 0; hour < 24; ++hour) {
        for (const fm::TimeZone& zone : {utc, india, newYork, fm::TimeZone{}}) {
            const int minutes = fm::zoneMinutesOfJstHour(hour, zone);
            // back and forth: the zone's hour names the JST hour again
            EXPECT_EQ(fm::jstHoursOfZoneHours({minutes / 60}, zone), std::vector<int>{hour});
        }
        EXPECT_EQ(fm::utcHourOfJstHour(hour), (hour + 15) % 24);
    }
    EXPECT_EQ(fm::zoneClock(4, india), "00:30 UTC+05:30");
    EXPECT_EQ(fm::zoneFileStamp(4, india), "0030");
    EXPECT_EQ(fm::zoneFileStamp(21, utc), "12");
    EXPECT_EQ(fm::zoneClock(0, fm::TimeZone{}), "00:00 JST");
}

}  // namespace
