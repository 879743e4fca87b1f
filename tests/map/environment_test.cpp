// The map tool on unusual but legitimate machines: closed standard streams, a temporary folder
// that is missing, unwritable or deep, a working folder removed under the run, and a gmt that
// reports success without a picture.
#include <gtest/gtest.h>

#include "map_test_support.h"

namespace {

namespace fs = std::filesystem;
using fieldcast::testing::runProgram;
using maptest::readFile;
using maptest::TempDir;
using maptest::writeFile;

const std::string kData = BUNDLED_DATA_DIR;
const std::string kMap = FIELDCAST_MAP_EXE;

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The tool through the shell, for redirections and variables: `words` are put in as written.
maptest::RunResult runShell(const fs::path& workDir, const std::string& words) {
    return runProgram("/bin/sh", {"-c", words}, workDir);
}

// Whether the file holds `expected`, byte for byte; on a difference, where it starts (the
// files are megabytes: gtest's diff of two such strings would take all the memory).
::testing::AssertionResult holds(const fs::path& file, const std::string& expected) {
    const std::string bytes = readFile(file);
    if (bytes == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < bytes.size() && at < expected.size() && bytes[at] == expected[at]) ++at;
    return ::testing::AssertionFailure()
           << file.string() << ": " << bytes.size() << " bytes, expected " << expected.size()
           << "; they differ from byte " << at << ": \"" << bytes.substr(at, 60) << "\"";
}

const std::string kArea = kMap + " area " + kData +
                          " -R 120/150/20/50 --step 0.2 --hours 0-3 --freq-khz 1000 -j 1 --no-maps "
                          "--format csv --progress";

// Fault: started with standard error closed (2>&-), the run handed its number to area.csv,
// and the progress bar was written into the middle of the table; the run exited 0.
TEST(MapEnvironment, AClosedStandardStreamTakesNoResultFile) {
    const TempDir work;
    const auto reference = runShell(work.path(), kArea + " -o reference");
    ASSERT_EQ(reference.status, 0) << reference.err;
    ASSERT_NE(reference.err.find("warning"), std::string::npos);  // something for stderr
    const std::string table = readFile(work / "reference" / "area.csv");

    const auto noStderr = runShell(work.path(), "exec " + kArea + " -o no-stderr 2>&-");
    EXPECT_EQ(noStderr.status, 0);
    EXPECT_TRUE(holds(work / "no-stderr" / "area.csv", table));

    const auto noStdin = runShell(work.path(), "exec " + kArea + " -o no-stdin <&-");
    EXPECT_EQ(noStdin.status, 0) << noStdin.err;
    EXPECT_TRUE(holds(work / "no-stdin" / "area.csv", table));

    // the list of files is lost: a failure, as on a full disk, though every file is whole
    const auto noStdout = runShell(work.path(), "exec " + kArea + " -o no-stdout >&-");
    EXPECT_EQ(noStdout.status, 1);
    EXPECT_NE(noStdout.err.find("standard output: write failed"), std::string::npos)
        << noStdout.err;
    EXPECT_TRUE(holds(work / "no-stdout" / "area.csv", table));

    const auto neither = runShell(work.path(), "exec " + kArea + " -o neither >&- 2>&-");
    EXPECT_EQ(neither.status, 1);
    EXPECT_TRUE(holds(work / "neither" / "area.csv", table));
}

// Faults: a TMPDIR that did not exist gave "filesystem error: temp_directory_path: No such
// file or directory", an unwritable one "cannot create a scratch folder", neither naming the
// folder; a run of files alone, which needs no scratch folder, failed on it after its grid was
// computed. Under a TMPDIR of some 220 characters gmt cut its session folder's name, made that
// cut folder beside TMPDIR, drew nothing and exited 0; the run said "map-00.png: write failed".
TEST(MapEnvironment, TheTemporaryFolderIsNamedWhenUnusableAndMayLieDeep) {
    const TempDir work;
    const std::string area =
        kMap + " area " + kData + " -R 130/140/30/40 --step 0.5 --hours 0 --no-progress";
    writeFile(work / "a-file", "x\n");
    for (const std::string& tmp : {(work / "missing").string(), (work / "a-file").string()}) {
        SCOPED_TRACE(tmp);
        const auto maps = runShell(work.path(), "TMPDIR='" + tmp + "' exec " + area + " -o maps");
        EXPECT_EQ(maps.status, 1);
        EXPECT_NE(maps.err.find("the temporary folder " + tmp + " (TMPDIR) cannot hold"),
                  std::string::npos)
            << maps.err;
        EXPECT_NE(maps.err.find("set TMPDIR to a folder you can write to"), std::string::npos);
        EXPECT_FALSE(fs::exists(work / "maps"));  // refused before anything was computed
        const auto files = runShell(work.path(), "TMPDIR='" + tmp + "' exec " + area +
                                                     " -o files --no-maps --format csv,geotiff");
        EXPECT_EQ(files.status, 0) << files.err;
        EXPECT_EQ(entries(work / "files"),
                  (std::vector<std::string>{"area.csv", "area.json", "field.tif"}));
        fs::remove_all(work / "files");
    }

    const fs::path deep = work / std::string(220, 'd');
    fs::create_directories(deep);
    const auto maps = runShell(
        work.path(), "TMPDIR='" + deep.string() + "' exec " + area + " -o deep --format grid,html");
    EXPECT_EQ(maps.status, 0) << maps.err;
    EXPECT_EQ(entries(work / "deep"),
              (std::vector<std::string>{"field-00.nc", "field.nc", "index.html", "map-00.png",
                                        "viewer"}));
    const auto plot = runShell(work.path(), "TMPDIR='" + deep.string() + "' exec " + kMap +
                                                " points " + kData + " -o deep-points");
    EXPECT_EQ(plot.status, 0) << plot.err;
    EXPECT_TRUE(fs::exists(work / "deep-points" / "diurnal.png"));
    EXPECT_TRUE(entries(deep).empty());  // the scratch folder and gmt's sessions removed
    std::vector<std::string> expected{"a-file", "deep", "deep-points", deep.filename().string()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(work.path()), expected);  // nothing beside TMPDIR
}

// Fault: run from a working folder that had been removed (another shell's rm -rf), with every
// path absolute, the run ended with "filesystem error: cannot get current path" before it
// started gmt.
TEST(MapEnvironment, ARemovedWorkingFolderDoesNotMatter) {
    const TempDir work;
    fs::create_directories(work / "gone");
    const auto run = runShell(work / "gone", "rmdir \"$PWD\" && exec " + kMap + " area " + kData +
                                                 " -o '" + (work / "out").string() +
                                                 "' -R 130/140/30/40 --step 0.5 --hours 0");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(work / "out" / "map-00.png"));
}

// Fault: a gmt that ended its session with status 0 but no picture was reported as our own
// failed write ("out/map-00.png: write failed").
TEST(MapEnvironment, AGmtThatDrawsNothingIsNamedAsSuch) {
    const TempDir work;
    const maptest::GmtWrapper gmt("[ \"$1\" = end ] && exit 0\nexec \"$REAL_GMT\" \"$@\"");
    const auto run = maptest::runMap(
        {"area", kData, "-o", "out", "-R", "130/140/30/40", "--step", "0.5", "--hours", "0"},
        work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("gmt end exited 0 but made no picture map-00.png"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("write failed"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(work / "out" / "INCOMPLETE.txt"));
}

}  // namespace
