// CSV reading and writing, the text conversions, and which value a point reports.
#include "csv_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "map_test_support.h"
#include "point_prediction.h"
#include "text_encoding.h"

namespace {

using namespace fieldcast::map;

TEST(CsvNumbers, ShortestFormReadsBackAsTheSameDouble) {
    for (double v : {0.1, 1.0 / 3.0, 123456.789012345, 1e-300, -2.5, 0.0006021447820098165}) {
        EXPECT_EQ(std::stod(formatNumber(v)), v) << formatNumber(v);
    }
    EXPECT_EQ(formatNumber(0.5), "0.5");
    EXPECT_EQ(formatNumber(60.0), "60");
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity()), "inf");
    // a latitude or longitude given as -0 was echoed "-0"
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(-1e-300), "-1e-300");
}

TEST(CsvFields, QuotingRoundTripsThroughTheSplitter) {
    const std::vector<std::string> names = {"plain", "a,b", "say \"hi\"", ""};
    std::string line;
    for (const std::string& n : names) {
        if (&n != &names.front()) line += ',';
        line += csvField(n);
    }
    line += "\r";  // a file with CR LF line ends
    EXPECT_EQ(splitCsvLine(line), names);
}

TEST(PointsCsv, HeaderCommentsAndBlankLinesAreSkipped) {
    const maptest::TempDir dir;
    maptest::writeFile(
        dir / "p.csv",
        "pointName,latDeg,lonDeg\n# a comment\n\nA,35.5,139.25\n\"B, north\", -1e1 ,+140\r\n");
    const std::vector<PointSite> points = readPointsCsv(dir / "p.csv");
    ASSERT_EQ(points.size(), 2U);
    EXPECT_EQ(points[0].nameUtf8, "A");
    EXPECT_EQ(points[0].latDeg, 35.5);
    EXPECT_EQ(points[0].lonDeg, 139.25);
    EXPECT_STREQ(points[0].reportSite.name, "A");
    EXPECT_EQ(points[0].reportSite.latDeg, 35.5);
    EXPECT_EQ(points[1].nameUtf8, "B, north");
    EXPECT_EQ(points[1].latDeg, -10.0);
    EXPECT_EQ(points[1].lonDeg, 140.0);
}

TEST(PointsCsv, MalformedRecordsAreRefusedWithTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"A,35\n", ":1: expected 3 fields"},
        {"A,35,139\nB,north,139\n", ":2: latitude and longitude must be numbers"},
        {"A,35,139\nB,35,east\n",
         ":2: latitude and longitude must be numbers in degrees, not "
         "\"east\" (a header"},
        // Fault: the exports of spreadsheets in decimal-comma locales, and with tabs, were
        // refused without saying what the list should look like.
        {"Tokyo;35,68;139,69\n",
         ":1: latitude and longitude must be numbers in degrees, not "
         "\"68;139\" (fields are separated by commas, not semicolons"},
        {"pointName\tlatDeg\tlonDeg\n",
         ":1: expected 3 fields (pointName,latDeg,lonDeg), got 1 "
         "(fields are separated by commas"},
        {"A,95,139\n", ":1: latitude outside"},
        {"A,35,-181\n", ":1: longitude outside"},
        {"A,35,139\n,35,139\n", ":2: empty point name"},
        {"A,35,139\n\xFF\xFE,35,139\n", ":2: "},  // not UTF-8
    };
    for (const auto& c : cases) {
        const maptest::TempDir dir;
        maptest::writeFile(dir / "p.csv", c.text);
        try {
            readPointsCsv(dir / "p.csv");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(TextEncoding, ShiftJisAndUtf8RoundTripIncludingBackslashTrailBytes) {
    const std::string utf8 = "\xE8\xA1\xA8\xE4\xBA\x88\xE5\xA0\xB1 ok";  // 表予報: trail 0x5C
    const std::string sjis = utf8ToCp932(utf8);
    EXPECT_EQ(sjis.substr(0, 4), "\x95\x5C\x97\x5C");
    EXPECT_EQ(cp932ToUtf8(sjis), utf8);
    EXPECT_THROW(utf8ToCp932("\xF0\x9F\x98\x80"),
                 std::runtime_error);  // an emoji has no CP932 form
}

// the plot's labels went through the Shift-JIS converter: Kraków lost, Japanese as mojibake
TEST(TextEncoding, PlotLabelsConvertToLatin1AndRefuseWhatLatin1Lacks) {
    EXPECT_EQ(utf8ToLatin1("Krak\xC3\xB3w M\xC3\xBCnchen"), "Krak\xF3w M\xFCnchen");
    EXPECT_EQ(utf8ToLatin1("Droitwich"), "Droitwich");
    EXPECT_THROW(utf8ToLatin1("\xE6\x9D\xB1\xE4\xBA\xAC"), std::runtime_error);  // 東京
    // the Shift-JIS conversions are untouched by the Latin-1 one between them
    EXPECT_EQ(utf8ToCp932("\xE6\x9D\xB1\xE4\xBA\xAC"), "\x93\x8C\x8B\x9E");
}

// a name the plot cannot show sent the reader to points.csv even in runs that wrote none
// (--format none or html): the legend names the file of the run that holds it
TEST(TextEncoding, LegendNamesWhatTheFontsLackByTheFileThatHoldsThem) {
    EXPECT_EQ(plotLegendName("Krak\xC3\xB3w", "points.csv"), "Krak\xF3w");
    EXPECT_EQ(plotLegendName("\xE6\x9D\xB1\xE4\xBA\xAC", "points.csv"), "(name in points.csv)");
    EXPECT_EQ(plotLegendName("\xEC\x84\x9C\xEC\x9A\xB8", "cities.csv"), "(name in cities.csv)");
    EXPECT_EQ(plotLegendName("Tab\there", "LATRLONR.dat"), "(name in LATRLONR.dat)");
    // a list whose own file name the fonts lack either
    EXPECT_EQ(plotLegendName("\xE6\x9D\xB1", "\xE5\x9C\xB0\xE7\x82\xB9.csv"),
              "(name in the point list)");
}

TEST(ReceiverListPoints, NamesComeFromShiftJisAndStayBytesInTheReport) {
    std::vector<fieldcast::ReceiverSite> sites(2);
    std::snprintf(sites[0].name, sizeof sites[0].name, "%s", "\x91\xE5\x8D\xE3");  // 大阪
    sites[0].latDeg = 34.69;
    std::snprintf(sites[1].name, sizeof sites[1].name, "%s", "bad\x81");  // a cut character
    const std::vector<PointSite> points = pointsFromReceiverList(sites);
    ASSERT_EQ(points.size(), 2U);
    EXPECT_EQ(points[0].nameUtf8, "\xE5\xA4\xA7\xE9\x98\xAA");
    EXPECT_EQ(points[0].latDeg, 34.69);
    EXPECT_EQ(points[1].nameUtf8, "point 1");
    EXPECT_STREQ(points[1].reportSite.name, "bad\x81");
}

// Fault: a word of LATRLONR.dat with a control byte (or a NUL first) became a points.csv name
// that --points then refused, and an empty name.
TEST(ReceiverListPoints, NamesThatAListRefusesAreNamedByTheirPlace) {
    std::vector<fieldcast::ReceiverSite> sites(3);
    std::snprintf(sites[0].name, sizeof sites[0].name, "%s",
                  "A\x1D"
                  "B");
    std::snprintf(sites[1].name, sizeof sites[1].name, "%s", "");
    std::snprintf(sites[2].name, sizeof sites[2].name, "%s", "Tab\x7F");
    const std::vector<PointSite> points = pointsFromReceiverList(sites);
    ASSERT_EQ(points.size(), 3U);
    fieldcast::map::PointsCsvParser parser("points.csv", true);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].nameUtf8, "point " + std::to_string(i));
        PointSite back{};
        EXPECT_TRUE(parser.parseLine(csvField(points[i].nameUtf8) + ",1,2", back));
        EXPECT_STREQ(points[i].reportSite.name, sites[i].name);  // the report keeps the bytes
    }
}

TEST(ReportedField, FollowsPathKindAndResultMode) {
    PointResult p{};
    p.groundWaveMvm = 2.0;
    p.groundWaveDb = 66.0;
    p.hours[5] = {0.5, 54.0, 1.5, 63.5};
    p.pathKind = PathKind::groundOnly;
    EXPECT_EQ(reportedField(p, 5, 2).db, 66.0);
    p.pathKind = PathKind::twoHop;
    EXPECT_EQ(reportedField(p, 5, 2).mvm, 1.5);
    EXPECT_EQ(reportedField(p, 5, 1).mvm, 0.5);
    EXPECT_EQ(reportedField(p, 5, 0).db, 54.0);
}

TEST(PredictionCells, EmptyCellsMarkWhatThePathHasNot) {
    PointResult p{};
    p.groundRangeKm = 4321.5;
    p.pathKind = PathKind::beyondRange;
    p.rxGroundCode = 1;
    p.midGroundCode = 3;
    std::string line;
    appendPredictionCells(line, p, 7, 2);  // 07 JST is 22 UTC
    EXPECT_EQ(line, "4321.5,beyondRange,,7,22,,,,,,,,,,");

    p.groundRangeKm = 30.0;
    p.pathKind = PathKind::groundOnly;
    p.groundWaveMvm = 12.5;
    p.groundWaveDb = 81.9;
    line.clear();
    appendPredictionCells(line, p, 0, 2);
    EXPECT_EQ(line, "30,groundOnly,,0,15,12.5,81.9,,,,,12.5,81.9,1,");

    p.groundRangeKm = 2500.0;
    p.pathKind = PathKind::twoHop;
    p.hours[23] = {0.25, 48.0, 0.75, 57.5};
    line.clear();
    appendPredictionCells(line, p, 23, 1);
    EXPECT_EQ(line, "2500,twoHop,2,23,14,12.5,81.9,0.25,48,,,0.25,48,1,3");
    p.rxGroundCode = 0;  // a code the files may hold: any other is dry land
    line.clear();
    appendPredictionCells(line, p, 23, 1);
    EXPECT_EQ(line, "2500,twoHop,2,23,14,12.5,81.9,0.25,48,,,0.25,48,0,3");
}

}  // namespace
