#include "driver/input_files.h"

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "test_support.h"

namespace fieldcast {
namespace {

namespace fs = std::filesystem;

// Runs each test in a fresh empty directory, since the readers open bare names.
class InputFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fieldcast-input-XXXXXX";
        dir_ = mkdtemp(pattern);
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }
    static void write(const char* name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }
    // Console lines the readers print.
    static std::string captured(const std::function<void()>& action) {
        ::testing::internal::CaptureStdout();
        action();
        std::fflush(stdout);
        return ::testing::internal::GetCapturedStdout();
    }

private:
    fs::path dir_;
    fs::path previous_;
};

TEST_F(InputFiles, ScalarFormats) {
    double value = -1.0;
    write("P.dat", "  \n\t 10.5 trailing words\n");
    EXPECT_EQ(readParameter("P.dat", value), ReadOutcome::ok);
    EXPECT_EQ(value, 10.5);
    write("P.dat", "1e1\r\n");  // CR LF line end
    EXPECT_EQ(readParameter("P.dat", value), ReadOutcome::ok);
    EXPECT_EQ(value, 10.0);
    std::int32_t code = -1;
    write("GCT.dat", "1\n");
    EXPECT_EQ(readParameter("GCT.dat", code), ReadOutcome::ok);
    EXPECT_EQ(code, 1);
    write("GCT.dat", "12345\n");  // "%3d": three characters at most
    EXPECT_EQ(readParameter("GCT.dat", code), ReadOutcome::ok);
    EXPECT_EQ(code, 123);
    write("GCT.dat", "-12\n");  // the sign counts as one of the three
    EXPECT_EQ(readParameter("GCT.dat", code), ReadOutcome::ok);
    EXPECT_EQ(code, -12);
}

TEST_F(InputFiles, RefusedValuesKeepTheFieldAndNameTheFile) {
    double value = 7.0;
    for (const char* content : {"", "  \n", "ten", "nan", "inf", "-inf", "1e999"}) {
        write("FREQ.dat", content);
        std::string console;
        ReadOutcome outcome{};
        console = captured([&] { outcome = readParameter("FREQ.dat", value); });
        EXPECT_EQ(outcome, ReadOutcome::unreadable) << content;
        EXPECT_EQ(console, "FREQ.dat has no readable value !!\n") << content;
        EXPECT_EQ(value, 7.0) << content;
    }
    const std::string missing = captured([&] { readParameter("LATT.dat", value); });
    EXPECT_EQ(missing, "LATT.dat cannot open !!\n");
}

TEST_F(InputFiles, CodeRanges) {
    std::int32_t code = 0;
    write("MON.dat", "13\n");
    std::string console = captured([&] {
        EXPECT_EQ(readParameterInRange("MON.dat", code, 1, 12, "a month from 1 to 12"),
                  ReadOutcome::unreadable);
    });
    EXPECT_EQ(console, "MON.dat must hold a month from 1 to 12 !!\n");
    write("MON.dat", "12\n");
    EXPECT_EQ(readParameterInRange("MON.dat", code, 1, 12, "a month from 1 to 12"),
              ReadOutcome::ok);
    EXPECT_EQ(code, 12);
}

TEST_F(InputFiles, NumberFiles) {
    std::array<double, 4> cells{};
    write("F.dat", "1 2\n3\t4 5\n");  // line breaks carry no meaning; extra values ignored
    EXPECT_EQ(readNumberFile("F.dat", "F.dat", cells), ReadOutcome::ok);
    EXPECT_EQ(cells, (std::array<double, 4>{1, 2, 3, 4}));
    write("AF2.dat", "1 2 3\n");
    std::string console = captured([&] {
        EXPECT_EQ(readNumberFile("AF2.dat", "AF.dat", cells), ReadOutcome::unreadable);
    });
    EXPECT_EQ(console, "AF2.dat has fewer than 4 readable values !!\n");
    write("AF2.dat", "1 2 nan 4\n");
    EXPECT_EQ(captured([&] { readNumberFile("AF2.dat", "AF.dat", cells); }),
              "AF2.dat has fewer than 4 readable values !!\n");
    // the group's shared name when the file is missing
    EXPECT_EQ(captured([&] { readNumberFile("AF3.dat", "AF.dat", cells); }),
              "AF.dat cannot open !!\n");
}

ReceiverSite readRecord(const std::string& content) {
    std::ofstream("LATRLONR.dat", std::ios::binary) << content;
    ReceiverSite site{};
    std::FILE* file = std::fopen("LATRLONR.dat", "r");
    readReceiverRecord(file, site);
    std::fclose(file);
    return site;
}

TEST_F(InputFiles, ReceiverRecords) {
    ReceiverSite site = readRecord("Tokyo 35.5 139.75\nOsaka 34.7 135.5\n");
    EXPECT_STREQ(site.name, "Tokyo");
    EXPECT_EQ(site.latitude, 35.5);
    EXPECT_EQ(site.longitude, 139.75);
    // a record may spread over several lines; Shift-JIS names are bytes as they stand
    site = readRecord("\x93\x8C\x8B\x9E\r\n 35.5\r\n139.75\r\n");
    EXPECT_STREQ(site.name, "\x93\x8C\x8B\x9E");
    EXPECT_EQ(site.longitude, 139.75);
    // an empty list leaves the zeroed entry
    site = readRecord("");
    EXPECT_STREQ(site.name, "");
    EXPECT_EQ(site.latitude, 0.0);
}

TEST_F(InputFiles, LongNamesAreCutWithoutSplittingACharacter) {
    // 300 ASCII bytes: the first 263 are kept and the coordinates after the word still read
    ReceiverSite site = readRecord(std::string(300, 'a') + " 35.0 139.0\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    EXPECT_EQ(site.latitude, 35.0);
    EXPECT_EQ(site.longitude, 139.0);
    // two ASCII bytes then two-byte characters: the 263rd byte is a lead byte, so 262 kept
    std::string sjis = "ab";
    for (int i = 0; i < 200; ++i) sjis += "\x95\x5C";
    site = readRecord(sjis + " 35.0 139.0\n");
    EXPECT_EQ(std::strlen(site.name), 262u);
    EXPECT_EQ(std::string(site.name).substr(0, 4), "ab\x95\x5C");
    EXPECT_EQ(site.latitude, 35.0);
    // one ASCII byte: the 263rd byte ends a character, so all 263 are kept
    sjis.erase(0, 1);
    site = readRecord(sjis + " 36.0 140.0\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    // two-byte characters only: 131 whole characters, 262 bytes
    sjis.erase(0, 1);
    site = readRecord(sjis + " 36.0 140.0\n");
    EXPECT_EQ(std::strlen(site.name), 262u);
    EXPECT_EQ(site.longitude, 140.0);
    // exactly 263 bytes stay whole
    site = readRecord(std::string(263, 'b') + " 1 2\n");
    EXPECT_EQ(std::strlen(site.name), 263u);
    EXPECT_EQ(site.longitude, 2.0);
}

TEST(SjisCut, LeadByteRanges) {
    // 0xA1-0xDF are one-byte katakana, not lead bytes
    EXPECT_EQ(sjisCutLength("\xB1\xB2\xB3", 3, 2), 2u);
    EXPECT_EQ(sjisCutLength("\xE0\x40\xE0\x40", 4, 3), 2u);
    EXPECT_EQ(sjisCutLength("\x81\x40\x9F\xFC", 4, 3), 2u);
    EXPECT_EQ(sjisCutLength("abc", 3, 5), 3u);
}

}  // namespace
}  // namespace fieldcast
