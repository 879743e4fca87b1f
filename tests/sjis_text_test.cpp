// The Japanese texts must be exactly the code page 932 bytes of their UTF-8 wording.
#include "driver/sjis_text.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "driver/report.h"
#include "record_helpers.h"

namespace fieldcast {
namespace {

// Text from one encoding to another with the C library's converter, independent of the
// literals.
std::string convert(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no converter");
    std::string in = text;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) throw std::runtime_error("unconvertible: " + text);
    out.resize(out.size() - outLeft);
    return out;
}

std::string toCp932(const std::string& utf8) { return convert(utf8, "UTF-8", "CP932"); }
std::string fromCp932(const std::string& cp932) { return convert(cp932, "CP932", "UTF-8"); }

TEST(SjisText, EveryTextIsItsCp932Encoding) {
    const std::pair<const char*, std::string> texts[] = {
        {sjis::kReportTitleFormat, "%s  電界強度予測値\n\n"},
        {sjis::kReportTxFormat, "送信所緯度(Degree):%7.2lf    送信所経度(Degree):%7.2lf  \n"},
        {sjis::kReportRxFormat, "受信点緯度(Degree):%7.2lf    受信点経度(Degree):%7.2lf  \n\n"},
        {sjis::kReportRangeFormat, "地表距離(km): %10.2lf \n\n"},
        {sjis::kReportColumnsLine, "時刻(JST)  電界強度(mV/m)  電界強度(dB uV/m)\n"},
        {sjis::kCautionJapaneseLine, "注意!\u3000地表距離の値は上限4000kmを超えた\n"},
        {sjis::kSummaryPowerFreqFormat,
         "送信所の実送信電力: %10.1lf kW\t   送信所の周波数: %10.1lf kHz\n"},
        {sjis::kSummaryTxFormat, "送信所の緯度、経度(Degree): %10.2lf \t  %10.2lf\n"},
        {sjis::kSummaryRxFormat, "受信点の緯度、経度(Degree): %10.2lf \t  %10.2lf\n"},
        {sjis::kSummaryRangeFormat, "地表距離: %10.2lf km\n"},
        {sjis::kGroundWaveLineFormat, "地表波電界強度:   %lf mV/m   %lf dBmicro\n"},
        {sjis::kSky1HopLineFormat,
         "1-hop空間波電界強度:%lf mV/m  %lf dBmicro   at %5.1lf o'clock\n"},
        {sjis::kCombined1HopLineFormat,
         "1-hop空間波と地表波の合成電界強度:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n"},
        {sjis::kSky2HopLineFormat,
         "2-hop空間波電界強度:%lf mV/m  %lf dBmicro   at %5.1lf o'clock\n"},
        {sjis::kCombined2HopLineFormat,
         "2-hop空間波と地表波の合成電界強度:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n"},
        {sjis::kNoticeLine1, "LF/MF帯 電界強度予測 fieldcast (地表波・空間波)\n"},
        {sjis::kNoticeLine2, "時刻は東経135度の標準時(JST)、値は毎正時の予測値です\n"},
    };
    for (const auto& [bytes, utf8] : texts) EXPECT_EQ(std::string(bytes), toCp932(utf8)) << utf8;
}

// The report as written decodes, as code page 932, to the header's Japanese wording: the
// trail bytes 0x5C of 表 and 予 and every other byte reach the file through the formats.
TEST(SjisText, WrittenReportHeaderDecodesToItsWording) {
    PredictionState state = testing::passState();
    const std::string name = toCp932("受信点1");
    std::memcpy(state.receivers[0].name, name.c_str(), name.size() + 1);
    state.receivers[0].latDeg = 34.0;
    state.receivers[0].lonDeg = 132.0;
    testing::setPath(state, 36.0, 140.0, 34.0, 132.0);
    state.groundRangeKm = 760.276;
    state.reportFile = std::tmpfile();
    ASSERT_NE(state.reportFile, nullptr);
    writeReportHeader(state);
    std::string written(4096, '\0');
    std::rewind(state.reportFile);
    written.resize(std::fread(written.data(), 1, written.size(), state.reportFile));
    std::fclose(state.reportFile);
    EXPECT_EQ(fromCp932(written),
              "LF/MF帯 電界強度予測 fieldcast (地表波・空間波)\n"
              "時刻は東経135度の標準時(JST)、値は毎正時の予測値です\n"
              "\n"
              "受信点1  電界強度予測値\n\n"
              "送信所緯度(Degree):  36.00    送信所経度(Degree): 140.00  \n"
              "受信点緯度(Degree):  34.00    受信点経度(Degree): 132.00  \n\n"
              "地表距離(km):     760.28 \n\n"
              "時刻(JST)  電界強度(mV/m)  電界強度(dB uV/m)\n");
}

}  // namespace
}  // namespace fieldcast
