// End-to-end: the built fieldcast runs in a temporary directory on fixture files; its console
// bytes and report bytes are compared with golden files, and its exit status with the case's.
//
// Each case starts from fixtures/base (a 760 km, 1-hop path at 100 kHz in June) and edits
// files: new content, or removal. Regenerate the golden files with FIELDCAST_UPDATE_GOLDEN=1
// and read the differences before committing them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fixture_run.h"

namespace {

using namespace fieldcast::e2e;

struct FileEdit {
    std::string name;
    std::optional<std::string> content;  // nullopt: the file is removed
};

struct E2eCase {
    std::string name;
    std::vector<FileEdit> edits;
    int expectedStatus;
};

bool updatingGolden() { return std::getenv("FIELDCAST_UPDATE_GOLDEN") != nullptr; }

// Compares `actual` with a golden file; a golden file that does not exist means the output
// must not exist either.
void expectGolden(const fs::path& golden, const std::optional<std::string>& actual) {
    if (updatingGolden()) {
        if (actual) {
            writeFile(golden, *actual);
        } else {
            fs::remove(golden);
        }
        return;
    }
    if (!fs::exists(golden)) {
        EXPECT_FALSE(actual.has_value()) << golden << " should not have been written";
        return;
    }
    ASSERT_TRUE(actual.has_value()) << golden << " was not written";
    EXPECT_EQ(*actual, readFile(golden)) << "differs from " << golden;
}

// ctest shows the case by its name
void PrintTo(const E2eCase& c, std::ostream* out) { *out << c.name; }

class EndToEnd : public ::testing::TestWithParam<E2eCase> {};

TEST_P(EndToEnd, ConsoleReportAndStatus) {
    const E2eCase& c = GetParam();
    const FixtureCopy work;
    for (const FileEdit& edit : c.edits) {
        if (edit.content) {
            writeFile(work.path() / edit.name, *edit.content);
        } else {
            fs::remove(work.path() / edit.name);
        }
    }
    const FieldcastRun run = runFieldcastIn(work.path());
    EXPECT_EQ(run.status, c.expectedStatus);
    EXPECT_EQ(run.errors, "");

    const fs::path golden = fs::path(FIELDCAST_GOLDEN) / c.name;
    expectGolden(golden.string() + ".console", run.console);
    expectGolden(golden.string() + ".report", run.report);
}

std::string caseName(const ::testing::TestParamInfo<E2eCase>& info) { return info.param.name; }

const std::string kShortRangeList = "\x8E\xE7\x92\x4A 36.2 140.2\n";  // 守谷, about 28 km
const std::string kTwoHopList = "Naha 26.0 121.0\n";                  // 2115 km

// Range regimes.
INSTANTIATE_TEST_SUITE_P(
    Ranges, EndToEnd,
    ::testing::Values(
        E2eCase{"short_range_30km", {{"LATRLONR.dat", kShortRangeList}}, 0},
        // the short-range hours read no sky-wave file: they may all be missing
        E2eCase{"short_range_without_sky_files",
                {{"LATRLONR.dat", kShortRangeList},
                 {"YR.dat", {}},
                 {"MON.dat", {}},
                 {"GCM.dat", {}},
                 {"RESUL.dat", {}},
                 {"FG.dat", {}},
                 {"F.dat", {}},
                 {"RCX2.dat", {}}},
                0},
        E2eCase{"over_4000km", {{"LATRLONR.dat", "London 51.5 -0.1\n"}}, 0},
        E2eCase{"one_hop_sky_wave", {}, 0}, E2eCase{"one_hop_combined", {{"RESUL.dat", "2\n"}}, 0},
        E2eCase{"two_hop_sky_wave", {{"LATRLONR.dat", kTwoHopList}, {"RESUL.dat", "3\n"}}, 0},
        E2eCase{"two_hop_combined", {{"LATRLONR.dat", kTwoHopList}, {"RESUL.dat", "2\n"}}, 0},
        // sea at the transmitter ("gotoline4970" and GW1.dat, AF1.dat), dry land at the
        // receiving point (AF3.dat) in the same hour
        E2eCase{"af1_then_af3", {{"GCT.dat", "1\n"}, {"GCR.dat", "3\n"}}, 0},
        // 20 kHz: f cos(i) is raised to 5.0, an FCS value, so the RCX lookup prints line4070
        E2eCase{"line4070_at_20khz", {{"FREQ.dat", "20.0\n"}, {"YR.dat", "1\n"}}, 0},
        // a record per line after the first is never read; the name is Shift-JIS
        E2eCase{"several_records",
                {{"LATRLONR.dat", "\x8D\x4C\x93\x87 34.0 132.0\nX 0 0\nY 1 1\n"}},
                0},
        // Far from 135 E the hours stay JST: the daytime low falls near 21:00. The printed
        // degrees as the C library rounds them: the header's receiving point is the list's
        // own value (52.305 and 1.875 give 52.30 and 1.88), the summary's the value turned
        // into radians and back (52.31, 1.87); an exact tie rounds to even (48.625 gives
        // 48.62); a longitude just west of 0 keeps its sign (-0.00).
        E2eCase{"greenwich_path_in_jst",
                {{"LATRLONR.dat", "Tie 52.305 1.875\n"},
                 {"LATT.dat", "48.625\n"},
                 {"LONT.dat", "-0.001\n"}},
                0}),
    caseName);

// Inputs the run refuses, each ending it with status 1, its one console line and the report
// as far as it was written; and inputs at the edge that it accepts (status 0): a name cut to
// 263 bytes, coincident points, the coordinate limits themselves.
INSTANTIATE_TEST_SUITE_P(
    RefusedInputs, EndToEnd,
    ::testing::Values(
        E2eCase{"long_name_is_cut", {{"LATRLONR.dat", std::string(400, 'N') + " 34.0 132.0\n"}}, 0},
        E2eCase{"coincident_points", {{"LATRLONR.dat", "Here 36.0 140.0\n"}}, 0},
        E2eCase{"empty_power_file", {{"P.dat", ""}}, 1},
        E2eCase{"text_in_frequency_file", {{"FREQ.dat", "one hundred\n"}}, 1},
        E2eCase{"nan_latitude_file", {{"LATT.dat", "nan\n"}}, 1},
        E2eCase{"short_curve_file", {{"GW.dat", "60 50 40\n"}}, 1},
        E2eCase{"short_table_file", {{"FF.dat", "1 1 1\n"}}, 1},
        E2eCase{"activity_code_4", {{"YR.dat", "4\n"}}, 1},
        E2eCase{"month_13", {{"MON.dat", "13\n"}}, 1},
        E2eCase{"midpoint_ground_0", {{"GCM.dat", "0\n"}}, 1},
        // Refused when read, before the report header of hour 0: the report stays empty.
        E2eCase{"latitude_91_in_LATT", {{"LATT.dat", "91\n"}}, 1},
        E2eCase{"longitude_minus_181_in_LONT", {{"LONT.dat", "-181\n"}}, 1},
        E2eCase{"zero_power", {{"P.dat", "0\n"}}, 1},
        E2eCase{"negative_frequency", {{"FREQ.dat", "-594\n"}}, 1},
        // Fault: these lists ran every hour for a receiving point at latitude 0, longitude 0.
        E2eCase{"empty_list", {{"LATRLONR.dat", ""}}, 1},
        E2eCase{"name_without_coordinates", {{"LATRLONR.dat", "Tokyo\nOsaka 34.7 135.5\n"}}, 1},
        E2eCase{"list_latitude_95", {{"LATRLONR.dat", "Far 95 140\n"}}, 1},
        // the limits themselves are accepted: the pole is over 4000 km away
        E2eCase{"list_at_north_pole_lon_360", {{"LATRLONR.dat", "Pole 90 360\n"}}, 0}),
    caseName);

std::vector<E2eCase> missingFileCases() {
    std::vector<E2eCase> cases;
    cases.push_back({"missing_LATRLONR.dat", {{"LATRLONR.dat", {}}}, 1});
    // read in every range regime: on a short-range path the ground codes are the last read
    for (const char* file : {"P.dat", "FREQ.dat", "LATT.dat", "LONT.dat", "GCT.dat", "GCR.dat"}) {
        cases.push_back(
            {std::string("missing_") + file, {{"LATRLONR.dat", kShortRangeList}, {file, {}}}, 1});
    }
    // read only over 50 km
    for (const char* file : {"YR.dat", "MON.dat", "GCM.dat", "RESUL.dat", "F.dat", "D.dat",
                             "FF.dat", "PS.dat", "AF2.dat", "CSX.dat", "FCS.dat", "RCX2.dat"}) {
        cases.push_back({std::string("missing_") + file, {{file, {}}}, 1});
    }
    // the other files of the groups, chosen by their codes
    const std::pair<const char*, FileEdit> groupFiles[] = {
        {"AF1.dat", {"GCR.dat", "1\n"}},
        {"AF3.dat", {"GCT.dat", "3\n"}},
        {"RCX1.dat", {"YR.dat", "1\n"}},
        {"RCX3.dat", {"YR.dat", "3\n"}},
    };
    for (const auto& [file, code] : groupFiles) {
        cases.push_back({std::string("missing_") + file, {code, {file, {}}}, 1});
    }
    // curve files: the line, then the hour goes on with the previous ground wave (0 dB)
    for (const char* file : {"FG.dat", "DG.dat", "GW.dat"}) {
        cases.push_back({std::string("missing_curve_") + file, {{file, {}}}, 0});
    }
    cases.push_back({"missing_curve_GW1.dat", {{"GCT.dat", "1\n"}, {"GW1.dat", {}}}, 0});
    cases.push_back({"missing_curve_GW3.dat", {{"GCT.dat", "3\n"}, {"GW3.dat", {}}}, 0});
    for (E2eCase& c : cases) {
        for (char& ch : c.name) {
            if (ch == '.') ch = '_';
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(MissingFiles, EndToEnd, ::testing::ValuesIn(missingFileCases()), caseName);

}  // namespace
