// The map tool on unusual but legitimate machines: closed standard streams, a temporary folder
// that is missing, unwritable or deep, a working folder removed under the run, a gmt that
// reports success without a picture, and locales that write numbers with a decimal comma.
#include <gtest/gtest.h>

#include "map_test_support.h"

namespace {

namespace fs = std::filesystem;
using fieldcast::testing::runProgram;
using maptest::entries;
using maptest::readFile;
using maptest::TempDir;
using maptest::writeFile;

const std::string kData = BUNDLED_DATA_DIR;
const std::string kMap = FIELDCAST_MAP_EXE;

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

// Every file below `dir` (its path from `dir`, sorted) but the netCDF ones, whose history
// holds the time of the run.
std::vector<std::string> comparableFiles(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() != ".nc") {
            names.push_back(entry.path().lexically_relative(dir).string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every number the tool writes, and every number gmt reads from it, keeps its decimal point
// under a locale that writes a decimal comma or uses another character set: the files are
// those of the C locale, byte for byte (the maps and plot included), and so are UTF-8 point
// names in a locale that is not UTF-8. The locales are made for the test (localedef into a
// folder of its own, LOCPATH), as a fresh machine has none but C.
TEST(MapEnvironment, NumbersAndNamesDoNotDependOnTheLocale) {
    const TempDir locales;
    // with LOCPATH set, the newlocale that libp11-kit (loaded with GDAL) calls as it loads keeps
    // glibc's list of locale folders for good, which the sanitizer build would report as a leak
    writeFile(locales / "lsan.supp", "leak:__argz_add_sep\n");
    const std::string localePath = "LOCPATH='" + locales.path().string() +
                                   "' LSAN_OPTIONS=suppressions='" +
                                   (locales / "lsan.supp").string() + "' ";
    const auto made = runShell(locales.path(),
                               "localedef -i de_DE -f UTF-8 ./de_DE.UTF-8 && localedef -i ja_JP -f "
                               "EUC-JP ./ja_JP.EUC-JP && " +
                                   localePath + "LC_ALL=de_DE.UTF-8 /usr/bin/printf %.1f 0.5");
    if (made.status != 0 || made.out != "0,5") {
        GTEST_SKIP() << "localedef could not make de_DE.UTF-8 and ja_JP.EUC-JP (Debian package "
                        "locales): "
                     << made.err;
    }
    const TempDir work;
    writeFile(work / "p.csv",
              "pointName,latDeg,lonDeg\nTokyo,35.68,139.69\n大阪,34.69,135.5\n"
              "Seoul,37.57,126.98\n");
    const auto runIn = [&](const std::string& locale) {
        const fs::path dir = work / ("in-" + locale);
        fs::create_directories(dir);
        const std::string env =
            "unset LANG LANGUAGE LC_NUMERIC; " + localePath + "LC_ALL=" + locale + " exec ";
        const auto area = runShell(dir, env + kMap + " area " + kData +
                                            " -o area -R 130.5/140.25/30/40.5 --step 0.75 "
                                            "--hours 0,12 --power-kw 12.5 --freq-khz 77.5 "
                                            "--colour-range 10.5/90.5 --contours 40.5,55.25 "
                                            "--time-zone +05:30 --no-progress --format "
                                            "grid,csv,geotiff,geojson,kml,html");
        EXPECT_EQ(area.status, 0) << locale << ": " << area.err;
        const auto points =
            runShell(dir, env + kMap + " points " + kData +
                              " -o points --points ../p.csv --reports --format csv,html "
                              "--freq-khz 77.5 --no-progress");
        EXPECT_EQ(points.status, 0) << locale << ": " << points.err;
        return dir;
    };
    const fs::path reference = runIn("C");
    const std::vector<std::string> files = comparableFiles(reference);
    ASSERT_GT(files.size(), 20U);
    for (const std::string locale : {"de_DE.UTF-8", "ja_JP.EUC-JP"}) {
        SCOPED_TRACE(locale);
        const fs::path dir = runIn(locale);
        EXPECT_EQ(comparableFiles(dir), files);
        for (const std::string& file : files) {
            EXPECT_TRUE(holds(dir / file, readFile(reference / file)));
        }
    }
}

}  // namespace
