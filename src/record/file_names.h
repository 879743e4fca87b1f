// The input files of a prediction, and the file of a group that a code chooses: 1 and 2 the
// first and second file, any other value the third.
#pragma once

namespace fieldcast {

inline constexpr char kReceiverListFileName[] = "LATRLONR.dat";

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

}  // namespace fieldcast
