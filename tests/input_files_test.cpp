#include "driver/input_files.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "record_helpers.h"
#include "test_files.h"

namespace fieldcast {
namespace {

namespace fs = std::filesystem;

// Each test reads from a fresh empty folder of its own, which the readers are given.
class InputFiles : public ::testing::Test {
  protected:
    void write(const char* name, const std::string& content) const {
        testing::writeFile(dir_ / name, content);
    }
    std::FILE* open(const char* name) const { return std::fopen((dir_ / name).c_str(), "r"); }
    const fs::path& dir() const { return dir_.path(); }

  private:
    testing::TempDir dir_;
};

TEST_F(InputFiles, ScalarFormats) {
    double value = -1.0;
    write("P.dat", "  \n\t 10.5 trailing words\n");
    EXPECT_EQ(readParameter(dir(), "P.dat", value).outcome, ReadOutcome::ok);
    EXPECT_EQ(value, 10.5);
    write("P.dat", "1e1\r\n");  // CR LF line end
    EXPECT_EQ(readParameter(dir(), "P.dat", value).outcome, ReadOutcome::ok);
    EXPECT_EQ(value, 10.0);
    std::int32_t code = -1;
    write("GCT.dat", "1\n");
    EXPECT_EQ(readParameter(dir(), "GCT.dat", code).outcome, ReadOutcome::ok);
    EXPECT_EQ(code, 1);
    write("GCT.dat", "12345\n");  // "%3d": three characters at most
    EXPECT_EQ(readParameter(dir(), "GCT.dat", code).outcome, ReadOutcome::ok);
    EXPECT_EQ(code, 123);
    write("GCT.dat", "-12\n");  // the sign counts as one of the three
    EXPECT_EQ(readParameter(dir(), "GCT.dat", code).outcome, ReadOutcome::ok);
    EXPECT_EQ(code, -12);
}

TEST_F(InputFiles, RefusedValuesKeepTheFieldAndNameTheFile) {
    double value = 7.0;
    for (const char* content : {"", "  \n", "ten", "nan", "inf", "-inf", "1e999"}) {
        write("FREQ.dat", content);
        const ReadResult read = readParameter(dir(), "FREQ.dat", value);
        EXPECT_EQ(read.outcome, ReadOutcome::refused) << content;
        EXPECT_EQ(read.line, "FREQ.dat has no readable value !!") << content;
        EXPECT_EQ(read.file, dir() / "FREQ.dat");
        EXPECT_EQ(value, 7.0) << content;
    }
    const ReadResult missing = readParameter(dir(), "LATT.dat", value);
    EXPECT_EQ(missing.outcome, ReadOutcome::cannotOpen);
    EXPECT_EQ(missing.line, "LATT.dat cannot open !!");
    EXPECT_EQ(missing.file, dir() / "LATT.dat");
}

TEST_F(InputFiles, NumbersAsDecimalScanReadsThem) {
    double value = -1.0;
    const std::pair<const char*, double> accepted[] = {
        {"+.5", 0.5},    {"-2.", -2.0},    {"1e5x", 1e5},
        {"1E-2", 0.01},  {"10.5kW", 10.5}, {"0x10", 0.0},  // a decimal reader: "x" ends the number
        {"1e-999", 0.0},                                   // underflows to zero, a finite number
    };
    for (const auto& [content, expected] : accepted) {
        write("P.dat", content);
        std::FILE* file = open("P.dat");
        EXPECT_TRUE(scanNumber(file, value)) << content;
        std::fclose(file);
        EXPECT_EQ(value, expected) << content;
    }
    // Fault: a file cut inside an exponent ("1.5e" of "1.5e3") read as 1.5.
    for (const char* content :
         {"1.5e", "1.5e+", "2E-", "-", ".", "+.e1", "e5", "nan", "inf", "1e999", "-1e999"}) {
        write("P.dat", content);
        std::FILE* file = open("P.dat");
        value = 7.0;
        EXPECT_FALSE(scanNumber(file, value)) << content;
        std::fclose(file);
        EXPECT_EQ(value, 7.0) << content;
    }
    // the byte after the number stays for the next read
    write("F.dat", "1.5e3,2");
    std::FILE* file = open("F.dat");
    EXPECT_TRUE(scanNumber(file, value));
    EXPECT_EQ(value, 1500.0);
    EXPECT_EQ(std::fgetc(file), ',');
    std::fclose(file);
    // Fault: a number written with more than 128 characters was refused as no number. Every
    // digit is read, and those far down the text still count.
    const struct {
        std::string text;
        std::vector<double> values;
    } longNumbers[] = {
        {"1." + std::string(200, '0'), {1.0}},
        {"2." + std::string(126, '0'), {2.0}},
        {"3." + std::string(127, '0') + " 4", {3.0, 4.0}},   // the next starts after the long one
        {"0." + std::string(299, '0') + "1e310\n", {1e10}},  // its 1 the 302nd character
    };
    for (const auto& c : longNumbers) {
        write("F.dat", c.text);
        file = open("F.dat");
        for (const double expected : c.values) {
            EXPECT_TRUE(scanNumber(file, value)) << c.text;
            EXPECT_EQ(value, expected) << c.text;
        }
        std::fclose(file);
    }
}

TEST_F(InputFiles, ByteOrderMarkIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    double value = 0.0;
    write("P.dat", bom + "10.5\r\n");
    EXPECT_EQ(readParameter(dir(), "P.dat", value).outcome, ReadOutcome::ok);
    EXPECT_EQ(value, 10.5);
    std::int32_t code = 0;
    write("GCT.dat", bom + "3\r\n");
    EXPECT_EQ(readParameter(dir(), "GCT.dat", code).outcome, ReadOutcome::ok);
    EXPECT_EQ(code, 3);
    std::array<double, 3> cells{};
    write("F.dat", bom + "1\r\n2\r\n3\r\n");
    EXPECT_EQ(readNumberFile(dir(), "F.dat", "F.dat", cells).outcome, ReadOutcome::ok);
    EXPECT_EQ(cells, (std::array<double, 3>{1, 2, 3}));
    write("LATRLONR.dat", bom + "\x93\x8C\x8B\x9E 35.5 139.75\r\n");
    std::FILE* list = openInputFile(dir() / "LATRLONR.dat");
    ReceiverSite site{};
    EXPECT_EQ(readReceiverRecord(list, site).outcome, ReadOutcome::ok);
    std::fclose(list);
    EXPECT_STREQ(site.name, "\x93\x8C\x8B\x9E");
    // only the whole mark is skipped: two of its bytes are text
    write("P.dat",
          "\xEF\xBB"
          "10.5\n");
    EXPECT_EQ(readParameter(dir(), "P.dat", value).line, "P.dat has no readable value !!");
    write("LATRLONR.dat", "\xEF\xBB\x41 1 2\n");
    list = openInputFile(dir() / "LATRLONR.dat");
    EXPECT_EQ(readReceiverRecord(list, site).outcome, ReadOutcome::ok);
    std::fclose(list);
    EXPECT_STREQ(site.name, "\xEF\xBB\x41");
    write("P.dat", "\xEF");  // a lone first byte, then the end of the file
    EXPECT_EQ(readParameter(dir(), "P.dat", value).line, "P.dat has no readable value !!");
}

TEST_F(InputFiles, CoordinatePowerAndFrequencyLimits) {
    struct Limit {
        const char* file;
        const AllowedValues& allowed;
        std::vector<double> accepted;
        std::vector<double> refused;
        const char* line;
    };
    const Limit limits[] = {
        {"LATT.dat",
         kLatitudeDeg,
         {-90.0, 0.0, 90.0},
         {-90.5, 90.0001, 1000.0},
         "LATT.dat must hold a latitude from -90 to 90 !!"},
        {"LONT.dat",
         kLongitudeDeg,
         {-180.0, 359.5, 360.0},
         {-180.5, 360.0001},
         "LONT.dat must hold a longitude from -180 to 360 !!"},
        {"P.dat",
         kPowerKw,
         {1e-9, 500.0},
         {0.0, -0.0, -10.0},
         "P.dat must hold a power above 0 !!"},
        {"FREQ.dat",
         kFrequencyKhz,
         {0.001, 1602.0},
         {0.0, -594.0},
         "FREQ.dat must hold a frequency above 0 !!"},
    };
    for (const Limit& limit : limits) {
        for (double accepted : limit.accepted) {
            char text[64];
            std::snprintf(text, sizeof text, "%.9g\n", accepted);
            write(limit.file, text);
            double field = -1.0;
            EXPECT_EQ(readParameterInRange(dir(), limit.file, field, limit.allowed).outcome,
                      ReadOutcome::ok)
                << limit.file << " " << text;
            EXPECT_EQ(field, accepted);
        }
        for (double refused : limit.refused) {
            char text[64];
            std::snprintf(text, sizeof text, "%.9g\n", refused);
            write(limit.file, text);
            double field = 42.0;
            const ReadResult read = readParameterInRange(dir(), limit.file, field, limit.allowed);
            EXPECT_EQ(read.outcome, ReadOutcome::refused) << text;
            EXPECT_EQ(read.line, limit.line) << text;
            EXPECT_EQ(field, 42.0) << "a refused value is not kept: " << text;
        }
    }
}

TEST_F(InputFiles, CodeRanges) {
    std::int32_t code = 0;
    write("MON.dat", "13\n");
    const ReadResult month = readParameterInRange(dir(), "MON.dat", code, kMonths);
    EXPECT_EQ(month.outcome, ReadOutcome::refused);
    EXPECT_EQ(month.line, "MON.dat must hold a month from 1 to 12 !!");
    write("MON.dat", "12\n");
    EXPECT_EQ(readParameterInRange(dir(), "MON.dat", code, kMonths).outcome, ReadOutcome::ok);
    EXPECT_EQ(code, 12);
    write("YR.dat", "0\n");
    EXPECT_EQ(readParameterInRange(dir(), "YR.dat", code, kActivityCodes).line,
              "YR.dat must hold 1, 2 or 3 !!");
}

TEST_F(InputFiles, NumberFiles) {
    std::array<double, 4> cells{};
    write("F.dat", "1 2\n3\t4 5\n");  // line breaks carry no meaning; extra values ignored
    EXPECT_EQ(readNumberFile(dir(), "F.dat", "F.dat", cells).outcome, ReadOutcome::ok);
    EXPECT_EQ(cells, (std::array<double, 4>{1, 2, 3, 4}));
    write("AF2.dat", "1 2 3\n");
    const ReadResult shortFile = readNumberFile(dir(), "AF2.dat", "AF.dat", cells);
    EXPECT_EQ(shortFile.outcome, ReadOutcome::refused);
    EXPECT_EQ(shortFile.line, "AF2.dat has fewer than 4 readable values !!");
    write("AF2.dat", "1 2 nan 4\n");
    EXPECT_EQ(readNumberFile(dir(), "AF2.dat", "AF.dat", cells).line,
              "AF2.dat has fewer than 4 readable values !!");
    // the group's shared name when the file is missing, and the file's own path
    const ReadResult missing = readNumberFile(dir(), "AF3.dat", "AF.dat", cells);
    EXPECT_EQ(missing.line, "AF.dat cannot open !!");
    EXPECT_EQ(missing.file, dir() / "AF3.dat");
}

TEST_F(InputFiles, AxesMustRunInTheirOrder) {
    std::array<double, 3> axis{};
    write("PS.dat", "60 30 0\n");
    EXPECT_TRUE(readAxisFile(dir(), "PS.dat", axis, AxisOrder::descending).ok());
    EXPECT_EQ(readAxisFile(dir(), "PS.dat", axis, AxisOrder::ascending).line,
              "PS.dat must hold values in ascending order !!");
    write("FCS.dat", "5 5 7\n");  // an interval without width
    EXPECT_EQ(readAxisFile(dir(), "FCS.dat", axis, AxisOrder::ascending).line,
              "FCS.dat must hold values in ascending order !!");
    write("PS.dat", "60 30 30\n");  // in either order
    EXPECT_EQ(readAxisFile(dir(), "PS.dat", axis, AxisOrder::descending).line,
              "PS.dat must hold values in descending order !!");
}

// The readers of an hour's groups read in order and stop at the first file they cannot use;
// they print nothing, as the run prints.
TEST_F(InputFiles, GroupsStopAtTheFirstFileAndPrintNothing) {
    PredictionState state{};
    write("P.dat", "10\n");
    write("LATT.dat", "35\n");
    ::testing::internal::CaptureStdout();
    const ReadResult station = readStationInputs(dir(), state);
    const ReadResult codes = readGroundCodes(dir(), state);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(station.line, "FREQ.dat cannot open !!");  // LATT.dat is not reached
    EXPECT_EQ(state.txPowerKw, 10.0);
    EXPECT_EQ(state.txLat, 0.0);
    EXPECT_EQ(codes.line, "GCT.dat cannot open !!");

    write("YR.dat", "2\n");
    write("MON.dat", "6\n");
    write("GCM.dat", "4\n");
    const ReadResult path = readPathCodes(dir(), state);
    EXPECT_EQ(path.line, "GCM.dat must hold 1, 2 or 3 !!");
    EXPECT_EQ(state.solarActivityCode, 2);
    EXPECT_EQ(state.month, 6);

    // the file of a group by its code, and the group's cannot-open line
    state.txGroundType = 1;
    write("FG.dat", "1 2 3 4 5 6 7 8 9 10\n");
    write("DG.dat", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\n");
    const ReadResult curves = loadGroundWaveCurves(dir(), state);
    EXPECT_EQ(curves.line, "GW.dat cannot open !!");
    EXPECT_EQ(curves.file, dir() / "GW1.dat");
    state.solarActivityCode = 3;
    write("CSX.dat", "1 2 3 4 5 6 7 8 9 10 11\n");
    write("FCS.dat", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n");
    const ReadResult rcx = loadRcxTables(dir(), state);
    EXPECT_EQ(rcx.line, "RCX.dat cannot open !!");
    EXPECT_EQ(rcx.file, dir() / "RCX3.dat");
}

ReceiverSite readRecord(const fs::path& dir, const std::string& content) {
    testing::writeFile(dir / "LATRLONR.dat", content);
    ReceiverSite site{};
    std::FILE* file = std::fopen((dir / "LATRLONR.dat").c_str(), "r");
    readReceiverRecord(file, site);
    std::fclose(file);
    return site;
}

TEST_F(InputFiles, ReceiverRecords) {
    ReceiverSite site = readRecord(dir(), "Tokyo 35.5 139.75\nOsaka 34.7 135.5\n");
    EXPECT_STREQ(site.name, "Tokyo");
    EXPECT_EQ(site.latDeg, 35.5);
    EXPECT_EQ(site.lonDeg, 139.75);
    // a record may spread over several lines; Shift-JIS names are bytes as they stand
    site = readRecord(dir(), "\x93\x8C\x8B\x9E\r\n 35.5\r\n139.75\r\n");
    EXPECT_STREQ(site.name, "\x93\x8C\x8B\x9E");
    EXPECT_EQ(site.lonDeg, 139.75);
}

TEST_F(InputFiles, IncompleteOrOutOfRangeRecordsAreRefused) {
    // Fault: an empty list, or a name without coordinates, ran the whole prediction for a
    // receiving point at latitude 0, longitude 0.
    const char* incomplete[] = {"",
                                " \r\n",
                                "Tokyo",
                                "Tokyo 35.5",
                                "Tokyo 35.5 east",
                                "Tokyo north 139.75",
                                "Tokyo nan 139.75",
                                "Tokyo 35.5 inf",
                                "Tokyo 1e999 139.75",
                                "Tokyo 35.5e 139.75",
                                "35.5 139.75"};
    for (const char* content : incomplete) {
        write("LATRLONR.dat", content);
        ReceiverSite site{};
        site.latDeg = 1.5;
        std::FILE* file = open("LATRLONR.dat");
        const ReadResult read = readReceiverRecord(file, site);
        std::fclose(file);
        EXPECT_EQ(read.outcome, ReadOutcome::refused) << content;
        EXPECT_EQ(read.line, "LATRLONR.dat has no complete record !!") << content;
        EXPECT_STREQ(site.name, "") << content;
        EXPECT_EQ(site.latDeg, 1.5) << content;
    }
    const std::pair<const char*, const char*> outOfRange[] = {
        {"A 90.001 0", "LATRLONR.dat must hold a latitude from -90 to 90 !!"},
        {"A -91 0", "LATRLONR.dat must hold a latitude from -90 to 90 !!"},
        {"A 0 360.5", "LATRLONR.dat must hold a longitude from -180 to 360 !!"},
        {"A 0 -180.01", "LATRLONR.dat must hold a longitude from -180 to 360 !!"},
    };
    for (const auto& [content, line] : outOfRange) {
        write("LATRLONR.dat", content);
        ReceiverSite site{};
        std::FILE* file = open("LATRLONR.dat");
        const ReadResult read = readReceiverRecord(file, site);
        std::fclose(file);
        EXPECT_EQ(read.outcome, ReadOutcome::refused) << content;
        EXPECT_EQ(read.line, line) << content;
    }
    // the limits themselves are coordinates
    ReceiverSite site = readRecord(dir(), "South -90 -180\n");
    EXPECT_EQ(site.latDeg, -90.0);
    EXPECT_EQ(site.lonDeg, -180.0);
    site = readRecord(dir(), "North 90 360\n");
    EXPECT_EQ(site.latDeg, 90.0);
    EXPECT_EQ(site.lonDeg, 360.0);
}

TEST_F(InputFiles, LongNamesAreCutWithoutSplittingACharacter) {
    // 300 ASCII bytes: the first 263 are kept and the coordinates after the word still read
    ReceiverSite site = readRecord(dir(), std::string(300, 'a') + " 35.0 139.0\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    EXPECT_EQ(site.latDeg, 35.0);
    EXPECT_EQ(site.lonDeg, 139.0);
    // two ASCII bytes then two-byte characters: the 263rd byte is a lead byte, so 262 kept
    std::string sjis = "ab";
    for (int i = 0; i < 200; ++i) sjis += "\x95\x5C";
    site = readRecord(dir(), sjis + " 35.0 139.0\n");
    EXPECT_EQ(std::strlen(site.name), 262u);
    EXPECT_EQ(std::string(site.name).substr(0, 4), "ab\x95\x5C");
    EXPECT_EQ(site.latDeg, 35.0);
    // one ASCII byte: the 263rd byte ends a character, so all 263 are kept
    sjis.erase(0, 1);
    site = readRecord(dir(), sjis + " 36.0 140.0\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    // two-byte characters only: 131 whole characters, 262 bytes
    sjis.erase(0, 1);
    site = readRecord(dir(), sjis + " 36.0 140.0\n");
    EXPECT_EQ(std::strlen(site.name), 262u);
    EXPECT_EQ(site.lonDeg, 140.0);
    // exactly 263 bytes stay whole
    site = readRecord(dir(), std::string(263, 'b') + " 1 2\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    EXPECT_EQ(site.lonDeg, 2.0);
}

TEST(SjisCut, LeadByteRanges) {
    // 0xA1-0xDF are one-byte katakana, not lead bytes
    EXPECT_EQ(sjisCutLength("\xB1\xB2\xB3", 3, 2), 2u);
    EXPECT_EQ(sjisCutLength("\xE0\x40\xE0\x40", 4, 3), 2u);
    EXPECT_EQ(sjisCutLength("\x81\x40\x9F\xFC", 4, 3), 2u);
    EXPECT_EQ(sjisCutLength("abc", 3, 5), 3u);
    // Fault: a name that fits lost a last byte that a Shift-JIS reader takes for a lead
    // byte, so "テスト" in UTF-8 (E3 83 86 E3 82 B9 E3 83 88) reached the report without
    // its 88. Only a cut may drop half a character.
    EXPECT_EQ(sjisCutLength("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", 9, 263), 9u);
    EXPECT_EQ(sjisCutLength("ab\x95\x5C\x95", 5, 263), 5u);
    EXPECT_EQ(sjisCutLength("ab\x95\x5C\x95\x5C", 6, 5), 4u);
}

}  // namespace
}  // namespace fieldcast

namespace fieldcast {
namespace {

// Regression: a device of endless non-blank bytes as the list kept the name loop running.
TEST(ReceiverList, EndlessWordIsRefusedNotReadForEver) {
    std::FILE* zeros = std::fopen("/dev/zero", "r");
    ASSERT_NE(zeros, nullptr);
    ReceiverSite site{};
    const ReadResult read = readReceiverRecord(zeros, site);
    std::fclose(zeros);
    EXPECT_EQ(read.outcome, ReadOutcome::refused);
    EXPECT_EQ(read.line, "LATRLONR.dat has no complete record !!");
}

}  // namespace
}  // namespace fieldcast
