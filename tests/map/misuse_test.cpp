// The map tool used carelessly or with hostile names: nothing written outside the output
// folder, one run per folder, no false success, no silent loss of a point, no hang, and an
// interrupted run that says what it did not finish.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "map_test_support.h"

namespace {

namespace fs = std::filesystem;
using maptest::entries;
using maptest::readFile;
using maptest::runMap;
using maptest::TempDir;
using maptest::writeFile;

const std::string kData = BUNDLED_DATA_DIR;

// Fault: an -o name with '=' made gmt overwrite the sibling file named before it; one with
// a space sent the maps into a new sibling folder; point names reached gmt's legend raw
// ("b@%" crashed it in gmt end and left its session behind); "e@;c%d" was read as a colour
// change even with its '@' doubled (gmt printed "Colorname c%d not recognized").
TEST(MapMisuse, NoNameReachesGmtAsAnOptionOrSuffix) {
    const TempDir work;
    writeFile(work / "results", "notes\n");
    for (const std::string name : {"results=nf", "my out", "what?", "-dash"}) {
        SCOPED_TRACE(name);
        const auto run = runMap({"area", kData, "-o", "./" + name, "-R", "125/150/25/48", "--step",
                                 "2.5", "--hours", "0", "--format", "both"},
                                work.path());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(entries(work / name),
                  (std::vector<std::string>{"area.csv", "area.json", "field-00.nc", "field.nc",
                                            "map-00.png"}));
    }
    writeFile(work / "p.csv",
              "a,35,139\nb@%,36,140\nc+x@,34,135\nd,33,130\ne@;c%d,32,131\nf\\101,31,132\n");
    // a home of its own: gmt's sessions would be in its .gmt (other runs share the real one)
    fs::create_directories(work / "home");
    const auto points =
        fieldcast::testing::runProgram("env",
                                       {"HOME=" + (work / "home").string(), FIELDCAST_MAP_EXE,
                                        "points", kData, "-o", "pts", "--points", "p.csv"},
                                       work.path());
    EXPECT_EQ(points.status, 0) << points.err;
    EXPECT_EQ(points.err, "");  // no word from gmt on the names
    EXPECT_FALSE(fs::exists(work / "home" / ".gmt" / "sessions"));
    EXPECT_TRUE(fs::exists(work / "pts" / "diurnal.png"));
    EXPECT_EQ(readFile(work / "results"), "notes\n");
    EXPECT_EQ(entries(work.path()),
              (std::vector<std::string>{"-dash", "home", "my out", "p.csv", "pts", "results",
                                        "results=nf", "what?"}));
}

// Fault: two runs started together into one new folder both passed the check and both exited
// 0, and points.csv matched neither.
TEST(MapMisuse, OfTwoRunsIntoOneFolderOneIsRefused) {
    const TempDir work;
    const auto solo =
        runMap({"points", kData, "-o", "solo", "--no-plot", "--month", "1"}, work.path());
    ASSERT_EQ(solo.status, 0) << solo.err;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string out = "out" + std::to_string(attempt);
        auto first = std::async(std::launch::async, [&] {
            return runMap({"points", kData, "-o", out, "--no-plot", "--month", "1"}, work.path());
        });
        const auto second =
            runMap({"points", kData, "-o", out, "--no-plot", "--month", "7"}, work.path());
        const auto one = first.get();
        EXPECT_EQ(std::min(one.status, second.status), 0) << one.err << second.err;
        EXPECT_EQ(std::max(one.status, second.status), 2) << one.err << second.err;
        if (one.status == 0) {
            EXPECT_EQ(readFile(work / out / "points.csv"), readFile(work / "solo" / "points.csv"));
        } else {
            EXPECT_NE(one.err.find("already holds files"), std::string::npos) << one.err;
        }
    }
}

// Fault: a run whose standard output could not be written (a full disk) exited 0.
TEST(MapMisuse, AnUnwritableStandardOutputFailsTheRun) {
    const TempDir work;
    const auto run = fieldcast::testing::runProgram(
        "/bin/sh",
        {"-c", std::string("exec ") + FIELDCAST_MAP_EXE + " points " + kData +
                   " -o out --no-plot >/dev/full"},
        work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard output: write failed"), std::string::npos) << run.err;
}

// A result that cannot be written whole (a full disk) fails the run by its name and is not
// left behind in part.
// Fault: contours.geojson and the KML files were left cut at the limit and the run exited 0
// (GDAL's vector drivers do not report a failed write); a netCDF file whose close failed was
// reported, then HDF5's exit handler crashed the run (SIGSEGV); the messages named the files
// inside the run's work entry (out/.fieldcast-map-run/field.nc).
TEST(MapMisuse, AFailedWriteNamesTheFileAndLeavesNoPartOfIt) {
    struct Case {
        const char* format;
        const char* area;  // region and step
        const char* file;
    };
    // files above the limit cannot grow (as on a full disk); SIGXFSZ ignored, so the write
    // fails; each result is larger than the limit, netCDF's by its last flush at the close
    for (const Case& c :
         {Case{"csv", "125/150/25/48 --step 0.5", "area.csv"},
          Case{"grid", "100/180/0/60 --step 0.25 --hours 0,6,12", "field.nc"},
          Case{"geotiff", "100/180/0/60 --step 0.25 --hours 0,6,12", "field.tif"},
          Case{"geojson", "100/180/0/60 --step 0.25 --hours 0,6,12", "contours.geojson"},
          Case{"kml", "100/180/0/60 --step 0.25 --hours 0,6,12", "contours.kml"}}) {
        SCOPED_TRACE(c.format);
        const TempDir work;
        const auto run = fieldcast::testing::runProgram(
            "/bin/sh",
            {"-c", std::string(c.format == std::string("csv") ? "ulimit -f 50" : "ulimit -f 200") +
                       "; trap '' XFSZ; exec " + FIELDCAST_MAP_EXE + " area " + kData +
                       " -o out -R " + c.area + " --no-maps --format " + c.format},
            work.path());
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(std::string("out/") + c.file + ": "), std::string::npos) << run.err;
        EXPECT_EQ(entries(work / "out"), std::vector<std::string>{"INCOMPLETE.txt"});
        EXPECT_NE(readFile(work / "out" / "INCOMPLETE.txt").find(std::string("  ") + c.file),
                  std::string::npos);
    }
}

// Point lists that were misread, lost a point or hung; each with its status and message.
TEST(MapMisuse, PointListsAreReadByTheirHeaderOrRefusedByLine) {
    struct Case {
        const char* what;
        std::string csv;
        std::vector<std::string> extra;
        int status;
        const char* message;  // on standard error; for status 0 the first point's name
    };
    const std::vector<Case> cases = {
        // Fault: a first row with an unreadable latitude was taken as a header and dropped.
        {"nan row", "a,nan,139\nb,35,139\n", {}, 1, "p.csv:1: latitude and longitude"},
        {"1e400 row", "a,1e400,139\nb,35,139\n", {}, 1, "p.csv:1: latitude"},
        {"text row", "name,lat,lon\nb,35,139\n", {}, 1, "a header must name the columns"},
        // Fault: a byte-order mark was "not valid UTF-8".
        {"mark",
         "\xEF\xBB\xBF"
         "a,35,139\n",
         {},
         0,
         "a"},
        {"mark and header", "\xEF\xBB\xBFpointName,latDeg,lonDeg\nb,35,139\n", {}, 0, "b"},
        {"any order", "lonDeg,note,latDeg,pointName\n139,x,35,c\n", {}, 0, "c"},
        {"missing column", "pointName,latDeg\na,35\n", {}, 2, "no column lonDeg"},
        // Fault: a header that named a column twice had its first one taken, silently: the
        // points could stand where the other column put them
        {"column named twice",
         "pointName,latDeg,lonDeg,latDeg\na,35,139,36\n",
         {},
         2,
         "p.csv:1: the header names the column latDeg twice (columns 2 and 4)"},
        // Fault: a NUL byte in a name went raw into points.csv.
        {"NUL", std::string("a\0b,35,139\n", 11), {}, 1, "p.csv:1: the point name holds a control"},
        {"tab", "ok,35,139\na\tb,35,139\n", {}, 1, "p.csv:2: the point name holds a control"},
        {"no Shift-JIS", "Krak\xC3\xB3w,35,139\n", {}, 0, "Krak\xC3\xB3w"},
        {"no Shift-JIS, reports",
         "x,35,139\nM\xC3\xBCnchen,48,11\n",
         {"--reports"},
         1,
         "p.csv:2: the point name \"M\xC3\xBCnchen\" has no Shift-JIS form"},
        // Fault: a quote left open, or a line end inside a quoted name, was refused as "expected
        // 3 fields (pointName,latDeg,lonDeg), got 1".
        {"quote left open", "a,35,139\n\"b,35,139\n", {}, 1, "p.csv:2: a quoted field is not"},
        {"line end in a name", "\"a\nb\",35,139\n", {}, 1, "p.csv:1: a quoted field is not"},
        {"long line",
         "a,35,139\n" + std::string(70000, 'x') + ",35,139\n",
         {},
         1,
         "a line longer than 65536 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir work;
        writeFile(work / "p.csv", c.csv);
        std::vector<std::string> args{"points",    kData,      "-o",   "out",
                                      "--no-plot", "--points", "p.csv"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto run = runMap(args, work.path());
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status == 0) {
            const auto rows = maptest::readCsv(work / "out" / "points.csv");
            ASSERT_GT(rows.size(), 1U);
            EXPECT_EQ(rows[1][1], c.message);
        } else {
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        }
    }
}

// Fault: --points /dev/zero grew by a gigabyte a second and a FIFO hung the run.
TEST(MapMisuse, AListThatIsNoRegularFileIsRefusedAtOnce) {
    const TempDir work;
    ASSERT_EQ(mkfifo((work / "fifo").c_str(), 0600), 0);
    for (const std::string list : {"/dev/zero", "fifo"}) {
        const auto run = fieldcast::testing::runProgram(
            "timeout",
            {"20", FIELDCAST_MAP_EXE, "points", kData, "-o", "out", "--no-plot", "--points", list},
            work.path());
        EXPECT_EQ(run.status, 2) << list << ": " << run.err;
        EXPECT_NE(run.err.find("is not a regular file"), std::string::npos) << run.err;
    }
}

// Fault: every point of a list was held in memory (ten million took about 12 GB). A list four
// times as long must take no more memory: holding 150,000 more points would take about
// 180 MB more; AddressSanitizer's allocator alone adds some 50 MB over such a run.
TEST(MapMisuse, APointListIsReadInBlocks) {
    const TempDir work;
    long peakKb[2] = {0, 0};
    for (const int count : {50000, 200000}) {
        std::string csv;
        for (int i = 0; i < count; ++i) {
            csv += "point" + std::to_string(i) + "," + std::to_string(30 + (i % 1000) * 0.01) +
                   "," + std::to_string(130 + (i / 1000) * 0.01) + "\n";
        }
        writeFile(work / "p.csv", csv);
        const std::string out = "out" + std::to_string(count);
        // a small quarantine, so that a build with AddressSanitizer measures what is held
        const auto run = fieldcast::testing::runProgram(
            "env",
            {"ASAN_OPTIONS=quarantine_size_mb=1", FIELDCAST_MAP_EXE, "points", kData, "-o", out,
             "--no-plot", "--format", "none", "--points", "p.csv"},
            work.path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(std::to_string(count) + " points"), std::string::npos) << run.out;
        struct rusage usage {};
        getrusage(RUSAGE_CHILDREN, &usage);  // the largest child so far
        peakKb[count == 50000 ? 0 : 1] = usage.ru_maxrss;
    }
    EXPECT_LT(peakKb[1], peakKb[0] + 80 * 1024) << peakKb[0] << " kB, then " << peakKb[1];
}

// Fault: an interrupted run left area.csv cut inside a line, nothing to say it was partial, its
// scratch folder and gmt's sessions.
TEST(MapMisuse, AnInterruptedRunLeavesCompleteFilesAndANote) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const TempDir work;
        fs::create_directories(work / "tmp");
        const std::string out = (work / "out").string();
        const pid_t pid = maptest::spawnWithTmpDir(
            {FIELDCAST_MAP_EXE, "area", kData, "-o", out, "-R", "100/180/0/60", "--step", "0.04",
             "--format", "both", "--no-progress"},
            work / "tmp");
        ASSERT_GT(pid, 0);
        // the grid takes tens of seconds: stop it once it has begun to write area.csv
        for (int i = 0; i < 300 && !fs::exists(fs::path(out) / ".fieldcast-map-run" / "area.csv");
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, signal);
        EXPECT_EQ(maptest::waitForExit(pid), 128 + signal);
        EXPECT_EQ(entries(out), std::vector<std::string>{"INCOMPLETE.txt"});
        const std::string note = readFile(fs::path(out) / "INCOMPLETE.txt");
        EXPECT_NE(note.find(signal == SIGINT ? "interrupted (SIGINT)" : "terminated (SIGTERM)"),
                  std::string::npos)
            << note;
        EXPECT_NE(note.find("  area.csv\n"), std::string::npos) << note;
        EXPECT_NE(note.find("  map-23.png\n"), std::string::npos) << note;
        EXPECT_TRUE(entries(work / "tmp").empty());  // the scratch folder and gmt's sessions
    }
}

}  // namespace
