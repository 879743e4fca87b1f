// The parsing of the area options and the grid nodes.
#include <gtest/gtest.h>

#include "batch_runs.h"

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
}

TEST(HourList, RefusesWhatIsNotAnHourOfTheDay) {
    for (const char* bad : {"24", "-1", "", "x", "3,", "1.5", "5-", "9-3", "12a", "0-24"}) {
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

TEST(GridNodes, CountIncludesBothEndsAndToleratesDecimalSteps) {
    EXPECT_EQ(nodeCount(115.0, 164.9, 0.1), 500);  // 49.9 / 0.1 is 498.99999999999994
    EXPECT_EQ(nodeCount(0.0, 10.0, 1.0), 11);
    EXPECT_EQ(nodeCount(0.0, 10.5, 1.0), 11);  // the last node falls short of the edge
    EXPECT_EQ(nodeCount(20.0, 20.3, 0.1), 4);
}

}  // namespace
