// The bundled data sets and the band of frequencies each is made for: which set to load for
// a frequency. The generator takes its band limits from here, the map tool its advice; both
// tools include it from this neutral folder, so neither depends on the other for it.
#pragma once

#include <array>
#include <string_view>

namespace fieldcast {

struct DataSetBand {
    std::string_view name;    // value of fieldcast-tables --band
    std::string_view folder;  // the bundled data set, from the top of the source tree
    double lowKhz;            // the frequencies the set is made for, limits included
    double highKhz;
};

inline constexpr DataSetBand kLfDataSet{"lf", "data/default", 20.0, 300.0};
inline constexpr DataSetBand kMfDataSet{"mf", "data/mf", 150.0, 1700.0};
inline constexpr std::array<DataSetBand, 2> kDataSets = {kLfDataSet, kMfDataSet};

// The first bundled set whose band holds freqKhz, or nullptr.
constexpr const DataSetBand* dataSetForFrequency(double freqKhz) {
    for (const DataSetBand& set : kDataSets) {
        if (freqKhz >= set.lowKhz && freqKhz <= set.highKhz) return &set;
    }
    return nullptr;
}

}  // namespace fieldcast
