// The prediction program on the bundled data set: a full day for both receiving points, with
// finite values and a night sky wave well above the day's.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"
#include "test_programs.h"

namespace {

// A copy of the bundled data set in a temporary folder.
class ScenarioDir {
  public:
    ScenarioDir() { fieldcast::testing::copyInputFiles(DEFAULT_DATA_DIR, dir_.path()); }

    void write(const std::string& name, const std::string& text) const {
        fieldcast::testing::writeFile(dir_ / name, text);
    }

    // Runs fieldcast here and returns the dB value of each hour's report line.
    std::vector<double> predictHourlyDb() const {
        EXPECT_EQ(fieldcast::testing::runFieldcast(dir_.path()).status, 0);
        std::istringstream report(fieldcast::testing::readFile(dir_ / "QZresult-0.txt"));
        const std::regex hourLine(R"(^\s*(\d+):00\s+(\S+)\s+(\S+)\s*$)");
        std::vector<double> db;
        std::string line;
        while (std::getline(report, line)) {
            std::smatch m;
            if (std::regex_match(line, m, hourLine)) db.push_back(std::stod(m[3].str()));
        }
        return db;
    }

  private:
    fieldcast::testing::TempDir dir_;
};

// The first receiving point of the list; the second as a list of its own. Names in CP932.
const std::string kOneHopPoint = "\x8e\xf3\x90\x4d\x93\x5f\x31 34.0 132.0\n";  // 受信点1
const std::string kTwoHopPoint = "\x8e\xf3\x90\x4d\x93\x5f\x32 26.0 121.0\n";  // 受信点2

TEST(BundledScenario, PredictsTwentyFourFiniteHours) {
    const ScenarioDir dir;
    const std::vector<double> db = dir.predictHourlyDb();
    ASSERT_EQ(db.size(), 24u);
    for (double v : db) {
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_GT(v, 20.0);  // 10 kW at 760 km: tens of dB(uV/m)
        EXPECT_LT(v, 70.0);
    }
}

TEST(BundledScenario, NightSkyWaveWellAboveTheDaysOnBothPaths) {
    for (const std::string& point : {kOneHopPoint, kTwoHopPoint}) {
        const ScenarioDir dir;
        dir.write("LATRLONR.dat", point);
        dir.write("RESUL.dat", "1\n");  // the sky wave alone
        const std::vector<double> db = dir.predictHourlyDb();
        ASSERT_EQ(db.size(), 24u);
        const double midnight = db[0];
        for (int hour = 8; hour <= 16; ++hour) {
            EXPECT_GT(midnight, db[static_cast<std::size_t>(hour)] + 6.0) << point << hour;
        }
    }
}

}  // namespace
