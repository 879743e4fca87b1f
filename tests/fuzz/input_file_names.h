#pragma once

#include <cstddef>
#include <iterator>

namespace fieldcast::fuzzing {

// Every file of a working folder, in the order in which a fuzzer's first byte picks one: the
// seeds of both fuzzers depend on it (append, never reorder).
constexpr const char* kInputFileNames[] = {
    "LATRLONR.dat", "P.dat",   "FREQ.dat", "LATT.dat",  "LONT.dat", "GCT.dat",  "GCR.dat",
    "YR.dat",       "MON.dat", "GCM.dat",  "RESUL.dat", "FG.dat",   "DG.dat",   "GW1.dat",
    "GW.dat",       "GW3.dat", "F.dat",    "D.dat",     "FF.dat",   "PS.dat",   "AF1.dat",
    "AF2.dat",      "AF3.dat", "CSX.dat",  "FCS.dat",   "RCX1.dat", "RCX2.dat", "RCX3.dat",
};
constexpr std::size_t kInputFileCount = std::size(kInputFileNames);

}  // namespace fieldcast::fuzzing
