// The sky wave of the bundled tables against published measurements and the ITU's empirical
// method: each anchor runs the prediction (a model of models.h) on the tables for its paths
// and compares one number with its reference.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fieldcast::validation {

struct DataSets {
    std::filesystem::path lf = "data/default";  // 20-300 kHz
    std::filesystem::path mf = "data/mf";       // 150-1700 kHz
};

struct AnchorRow {
    std::string group;  // "p1147-code2", "decca", ...
    std::string model;  // "standard", "extended", "curves" (fieldcast-tables' ground wave)
    std::string set;    // "lf", "mf"
    std::string label;  // what the case is: region, frequency, range, month, hour
    double anchor;      // the reference (NaN: none published, the row informs only)
    double predicted;
    double toleranceDb;  // |predicted - anchor| allowed
    std::string unit;    // "dB(uV/m)", "dB" (a difference of levels), "|R| dB"

    double differenceDb() const { return predicted - anchor; }
    bool informative() const;  // no reference: not held to a tolerance
    bool withinTolerance() const;
};

// What a group must meet. A table of f cos(i) cannot follow the measurements' dependence on
// frequency, path length and geomagnetic latitude everywhere, so the night groups allow a
// small share of rows beyond the row tolerance, each still within a hard limit.
struct GroupCriteria {
    double maxShareOutside = 0.0;  // of the group's rows beyond their tolerance
    double hardLimitDb = 0.0;      // |difference| no row may exceed (0: the row tolerance)
    double meanBiasLimitDb = 0.0;  // |mean difference| (0: none)
    double meanAbsLimitDb = 0.0;   // mean |difference| (0: none)
};
GroupCriteria criteriaFor(const std::string& group);

struct GroupSummary {
    std::string group;
    std::string model;
    int rows = 0;
    int outside = 0;  // rows beyond their tolerance
    double meanDifferenceDb = 0.0;
    double meanAbsDifferenceDb = 0.0;
    double maxAbsDifferenceDb = 0.0;
    GroupCriteria criteria;
    bool meetsCriteria() const;
};

// Every anchor on the two data sets. Tables for regions other than the bundled sets' own are
// made in scratch folders from the sets (their night rows fitted for the region).
std::vector<AnchorRow> runAnchors(const DataSets& sets);
std::vector<GroupSummary> summarise(const std::vector<AnchorRow>& rows);
// True when every group meets its criteria.
bool meetsCriteria(const std::vector<AnchorRow>& rows);

void printRows(std::FILE* out, const std::vector<AnchorRow>& rows);
void printSummary(std::FILE* out, const std::vector<GroupSummary>& summary);

}  // namespace fieldcast::validation
