// fieldcast-coastline-check as a user runs it: values it cannot use are refused with status 2
// before gmt is run, never drawn from for ever.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "map_test_support.h"

namespace {

using maptest::TempDir;

// The tool under `timeout`, so that a hang fails the case (status 124) instead of the suite.
fieldcast::testing::RunResult runCheck(const std::vector<std::string>& args,
                                       const std::filesystem::path& workDir) {
    std::vector<std::string> all = {"60", FIELDCAST_COASTLINE_CHECK_EXE};
    all.insert(all.end(), args.begin(), args.end());
    return fieldcast::testing::runProgram("timeout", all, workDir);
}

// Regression: the convergence run drew random points until enough lay within 4000 km of the
// transmitter, so a region out of its reach (or a latitude beyond the pole) never ended; a
// frequency of -5 or nan printed a table; a mask cell or thread count of 0 was quietly replaced.
TEST(CoastlineCheckCli, UnusableValuesAreRefusedWithStatus2) {
    const TempDir work;
    const std::string data = BUNDLED_DATA_DIR;
    struct Case {
        std::vector<std::string> args;
        const char* message;  // part of the message on standard error
    };
    const std::vector<Case> cases = {
        {{"convergence", data, "--tx-lat", "100"}, "--tx-lat"},
        {{"convergence", data, "--tx-lon", "400"}, "--tx-lon"},
        {{"convergence", data, "--freq-khz", "-5"}, "--freq-khz"},
        {{"convergence", data, "--freq-khz", "nan"}, "--freq-khz"},
        {{"convergence", data, "-R", "150/140/20/50"}, "west < east"},
        {{"convergence", data, "-R", "115/155/20/95"}, "-90..90"},
        {{"convergence", data, "-R", "-80/-70/-40/-30"}, "up to 4000 km from the transmitter"},
        {{"convergence", data, "-R", "139.9/140.1/35.9/36.1"}, "over 50 km"},
        {{"mask-cost", "-R", "115/155/50/20"}, "south < north"},
        {{"mask-cost", "--cell-arcsec", "0"}, "--cell-arcsec"},
        {{"mask-cost", "-j", "0"}, "--threads"},
        {{"convergence", data, "-j", "-1"}, "--threads"},
    };
    for (const Case& c : cases) {
        const auto run = runCheck(c.args, work.path());
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        EXPECT_EQ(run.status, 2) << shown << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << shown << run.err;
        EXPECT_NE(run.err.find("fieldcast-coastline-check"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << shown << run.out;
    }
}

// Fault: the tool took no signals, so an interrupted mask left its scratch folder (gmt's
// session in it) behind.
TEST(CoastlineCheckCli, AnInterruptedMaskLeavesNoScratch) {
    namespace fs = std::filesystem;
    const TempDir work;
    fs::create_directories(work.path() / "tmp");
    const pid_t pid = maptest::spawnWithTmpDir(
        {FIELDCAST_COASTLINE_CHECK_EXE, "mask-cost", "-R", "-180/180/-80/80", "--resolution", "f"},
        work.path() / "tmp");
    ASSERT_GT(pid, 0);
    // stop it once gmt is at work in its scratch folder
    for (int i = 0; i < 3000 && fs::is_empty(work.path() / "tmp"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(pid, SIGTERM);
    EXPECT_EQ(maptest::waitForExit(pid), 128 + SIGTERM);
    EXPECT_TRUE(fs::is_empty(work.path() / "tmp"));
}

}  // namespace
