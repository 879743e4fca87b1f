// The Japanese texts must be exactly the code page 932 bytes of their UTF-8 wording.
#include "driver/sjis_text.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <stdexcept>
#include <string>

namespace fieldcast {
namespace {

// Encodes UTF-8 text as CP932 with the C library's converter, independent of the literals.
std::string toCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) throw std::runtime_error("unconvertible: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

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

TEST(SjisText, BackslashTrailBytesSurvive) {
    // 表 and 予 end in 0x5C; the ideographic space is 0x81 0x40
    EXPECT_NE(std::string(sjis::kReportRangeFormat).find("\x95\x5C"), std::string::npos);
    EXPECT_NE(std::string(sjis::kReportTitleFormat).find("\x97\x5C"), std::string::npos);
    EXPECT_NE(std::string(sjis::kCautionJapaneseLine).find("!\x81\x40"), std::string::npos);
}

}  // namespace
}  // namespace fieldcast
