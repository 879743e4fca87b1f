// The program's Japanese texts as code page 932 (Shift-JIS) bytes.
//
// Each literal is the CP932 encoding of the UTF-8 text in the comment above it, written with
// scripts/sjis-literal.py; every byte of a two-byte character is escaped. Several trail bytes
// are 0x5C, the backslash (\x95\x5C is 表, \x97\x5C is 予), which is why these are never
// kept as raw Shift-JIS in a source file. tests/sjis_text_test.cpp re-encodes the comments'
// texts and compares the bytes.
#pragma once

namespace fieldcast::sjis {

// --- notice at the head of the report and at the end of the run
// LF/MF帯 電界強度予測 fieldcast (地表波・空間波)\n
inline constexpr char kNoticeLine1[] =
    "LF/MF\x91\xD1 \x93\x64\x8A\x45\x8B\xAD\x93\x78\x97\x5C\x91\xAA fieldcast "
    "(\x92\x6E\x95\x5C\x94\x67\x81\x45\x8B\xF3\x8A\xD4\x94\x67)\n";
// 時刻は東経135度の標準時(JST)、値は毎正時の予測値です\n
inline constexpr char kNoticeLine2[] =
    "\x8E\x9E\x8D\x8F\x82\xCD\x93\x8C\x8C\x6F"
    "135\x93\x78\x82\xCC\x95\x57\x8F\x80\x8E\x9E(JST)"
    "\x81\x41\x92\x6C\x82\xCD\x96\x88\x90\xB3\x8E\x9E\x82\xCC\x97\x5C\x91\xAA\x92\x6C\x82\xC5\x82"
    "\xB7\n";

// --- report header
// %s  電界強度予測値\n\n
inline constexpr char kReportTitleFormat[] =
    "%s  \x93\x64\x8A\x45\x8B\xAD\x93\x78\x97\x5C\x91\xAA\x92\x6C\n\n";
// 送信所緯度(Degree):%7.2lf    送信所経度(Degree):%7.2lf  \n
inline constexpr char kReportTxFormat[] =
    "\x91\x97\x90\x4D\x8F\x8A\x88\xDC\x93\x78(Degree):%7.2lf    "
    "\x91\x97\x90\x4D\x8F\x8A\x8C\x6F\x93\x78(Degree):%7.2lf  \n";
// 受信点緯度(Degree):%7.2lf    受信点経度(Degree):%7.2lf  \n\n
inline constexpr char kReportRxFormat[] =
    "\x8E\xF3\x90\x4D\x93\x5F\x88\xDC\x93\x78(Degree):%7.2lf    "
    "\x8E\xF3\x90\x4D\x93\x5F\x8C\x6F\x93\x78(Degree):%7.2lf  \n\n";
// 地表距離(km): %10.2lf \n\n
inline constexpr char kReportRangeFormat[] = "\x92\x6E\x95\x5C\x8B\x97\x97\xA3(km): %10.2lf \n\n";
// 時刻(JST)  電界強度(mV/m)  電界強度(dB uV/m)\n
inline constexpr char kReportColumnsLine[] =
    "\x8E\x9E\x8D\x8F(JST)  \x93\x64\x8A\x45\x8B\xAD\x93\x78(mV/m)  "
    "\x93\x64\x8A\x45\x8B\xAD\x93\x78(dB uV/m)\n";

// --- range caution; the blank is the ideographic space
// 注意!　地表距離の値は上限4000kmを超えた\n
inline constexpr char kCautionJapaneseLine[] =
    "\x92\x8D\x88\xD3!"
    "\x81\x40\x92\x6E\x95\x5C\x8B\x97\x97\xA3\x82\xCC\x92\x6C\x82\xCD\x8F\xE3\x8C\xC0"
    "4000km\x82\xF0\x92\xB4\x82\xA6\x82\xBD\n";

// --- station summary
// 送信所の実送信電力: %10.1lf kW\t   送信所の周波数: %10.1lf kHz\n
inline constexpr char kSummaryPowerFreqFormat[] =
    "\x91\x97\x90\x4D\x8F\x8A\x82\xCC\x8E\xC0\x91\x97\x90\x4D\x93\x64\x97\xCD: %10.1lf kW\t   "
    "\x91\x97\x90\x4D\x8F\x8A\x82\xCC\x8E\xFC\x94\x67\x90\x94: %10.1lf kHz\n";
// 送信所の緯度、経度(Degree): %10.2lf \t  %10.2lf\n
inline constexpr char kSummaryTxFormat[] =
    "\x91\x97\x90\x4D\x8F\x8A\x82\xCC\x88\xDC\x93\x78\x81\x41\x8C\x6F\x93\x78(Degree): %10.2lf \t  "
    "%10.2lf\n";
// 受信点の緯度、経度(Degree): %10.2lf \t  %10.2lf\n
inline constexpr char kSummaryRxFormat[] =
    "\x8E\xF3\x90\x4D\x93\x5F\x82\xCC\x88\xDC\x93\x78\x81\x41\x8C\x6F\x93\x78(Degree): %10.2lf \t  "
    "%10.2lf\n";
// 地表距離: %10.2lf km\n
inline constexpr char kSummaryRangeFormat[] = "\x92\x6E\x95\x5C\x8B\x97\x97\xA3: %10.2lf km\n";

// --- hour lines
// 地表波電界強度:   %lf mV/m   %lf dBmicro\n
inline constexpr char kGroundWaveLineFormat[] =
    "\x92\x6E\x95\x5C\x94\x67\x93\x64\x8A\x45\x8B\xAD\x93\x78:   %lf mV/m   %lf dBmicro\n";
// 1-hop空間波電界強度:%lf mV/m  %lf dBmicro   at %5.1lf o'clock\n
inline constexpr char kSky1HopLineFormat[] =
    "1-hop\x8B\xF3\x8A\xD4\x94\x67\x93\x64\x8A\x45\x8B\xAD\x93\x78:%lf mV/m  %lf dBmicro   at "
    "%5.1lf o'clock\n";
// 1-hop空間波と地表波の合成電界強度:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n
inline constexpr char kCombined1HopLineFormat[] =
    "1-"
    "hop\x8B\xF3\x8A\xD4\x94\x67\x82\xC6\x92\x6E\x95\x5C\x94\x67\x82\xCC\x8D\x87\x90\xAC\x93\x64"
    "\x8A\x45\x8B\xAD\x93\x78:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n";
// 2-hop空間波電界強度:%lf mV/m  %lf dBmicro   at %5.1lf o'clock\n
inline constexpr char kSky2HopLineFormat[] =
    "2-hop\x8B\xF3\x8A\xD4\x94\x67\x93\x64\x8A\x45\x8B\xAD\x93\x78:%lf mV/m  %lf dBmicro   at "
    "%5.1lf o'clock\n";
// 2-hop空間波と地表波の合成電界強度:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n
inline constexpr char kCombined2HopLineFormat[] =
    "2-"
    "hop\x8B\xF3\x8A\xD4\x94\x67\x82\xC6\x92\x6E\x95\x5C\x94\x67\x82\xCC\x8D\x87\x90\xAC\x93\x64"
    "\x8A\x45\x8B\xAD\x93\x78:%lf mV/m  %lf dBmicro  at %5.1lf o'clock\n";

}  // namespace fieldcast::sjis
