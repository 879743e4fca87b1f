// The parts of the interactive page that need no browser: the codes that keep the printed
// digits, their packing, the text that goes into scripts, the --format words, the coastline
// dump and the values gathered from the workers.
#include "html_viewer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "batch_options.h"
#include "gmt_vectors.h"
#include "output_formats.h"
#include "test_files.h"

namespace {

namespace fm = fieldcast::map;
using fm::kMinusInfinityCode;
using fm::kNoValueCode;
using fm::kPlusInfinityCode;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string unbase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned group = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') break;
        group = group << 6 | static_cast<unsigned>(digits.find(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xff);
        }
    }
    return bytes;
}

// the stored values of packed codes, as the page reads them
std::vector<std::int64_t> unpackRaw(const fm::PackedCodes& packed) {
    const std::string bytes = unbase64(packed.base64);
    std::vector<std::int64_t> raw;
    for (std::size_t i = 0; i < bytes.size(); i += static_cast<std::size_t>(packed.bytesPerCode)) {
        std::uint32_t value = 0;
        for (int k = packed.bytesPerCode - 1; k >= 0; --k) {
            value = value << 8 | static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
        }
        raw.push_back(packed.bytesPerCode == 2 ? static_cast<std::int64_t>(value)
                                               : static_cast<std::int32_t>(value));
    }
    return raw;
}

TEST(PageCodes, DecibelsAndKilometresKeepTheDigitsPrintfPrints) {
    EXPECT_EQ(fm::hundredthsCode(45.675), 4567);  // the double lies just under the tie
    EXPECT_EQ(fm::hundredthsCode(0.125), 12);     // an exact tie goes to the even digit
    EXPECT_EQ(fm::hundredthsCode(0.375), 38);
    EXPECT_EQ(fm::hundredthsCode(-12.345), -1235);  // the double lies just past the tie
    EXPECT_EQ(fm::hundredthsCode(-0.004), 0);
    EXPECT_EQ(fm::hundredthsCode(99.999), 10000);
    EXPECT_EQ(fm::hundredthsCode(109.54), 10954);
    EXPECT_EQ(fm::tenthsCode(4000.05), 40001);
    EXPECT_EQ(fm::tenthsCode(0.0), 0);
    EXPECT_EQ(fm::tenthsCode(20015.09), 200151);
    EXPECT_EQ(fm::hundredthsCode(NAN), kNoValueCode);
    EXPECT_EQ(fm::hundredthsCode(kInf), kPlusInfinityCode);
    EXPECT_EQ(fm::hundredthsCode(-kInf), kMinusInfinityCode);
    EXPECT_EQ(fm::tenthsCode(NAN), kNoValueCode);
    // a code never falls on a mark: values that far out are refused
    EXPECT_THROW(fm::hundredthsCode(-21474836.47), fm::PageError);
    EXPECT_THROW(fm::tenthsCode(3e8), fm::PageError);
}

TEST(PageCodes, MillivoltsPerMetreKeepThreeSignificantDigits) {
    EXPECT_EQ(fm::threeDigitCode(0.0123), -2000 + 123);
    EXPECT_EQ(fm::threeDigitCode(1.0), 100);
    EXPECT_EQ(fm::threeDigitCode(12345.0), 4000 + 123);
    EXPECT_EQ(fm::threeDigitCode(9.995), 999);    // 9.99499999... in binary
    EXPECT_EQ(fm::threeDigitCode(9.9951), 1100);  // rounds up into the next decade
    EXPECT_EQ(fm::threeDigitCode(1e300), 300100);
    EXPECT_EQ(fm::threeDigitCode(5e-324), -324000 + 494);
    EXPECT_EQ(fm::threeDigitCode(0.0), 0);  // the waves cancel: 0 mV/m, no digit
    EXPECT_EQ(fm::threeDigitCode(NAN), kNoValueCode);
    EXPECT_EQ(fm::threeDigitCode(kInf), kPlusInfinityCode);
    EXPECT_THROW(fm::threeDigitCode(-1.0), fm::PageError);
}

// printf's digits without the point ("%.2f", "%.1f"), or exponent x 1000 + digits ("%.2e")
std::int64_t printfCode(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    std::string digits = text;
    const std::size_t e = digits.find('e');
    const int exponent = e == std::string::npos ? 0 : std::stoi(digits.substr(e + 1));
    if (e != std::string::npos) digits.resize(e);
    digits.erase(digits.find('.'), 1);
    return exponent * 1000LL + std::stoll(digits);
}

TEST(PageCodes, AgreeWithPrintfOnRandomValuesAndAroundEveryKindOfTie) {
    std::mt19937_64 random(15);
    std::uniform_real_distribution<double> db(-300.0, 300.0);
    std::uniform_real_distribution<double> km(0.0, 20040.0);
    std::uniform_real_distribution<double> decade(-15.0, 15.0);
    std::uniform_int_distribution<int> tie(-30000, 30000);
    const auto near = [](double x, int ulps) {
        for (; ulps > 0; --ulps) x = std::nextafter(x, kInf);
        for (; ulps < 0; ++ulps) x = std::nextafter(x, -kInf);
        return x;
    };
    for (int i = 0; i < 20'000; ++i) {
        const double value = db(random);
        ASSERT_EQ(fm::hundredthsCode(value), printfCode("%.2f", value)) << value;
        const double range = km(random);
        ASSERT_EQ(fm::tenthsCode(range), printfCode("%.1f", range)) << range;
        const double mvm = std::pow(10.0, decade(random));
        ASSERT_EQ(fm::threeDigitCode(mvm), printfCode("%.2e", mvm)) << mvm;
        // the doubles next to a tie of the last digit, and next to a decade of mV/m
        const int step = tie(random);
        for (int ulps = -3; ulps <= 3; ++ulps) {
            const double dbTie = near((step + 0.5) / 100.0, ulps);
            ASSERT_EQ(fm::hundredthsCode(dbTie), printfCode("%.2f", dbTie)) << dbTie;
            const double kmTie = near(std::fabs(step + 0.5) / 10.0, ulps);
            ASSERT_EQ(fm::tenthsCode(kmTie), printfCode("%.1f", kmTie)) << kmTie;
            const double scale = std::pow(10.0, step % 12);
            const double mvmTie = near((std::abs(step) % 900 + 100.5) * scale / 100.0, ulps);
            ASSERT_EQ(fm::threeDigitCode(mvmTie), printfCode("%.2e", mvmTie)) << mvmTie;
            const double mvmDecade = near(scale * 9.995, ulps);
            ASSERT_EQ(fm::threeDigitCode(mvmDecade), printfCode("%.2e", mvmDecade)) << mvmDecade;
        }
    }
}

TEST(PackedCodes, TwoBytesAboveTheSmallestCodeWithTheMarksAtTheTop) {
    const fm::PackedCodes packed =
        fm::packCodes({4567, kNoValueCode, 4500, kPlusInfinityCode, kMinusInfinityCode, 4600, -4});
    EXPECT_EQ(packed.bytesPerCode, 2);
    EXPECT_EQ(packed.offset, -4);
    EXPECT_EQ(unpackRaw(packed),
              (std::vector<std::int64_t>{4571, 65535, 4504, 65534, 65533, 4604, 0}));
}

TEST(PackedCodes, FourBytesOnceTheCodesSpanAsManyValuesAsTheMarksLeave) {
    const fm::PackedCodes fits = fm::packCodes({100, 100 + 65532, kNoValueCode});
    EXPECT_EQ(fits.bytesPerCode, 2);
    EXPECT_EQ(unpackRaw(fits), (std::vector<std::int64_t>{0, 65532, 65535}));

    const std::vector<std::int32_t> wide{
        100, 100 + 65533, kNoValueCode, kPlusInfinityCode, kMinusInfinityCode, -300000};
    const fm::PackedCodes packed = fm::packCodes(wide);
    EXPECT_EQ(packed.bytesPerCode, 4);
    EXPECT_EQ(packed.offset, 0);
    EXPECT_EQ(unpackRaw(packed), std::vector<std::int64_t>(wide.begin(), wide.end()));

    const fm::PackedCodes none = fm::packCodes({kNoValueCode, kNoValueCode});
    EXPECT_EQ(none.bytesPerCode, 2);
    EXPECT_EQ(unpackRaw(none), (std::vector<std::int64_t>{65535, 65535}));
}

TEST(PageText, Base64AsRfc4648) {
    EXPECT_EQ(fm::base64(""), "");
    EXPECT_EQ(fm::base64("f"), "Zg==");
    EXPECT_EQ(fm::base64("fo"), "Zm8=");
    EXPECT_EQ(fm::base64("foo"), "Zm9v");
    EXPECT_EQ(fm::base64("foob"), "Zm9vYg==");
    EXPECT_EQ(fm::base64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(fm::base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(fm::base64(std::string("\xff\x00\xfe", 3)), "/wD+");
}

TEST(PageText, StringsCannotLeaveTheirQuotesOrTheScript) {
    EXPECT_EQ(fm::jsString("Tokyo"), "\"Tokyo\"");
    EXPECT_EQ(fm::jsString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(fm::jsString("</script><b>&"), "\"\\u003c/script\\u003e\\u003cb\\u003e\\u0026\"");
    EXPECT_EQ(fm::jsString(std::string("\n\r\t\x00\x7f", 5)),
              "\"\\u000a\\u000d\\u0009\\u0000\\u007f\"");
    // line and paragraph separators end a string in older script engines
    EXPECT_EQ(fm::jsString("a\xE2\x80\xA8z\xE2\x80\xA9"), "\"a\\u2028z\\u2029\"");
    // UTF-8 stays as it is: two, three and four bytes
    EXPECT_EQ(fm::jsString("\xC3\xA9\xE5\xA4\xA7\xE9\x98\xAA\xF0\x9F\x93\xA1"),
              "\"\xC3\xA9\xE5\xA4\xA7\xE9\x98\xAA\xF0\x9F\x93\xA1\"");
    // what is not UTF-8 becomes U+FFFD byte by byte: a lone continuation, an overlong '/', a
    // surrogate, a cut sequence, a byte past U+10FFFF
    EXPECT_EQ(fm::jsString("\x80"), "\"\\ufffd\"");
    EXPECT_EQ(fm::jsString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(fm::jsString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(fm::jsString("x\xE5\xA4"), "\"x\\ufffd\\ufffd\"");
    EXPECT_EQ(fm::jsString("\xF5\x80\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(fm::htmlEscape("<a href=\"x\">T&C's</a>"),
              "&lt;a href=&quot;x&quot;&gt;T&amp;C&#39;s&lt;/a&gt;");
}

TEST(OutputFormats, SingleWordsKeepTheirMeaningAndListsCombine) {
    const auto area = [](const std::string& text) {
        const fm::OutputFormats f = fm::parseAreaFormats(text);
        return std::string(f.grid ? "g" : "") + (f.csv ? "c" : "") + (f.html ? "h" : "");
    };
    EXPECT_EQ(area("grid"), "g");
    EXPECT_EQ(area("csv"), "c");
    EXPECT_EQ(area("both"), "gc");
    EXPECT_EQ(area("none"), "");
    EXPECT_EQ(area("html"), "h");
    EXPECT_EQ(area("grid,csv,html"), "gch");
    EXPECT_EQ(area("html,both"), "gch");
    EXPECT_EQ(area("csv,csv"), "c");
    const fm::OutputFormats points = fm::parsePointsFormats("csv,html");
    EXPECT_TRUE(points.csv && points.html && !points.grid);
    EXPECT_FALSE(fm::parsePointsFormats("none").csv);
}

TEST(OutputFormats, RefusesUnknownWordsEmptyItemsAndNoneInAList) {
    for (const char* bad :
         {"", "tiff", "csv,", ",html", "csv,,html", "CSV", "html ", "none,html", "csv,none"}) {
        EXPECT_THROW(fm::parseAreaFormats(bad), fm::UsageError) << bad;
    }
    for (const char* bad : {"grid", "both", "csv,grid"}) {
        EXPECT_THROW(fm::parsePointsFormats(bad), fm::UsageError) << bad;
    }
}

TEST(CoastVectors, LongitudesJoinAcross180AndLinesEndOnTheEdgesOfTheBox) {
    const fm::GeoBox box{170.0, 190.0, 40.0, 60.0};
    // a coast across 180 degrees, given by gmt as -179.5; a line that leaves the box and
    // comes back; one that leaves it by less than a degree; a segment wholly outside; a lone
    // point. Fault: a line was kept up to a degree beyond the box, so the borders (which gmt
    // gives for whole bins) ran past the region on the page.
    const std::string dump =
        "> Shore Bin # 1, Level 1\n179.5 50\n-179.5 50.5\n"
        "> Border\n175 45\n175 45.00001\n175 63\n176 45\n176.5 45\n"
        "> Border\n185 59\n186 60.5\n189 59\n-169.5 59.5\n"
        ">\n100 10\n101 10\n"
        ">\n171 41\n";
    EXPECT_EQ(fm::multiSegmentToGeoJson(dump, "coastlines", box),
              "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
              "\"properties\":{\"name\":\"coastlines\"},\"geometry\":{\"type\":"
              "\"MultiLineString\",\"coordinates\":[[[179.5,50],[180.5,50.5]],"
              "[[175,45],[175,60]],[[175.1667,60],[176,45],[176.5,45]],"
              "[[185,59],[185.6667,60]],[[187,60],[189,59],[190,59.3333]]]}}]}");
    // 175 45.00001 rounds onto the point before it: one point, not two
    EXPECT_EQ(fm::multiSegmentToGeoJson("> empty\n", "borders", box),
              "{\"type\":\"FeatureCollection\",\"features\":[]}");
}

TEST(CoastVectors, ALineAcrossTheWrapOfABoxATurnWideEndsAtBothSidesNotAcrossTheMap) {
    // Fault: a coast crossing the meridian opposite the middle of a box nearly 360 degrees wide
    // (a global grid, points on both sides of the globe) was drawn as one line across the map.
    const fm::GeoBox box{-182.5, 177.5, -20.0, 80.0};
    const std::string dump = "> Shore\n177 64\n178 64.5\n179 65\n> Shore\n-179 -18\n179 -18.5\n";
    EXPECT_EQ(fm::multiSegmentToGeoJson(dump, "coastlines", box),
              "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
              "\"properties\":{\"name\":\"coastlines\"},\"geometry\":{\"type\":"
              "\"MultiLineString\",\"coordinates\":[[[177,64],[177.5,64.25]],"
              "[[-182.5,64.25],[-182,64.5],[-181,65]],"
              "[[-179,-18],[-181,-18.5]]]}}]}");
}

TEST(ColourScale, UnderAndOverTheScaleHaveColoursOfTheirOwn) {
    const fieldcast::testing::TempDir scratch;
    const fm::ColourScale scale = fm::gmtColourScale(10.0, 70.0, scratch.path(), "colour-test");
    ASSERT_EQ(scale.bands.size(), 12U);
    EXPECT_EQ(scale.bands.front().lowDb, 10.0);
    EXPECT_EQ(scale.bands.back().highDb, 70.0);
    const auto rgb = [](const fm::ColourBand& b) {
        return std::to_string(b.red) + "/" + std::to_string(b.green) + "/" + std::to_string(b.blue);
    };
    EXPECT_EQ(rgb(scale.below), fm::kBelowScaleColour);
    EXPECT_EQ(rgb(scale.above), fm::kAboveScaleColour);
    // a value off the scale can never be read as one of its bands
    for (const fm::ColourBand& band : scale.bands) {
        EXPECT_NE(rgb(band), rgb(scale.below));
        EXPECT_NE(rgb(band), rgb(scale.above));
    }
}

fm::PointResult sampleResult(fm::PathKind kind) {
    fm::PointResult result{};
    result.groundRangeKm = 812.34;
    result.pathKind = kind;
    result.groundWaveMvm = 0.5;
    result.groundWaveDb = 53.98;
    for (std::size_t h = 0; h < result.hours.size(); ++h) {
        result.hours[h] = {0.01 * static_cast<double>(h + 1), 20.0 + static_cast<double>(h),
                           0.02 * static_cast<double>(h + 1), 40.0 + static_cast<double>(h)};
    }
    return result;
}

TEST(AreaPageValues, HoldTheReportedFieldOfEachHourAndNothingBeyondRange) {
    fm::AreaPageValues combined(3, {4, 16}, 2);
    combined.addNode(0, sampleResult(fm::PathKind::oneHop));
    combined.addNode(1, sampleResult(fm::PathKind::groundOnly));
    combined.addNode(2, sampleResult(fm::PathKind::beyondRange));
    EXPECT_EQ(combined.fieldDbCodes(0), (std::vector<std::int32_t>{4400, 5398, kNoValueCode}));
    EXPECT_EQ(combined.fieldDbCodes(1), (std::vector<std::int32_t>{5600, 5398, kNoValueCode}));
    EXPECT_EQ(combined.fieldMvmCodes(1),
              (std::vector<std::int32_t>{-1000 + 340, -1000 + 500, kNoValueCode}));
    EXPECT_EQ(combined.groundRangeCodes(), (std::vector<std::int32_t>{8123, 8123, 8123}));
    EXPECT_EQ(combined.kinds(), (std::vector<std::uint8_t>{1, 0, 3}));

    fm::AreaPageValues skyAlone(1, {4}, 1);  // any other result mode: the sky wave
    skyAlone.addNode(0, sampleResult(fm::PathKind::twoHop));
    EXPECT_EQ(skyAlone.fieldDbCodes(0), std::vector<std::int32_t>{2400});
    EXPECT_EQ(skyAlone.fieldMvmCodes(0), std::vector<std::int32_t>{-2000 + 500});
}

TEST(PageSize, RefusesAGridOrAListPastTheLimitOfAPage) {
    EXPECT_NO_THROW(fm::checkPageGrid(fm::kMaxPageNodes));
    EXPECT_THROW(fm::checkPageGrid(fm::kMaxPageNodes + 1), fm::UsageError);
    EXPECT_NO_THROW(fm::checkPagePoints(fm::kMaxPagePoints));
    EXPECT_THROW(fm::checkPagePoints(fm::kMaxPagePoints + 1), fm::UsageError);
}

}  // namespace
