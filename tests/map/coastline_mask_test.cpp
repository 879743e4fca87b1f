// The land/sea mask: the region its paths need, lookups on the grid in memory, and masks
// made by gmt from the GSHHG coastlines (the packages are installed with the build's).
#include "coastline_mask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "gmt_maps.h"
#include "map_test_support.h"

namespace {

using fieldcast::map::CoastlineError;
using fieldcast::map::CoastlineResolution;
using fieldcast::map::GeoBox;
using fieldcast::map::LandSeaMask;
using fieldcast::map::PathRegion;

TEST(CoastlineMask, ResolutionFollowsTheGridStep) {
    using fieldcast::map::resolutionForGridStep;
    EXPECT_EQ(resolutionForGridStep(1.0), CoastlineResolution::crude);
    EXPECT_EQ(resolutionForGridStep(0.5), CoastlineResolution::crude);
    EXPECT_EQ(resolutionForGridStep(0.1), CoastlineResolution::low);
    EXPECT_EQ(resolutionForGridStep(0.05), CoastlineResolution::intermediate);
    EXPECT_EQ(resolutionForGridStep(0.01), CoastlineResolution::high);
    EXPECT_EQ(resolutionForGridStep(0.001), CoastlineResolution::full);
    EXPECT_STREQ(fieldcast::map::coastlinePackage(CoastlineResolution::full), "gmt-gshhg-full");
    EXPECT_STREQ(fieldcast::map::coastlinePackage(CoastlineResolution::high), "gmt-gshhg-high");
    EXPECT_STREQ(fieldcast::map::coastlinePackage(CoastlineResolution::low), "gmt-gshhg-low");
    EXPECT_EQ(fieldcast::map::parseCoastlineResolution("i"), CoastlineResolution::intermediate);
    EXPECT_EQ(fieldcast::map::parseCoastlineResolution("full"), CoastlineResolution::full);
    EXPECT_FALSE(fieldcast::map::parseCoastlineResolution("x"));
}

TEST(CoastlineMask, RegionHoldsTheGreatCircles) {
    // Tokyo to San Francisco: the great circle runs north of both ends, to about 48.5 N, and
    // across the antimeridian
    PathRegion region(35.7, 139.7);
    region.addPath(37.8, -122.4);
    const GeoBox box = region.box(0.0);
    const double vertexLatDeg = 48.4;  // the path's northernmost point, about 48.5 N
    EXPECT_GT(box.northDeg, vertexLatDeg);
    EXPECT_LT(box.northDeg, vertexLatDeg + 0.5);
    EXPECT_NEAR(box.southDeg, 35.7, 1e-9);
    EXPECT_NEAR(box.westDeg, 139.7, 1e-9);
    EXPECT_NEAR(box.eastDeg, 360.0 - 122.4, 1e-6);  // east of the antimeridian, unwrapped

    // a path over the pole takes every longitude
    PathRegion polar(60.0, 10.0);
    polar.addPath(60.0, -170.0);
    const GeoBox all = polar.box(0.1);
    EXPECT_NEAR(all.eastDeg - all.westDeg, 360.0, 1e-9);
    EXPECT_NEAR(all.northDeg, 90.0, 1e-9);

    // a grid's edge paths hold the paths to its inner nodes
    PathRegion grid(36.0, 140.0);
    grid.addGridPaths(100.0, 10.0, 1.0, 21, 11);
    PathRegion inner(36.0, 140.0);
    for (double lat = 10.0; lat <= 20.0; lat += 0.5) {
        for (double lon = 100.0; lon <= 120.0; lon += 0.5) inner.addPath(lat, lon);
    }
    const GeoBox outer = grid.box(0.05);
    const GeoBox needed = inner.box(0.0);
    EXPECT_LE(outer.westDeg, needed.westDeg);
    EXPECT_GE(outer.eastDeg, needed.eastDeg);
    EXPECT_LE(outer.southDeg, needed.southDeg);
    EXPECT_GE(outer.northDeg, needed.northDeg);
}

TEST(CoastlineMask, LookupTakesTheNearestNode) {
    // 3 x 2 nodes from 179 E by 1 degree, across the antimeridian; land at (row 0, column 1)
    // and (row 1, column 2)
    const LandSeaMask mask(179.0, 10.0, 1.0, 3, 2, {false, true, false, false, false, true});
    EXPECT_TRUE(mask.isLand(10.0, 180.0));
    EXPECT_TRUE(mask.isLand(10.0, -180.0));  // the same place
    EXPECT_TRUE(mask.isLand(10.4, 179.6));
    EXPECT_FALSE(mask.isLand(10.4, 179.4));
    EXPECT_TRUE(mask.isLand(10.0, 179.5));   // halfway: the node to the east
    EXPECT_TRUE(mask.isLand(11.0, -179.0));  // 181 E
    EXPECT_TRUE(mask.isLand(10.5, -179.0));  // halfway: the node to the north
    EXPECT_EQ(mask.groundCode(11.0, 181.0, 3), 3);
    EXPECT_EQ(mask.groundCode(11.0, 179.0, 3), 1);
    EXPECT_TRUE(mask.covers(9.6, 178.6));
    EXPECT_FALSE(mask.covers(9.4, 179.0));
    EXPECT_FALSE(mask.covers(10.0, 178.4));
    EXPECT_THROW((void)mask.isLand(12.0, 180.0), std::out_of_range);
    EXPECT_THROW((void)mask.isLand(NAN, 180.0), std::out_of_range);
    EXPECT_EQ(mask.memoryBytes(), 8U);  // one bit a node
}

TEST(CoastlineMask, MadeByGmtAroundJapan) {
    maptest::TempDir scratch;
    const GeoBox box{134.5, 146.0, 33.0, 37.5};
    fieldcast::map::MaskCost cost{};
    const LandSeaMask mask =
        LandSeaMask::build(box, CoastlineResolution::intermediate, 60, scratch.path(), 2, &cost);
    EXPECT_NEAR(mask.cellDeg(), 1.0 / 60.0, 1e-12);
    EXPECT_LE(mask.westDeg(), box.westDeg);
    EXPECT_LE(mask.southDeg(), box.southDeg);
    EXPECT_TRUE(mask.covers(box.northDeg, box.eastDeg));
    EXPECT_GT(cost.gmtPeakMb, 1.0);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));  // nothing left behind

    EXPECT_FALSE(mask.isLand(35.0, 143.0));    // the Pacific off Choshi
    EXPECT_FALSE(mask.isLand(35.45, 139.85));  // Tokyo Bay
    EXPECT_TRUE(mask.isLand(36.5, 139.5));     // the Kanto plain, inland
    EXPECT_TRUE(mask.isLand(35.2, 136.1));     // Lake Biwa: a lake counts as land
    EXPECT_EQ(mask.groundCode(35.0, 143.0, 2), 1);

    // Lake Biwa is water in the coastline data: gmt select keeps the point as a lake point
    const int status = std::system(("cd " + scratch.path().string() +
                                    " && echo 136.1 35.2 | gmt select -Ns/s/k/s/s -Di "
                                    "--GMT_HISTORY=false > lake.txt")
                                       .c_str());
    ASSERT_EQ(status, 0);
    EXPECT_NE(maptest::readFile(scratch / "lake.txt").find("136.1"), std::string::npos);

    // the same mask in one band as in several
    maptest::TempDir other;
    const LandSeaMask single =
        LandSeaMask::build(box, CoastlineResolution::intermediate, 60, other.path(), 1);
    ASSERT_EQ(single.lonCount(), mask.lonCount());
    ASSERT_EQ(single.latCount(), mask.latCount());
    for (int r = 0; r < mask.latCount(); r += 7) {
        for (int i = 0; i < mask.lonCount(); i += 3) {
            const double lat = mask.southDeg() + r * mask.cellDeg();
            const double lon = mask.westDeg() + i * mask.cellDeg();
            ASSERT_EQ(single.isLand(lat, lon), mask.isLand(lat, lon)) << lat << " " << lon;
        }
    }
}

// Fault: the Caspian, a lake in the coastline data, came out as land, so that a path from
// Baku to Turkmenbashi took the land curve over 300 km of brackish water (about 1 S/m).
TEST(CoastlineMask, InlandSeaIsSeaAndOtherLakesLand) {
    maptest::TempDir scratch;
    const LandSeaMask caspian = LandSeaMask::build(
        {46.0, 56.0, 36.0, 48.0}, CoastlineResolution::low, 120, scratch.path(), 2);
    EXPECT_FALSE(caspian.isLand(42.0, 51.0));  // the middle Caspian
    EXPECT_FALSE(caspian.isLand(40.2, 51.5));  // on the line Baku-Turkmenbashi
    EXPECT_FALSE(caspian.isLand(45.0, 49.5));  // the shallow north
    EXPECT_TRUE(caspian.isLand(40.4, 48.5));   // Azerbaijan, inland
    EXPECT_TRUE(caspian.isLand(43.0, 55.0));   // the Ustyurt plateau
    // the same water with the region's longitudes a turn to the west
    const LandSeaMask turned = LandSeaMask::build(
        {-314.0, -304.0, 40.0, 44.0}, CoastlineResolution::crude, 360, scratch.path(), 1);
    EXPECT_FALSE(turned.isLand(42.0, 51.0));
    // the Great Lakes (one polygon at low resolution, about 245,000 km^2) stay land
    const LandSeaMask lakes = LandSeaMask::build({-92.0, -76.0, 41.0, 49.0},
                                                 CoastlineResolution::low, 120, scratch.path(), 2);
    EXPECT_TRUE(lakes.isLand(47.7, -87.5));  // Lake Superior
    EXPECT_TRUE(lakes.isLand(44.8, -82.4));  // Lake Huron
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

// Fault: the transmitter took the nearest node of the run's mask, so that a mast on Suva's
// narrow peninsula (land in the coastlines) was put at sea, and every path of a classic run got
// the sea curve.
TEST(CoastlineMask, SiteTakesItsOwnGround) {
    maptest::TempDir scratch;
    const LandSeaMask fiji = LandSeaMask::build(
        {178.0, 179.0, -18.5, -17.5}, CoastlineResolution::intermediate, 60, scratch.path(), 1);
    EXPECT_FALSE(fiji.isLand(-18.14, 178.44));  // the nearest 1' node is in the harbour
    EXPECT_TRUE(fieldcast::map::siteIsLand(-18.14, 178.44, CoastlineResolution::intermediate,
                                           scratch.path()));
    EXPECT_FALSE(fieldcast::map::siteIsLand(-18.2, 178.44, CoastlineResolution::intermediate,
                                            scratch.path()));  // Laucala Bay
    // Fault: a coarse grid's crude coastlines put the mast at Anthorn, on the Solway's shore, at
    // sea, so the transmitter's curve changed with --step
    EXPECT_TRUE(
        fieldcast::map::siteIsLand(54.911, -3.28, CoastlineResolution::crude, scratch.path()));
    EXPECT_TRUE(fieldcast::map::siteIsLand(-90.0, 0.0, CoastlineResolution::crude, scratch.path()));
    EXPECT_FALSE(
        fieldcast::map::siteIsLand(90.0, 180.0, CoastlineResolution::crude, scratch.path()));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST(CoastlineMask, CellGrowsToKeepTheMaskSmall) {
    maptest::TempDir scratch;
    // 60 x 40 degrees at 15 arc-seconds would be 38 million nodes
    const LandSeaMask mask = LandSeaMask::build({100.0, 160.0, 10.0, 50.0},
                                                CoastlineResolution::crude, 15, scratch.path(), 2);
    EXPECT_LE(static_cast<double>(mask.lonCount()) * mask.latCount(),
              fieldcast::map::kMaxMaskNodes);
    EXPECT_NEAR(mask.cellDeg(), 120.0 / 3600.0, 1e-12);  // doubled three times
}

// The poles: land under the South Pole, sea under the North Pole, on every node of the pole's
// row, in masks that take every longitude and run in bands. Beyond them there is no mask.
// Fault: the region was given to gmt with 12 digits, so that it no longer fitted the cell;
// gmt then shifted it, and the South Pole row of a regional band came out as sea.
TEST(CoastlineMask, PolesHaveTheirGroundsAndNothingLiesBeyond) {
    maptest::TempDir scratch;
    const LandSeaMask south = LandSeaMask::build({-170.0, 190.0, -90.0, -59.75},
                                                 CoastlineResolution::high, 240, scratch.path(), 2);
    const LandSeaMask north = LandSeaMask::build({-170.0, 190.0, 75.25, 90.0},
                                                 CoastlineResolution::high, 240, scratch.path(), 2);
    for (double lon = -180.0; lon < 360.0; lon += 7.5) {
        EXPECT_TRUE(south.isLand(-90.0, lon)) << lon;
        EXPECT_FALSE(north.isLand(90.0, lon)) << lon;
    }
    EXPECT_FALSE(south.isLand(-60.0, 10.0));  // the Southern Ocean
    EXPECT_TRUE(north.isLand(80.0, 20.0));    // Svalbard

    EXPECT_THROW(LandSeaMask::build({0.0, 10.0, 80.0, 95.0}, CoastlineResolution::crude, 360,
                                    scratch.path(), 1),
                 CoastlineError);
    EXPECT_THROW(LandSeaMask::build({0.0, 370.0, 0.0, 10.0}, CoastlineResolution::crude, 360,
                                    scratch.path(), 1),
                 CoastlineError);
}

// A machine without gmt-gshhg-full: gmt sees a share folder without coastlines.
TEST(CoastlineMask, MissingCoastlinePackageIsNamed) {
    const maptest::GmtWrapper noCoastlines(
        "GMT_SHAREDIR=\"$SHARE\" exec \"$REAL_GMT\" \"$@\" --DIR_GSHHG=\"$EMPTY\"");
    maptest::TempDir scratch;
    try {
        LandSeaMask::build({135.0, 136.0, 35.0, 36.0}, CoastlineResolution::full, 60,
                           scratch.path(), 1);
        ADD_FAILURE() << "a mask without coastlines";
    } catch (const CoastlineError& e) {
        EXPECT_NE(std::string(e.what()).find("gmt-gshhg-full"), std::string::npos) << e.what();
    }
}

}  // namespace
