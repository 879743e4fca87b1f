// The input files of a prediction, each name written once: fieldcast's readers, the map tool,
// the table generator and its checks of a user's file name take them from here. The file of a
// group that a code chooses: 1 and 2 the first and second file, any other value the third.
#pragma once

#include <array>

namespace fieldcast {

// --- the scenario: one value each, and the receiving points
inline constexpr char kTxPowerFileName[] = "P.dat";
inline constexpr char kFreqFileName[] = "FREQ.dat";
inline constexpr char kTxLatFileName[] = "LATT.dat";
inline constexpr char kTxLonFileName[] = "LONT.dat";
inline constexpr char kTxGroundFileName[] = "GCT.dat";
inline constexpr char kRxGroundFileName[] = "GCR.dat";
inline constexpr char kSolarActivityFileName[] = "YR.dat";
inline constexpr char kMonthFileName[] = "MON.dat";
inline constexpr char kMidGroundFileName[] = "GCM.dat";
inline constexpr char kResultModeFileName[] = "RESUL.dat";
inline constexpr char kReceiverListFileName[] = "LATRLONR.dat";

// Every file of a scenario: the ten the hour reads, in its order, and the receiving points.
inline constexpr std::array<const char*, 11> kScenarioFileNames = {
    kTxPowerFileName,   kFreqFileName,       kTxLatFileName,         kTxLonFileName,
    kTxGroundFileName,  kRxGroundFileName,   kSolarActivityFileName, kMonthFileName,
    kMidGroundFileName, kResultModeFileName, kReceiverListFileName};

// --- the report of a receiving point: "QZresult-<index>.txt" in the working folder
inline constexpr char kReportFilePrefix[] = "QZresult-";
inline constexpr char kReportFileSuffix[] = ".txt";

// --- the data set: the axes of the tables
inline constexpr char kGwFreqAxisFileName[] = "FG.dat";  // ground-wave curves' frequencies
inline constexpr char kGwDistAxisFileName[] = "DG.dat";  // their distances
inline constexpr char kFAxisFileName[] = "F.dat";        // frequencies of FF and AF
inline constexpr char kDAxisFileName[] = "D.dat";        // hop ranges of FF
inline constexpr char kPsAxisFileName[] = "PS.dat";      // elevation angles of AF
inline constexpr char kCsxAxisFileName[] = "CSX.dat";    // cos(solar zenith) of RCX
inline constexpr char kFcsAxisFileName[] = "FCS.dat";    // f cos(incidence) of RCX

// Focusing factors: read by the hour's files, and named by a refusal of a factor of them.
inline constexpr char kFfFileName[] = "FF.dat";

// Ground-wave curves by the ground code at the transmitter.
constexpr const char* curveFileName(int txGroundType) {
    return txGroundType == 1 ? "GW1.dat" : txGroundType == 2 ? "GW.dat" : "GW3.dat";
}

// Antenna factors by the ground code at one end of the path.
constexpr const char* afFileName(int groundType) {
    return groundType == 1 ? "AF1.dat" : groundType == 2 ? "AF2.dat" : "AF3.dat";
}

// Ionospheric reflection factors by the solar activity code.
constexpr const char* rcxFileName(int solarActivityCode) {
    return solarActivityCode == 1 ? "RCX1.dat" : solarActivityCode == 2 ? "RCX2.dat" : "RCX3.dat";
}

// The name the cannot-open line of a group gives for each of its three files.
inline constexpr char kCurveGroupName[] = "GW.dat";
inline constexpr char kAfGroupName[] = "AF.dat";
inline constexpr char kRcxGroupName[] = "RCX.dat";

// Every file of a data set, in the order fieldcast-tables writes them.
inline constexpr std::array<const char*, 17> kDataSetFileNames = {
    kGwFreqAxisFileName, kGwDistAxisFileName, curveFileName(1), curveFileName(2), curveFileName(3),
    kFAxisFileName,      kDAxisFileName,      kFfFileName,      kPsAxisFileName,  afFileName(1),
    afFileName(2),       afFileName(3),       kCsxAxisFileName, kFcsAxisFileName, rcxFileName(1),
    rcxFileName(2),      rcxFileName(3)};

}  // namespace fieldcast
