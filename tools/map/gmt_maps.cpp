#include "gmt_maps.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>

#include "output_files.h"

extern char** environ;

namespace fieldcast::map {

namespace {

// Spawns argv in workDir with extra environment entries; returns the exit status (-1 when it
// could not start). With `messageLog`, standard output and error go to that file; `peakKb`
// gets the child's largest resident size.
int spawnAndWait(const std::vector<std::string>& argv, const std::filesystem::path& workDir,
                 const std::vector<std::string>& extraEnv, bool quiet,
                 const std::filesystem::path* messageLog = nullptr, long* peakKb = nullptr) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "GMT_SESSION_NAME=", 17) != 0 &&
            std::strncmp(*e, "GMT_USERDIR=", 12) != 0 &&
            std::strncmp(*e, "HDF5_USE_FILE_LOCKING=", 22) != 0) {
            env.emplace_back(*e);
        }
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    // the sessions in the process's scratch folder, which an interrupted run removes. gmt keeps
    // a session's folder name in 256 bytes: under a TMPDIR of some 200 characters it made a cut
    // name beside the scratch folder and drew nothing, yet exited 0. Named from gmt's working
    // folder (a scratch folder beside it), the path stays short however deep TMPDIR lies.
    const std::filesystem::path userDir = gmtUserDir();
    const std::filesystem::path fromWorkDir = userDir.lexically_relative(workDir);
    env.push_back("GMT_USERDIR=" + (fromWorkDir.empty() ? userDir : fromWorkDir).string());
    // A gmt started while another worker writes its netCDF grid inherits that file's lock
    // (the library opens it without close-on-exec) and holds it while it runs: the gmt that
    // then reads the finished grid would find it locked, fall back to another reader and
    // misread or crash. The grids are whole before gmt reads them; no lock is needed.
    env.push_back("HDF5_USE_FILE_LOCKING=FALSE");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (messageLog != nullptr) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, messageLog->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    } else if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    } else {
        // gmt's chatter would mix with our own output: its messages go to stderr only
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    }
    // the child takes the interrupts, SIGXFSZ and SIGPIPE as a program normally does (this
    // process blocks the first and ignores the others)
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (const int signal : kInterruptSignals) sigaddset(&signals, signal);
    sigaddset(&signals, SIGXFSZ);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int rc = 0;
    {
        std::lock_guard<std::mutex> lock(runLock());  // an interrupted run stops it
        rc = posix_spawnp(&pid, argp[0], &actions, &attributes, argp.data(), envp.data());
        if (rc == 0) addChild(pid);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) return -1;
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) break;
    }
    {
        std::lock_guard<std::mutex> lock(runLock());
        removeChild(pid);
    }
    if (peakKb != nullptr) *peakKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A palette that stays apart on white: one colour per curve of a plot.
constexpr const char* kCurveColours[] = {"31/119/180",  "255/127/14", "44/160/44",   "214/39/40",
                                         "148/103/189", "140/86/75",  "227/119/194", "127/127/127",
                                         "188/189/34",  "23/190/207", "0/0/0",       "255/215/0"};

// A modern-mode session: "gmt begin" on construction; "gmt end" (which writes the picture)
// by finish(), or, when a step failed, on destruction so that no session is left open.
class GmtSession {
  public:
    GmtSession(const std::string& pictureBase, const std::filesystem::path& workDir,
               std::string name)
        : workDir_(workDir), picture_(pictureBase + ".png"), name_(std::move(name)) {
        runGmt({"begin", pictureBase, "png", "E150"}, workDir_, name_);
    }
    ~GmtSession() {
        if (!finished_) {
            spawnAndWait({"gmt", "end"}, workDir_, {"GMT_SESSION_NAME=" + name_}, true);
        }
    }
    GmtSession(const GmtSession&) = delete;
    GmtSession& operator=(const GmtSession&) = delete;
    // gmt can end a session with status 0 and no picture (a session folder it could not make):
    // that is gmt's failure, not a write of ours
    void finish() {
        finished_ = true;
        runGmt({"end"}, workDir_, name_);
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(workDir_ / picture_, ignored)) {
            throw GmtError("gmt end exited 0 but made no picture " + picture_ + " (session " +
                           name_ + ")");
        }
    }

  private:
    std::filesystem::path workDir_;
    std::string picture_;
    std::string name_;
    bool finished_ = false;
};

// A file that gmt makes or reads in its working folder: a plain name, so that no character of
// a folder's name reaches gmt.
std::string plainName(const std::filesystem::path& file) { return file.filename().string(); }

}  // namespace

std::vector<std::string> paletteCommand(double minDb, double maxDb, const std::string& output) {
    // -M: under and over the scale, the colours of COLOR_BACKGROUND and COLOR_FOREGROUND
    std::vector<std::string> args{"makecpt",
                                  "-Cturbo",
                                  "-T" + gmtNumber(minDb) + "/" + gmtNumber(maxDb) + "/" +
                                      gmtNumber(colourBandDb(minDb, maxDb)),
                                  "-M",
                                  "-Fr",
                                  std::string("--COLOR_BACKGROUND=") + kBelowScaleColour,
                                  std::string("--COLOR_FOREGROUND=") + kAboveScaleColour};
    if (!output.empty()) args.push_back("->" + output);
    return args;
}

std::string GridGeometry::region() const {
    return "-R" + gmtNumber(lonMinDeg) + "/" + gmtNumber(lonMaxDeg()) + "/" + gmtNumber(latMinDeg) +
           "/" + gmtNumber(latMaxDeg());
}

std::string GridGeometry::increment() const { return "-I" + gmtNumber(stepDeg); }

double colourBandDb(double minDb, double maxDb) {
    const double span = maxDb - minDb;
    return span > 100.0 ? 10.0 : span > 20.0 ? 5.0 : 1.0;
}

double colourBarLabelStepDb(double minDb, double maxDb) {
    const double band = colourBandDb(minDb, maxDb);
    double step = 2.0 * band;
    for (const double bands : {5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0}) {
        if ((maxDb - minDb) / step <= 10.0) break;
        step = bands * band;
    }
    return step;
}

std::string gmtNumber(double value, int significantDigits) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*g", significantDigits, value);
    return buffer;
}

bool gmtAvailable() {
    // in the root folder: the working folder may have been removed under the run
    return spawnAndWait({"gmt", "--version"}, "/", {}, true) == 0;
}

void runGmt(const std::vector<std::string>& args, const std::filesystem::path& workDir,
            const std::string& session) {
    std::vector<std::string> argv{"gmt"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (spawnAndWait(argv, workDir, {"GMT_SESSION_NAME=" + session}, false) != 0) {
        std::string line;
        for (const std::string& a : argv) line += (line.empty() ? "" : " ") + a;
        throw GmtError("failed: " + line);
    }
}

int runGmtLogged(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const std::string& session, const std::filesystem::path& messageLog,
                 long* peakKb) {
    std::vector<std::string> argv{"gmt"};
    argv.insert(argv.end(), args.begin(), args.end());
    return spawnAndWait(argv, workDir, {"GMT_SESSION_NAME=" + session}, false, &messageLog, peakKb);
}

void drawCoverageMap(const std::filesystem::path& gridFile, const GridGeometry& grid,
                     const CoverageMapStyle& style, const std::filesystem::path& pngFile,
                     const std::filesystem::path& scratchDir, const std::string& session) {
    const std::string base = std::filesystem::path(plainName(pngFile)).replace_extension().string();
    const std::string gridPath = plainName(gridFile);
    const std::string contours = session + "-contours.txt";
    const std::string transmitter = session + "-tx.txt";
    {
        std::ofstream out(scratchDir / contours);
        for (double level : style.contourLevelsDb) out << gmtNumber(level) << " A\n";
        std::ofstream tx(scratchDir / transmitter);
        tx << gmtNumber(style.txLonDeg) << ' ' << gmtNumber(style.txLatDeg) << '\n';
        out.close();
        tx.close();
        if (!out || !tx) throw OutputError(scratchDir.string() + ": write failed");
    }
    const double tick = colourBandDb(style.colourMinDb, style.colourMaxDb);
    const double labelStep = colourBarLabelStepDb(style.colourMinDb, style.colourMaxDb);
    GmtSession picture(base, scratchDir, session);
    runGmt({"set", "MAP_FRAME_TYPE", "plain", "FONT_TITLE", "13p", "FONT_LABEL", "10p",
            "FONT_ANNOT_PRIMARY", "9p"},
           scratchDir, session);
    runGmt(paletteCommand(style.colourMinDb, style.colourMaxDb), scratchDir, session);
    std::string frame = "-B+t" + style.title;
    if (!style.subtitle.empty()) frame += "+s" + style.subtitle;
    runGmt({"basemap", grid.region(), "-JM16c", "-Baf", frame, "--FONT_SUBTITLE=9p"}, scratchDir,
           session);
    runGmt({"grdimage", gridPath, "-Q"}, scratchDir, session);  // -Q: no value, no paint
    if (!style.terminatorUtc.empty()) {
        // the day/night terminator (sunrise and sunset at sea level) as a dashed line
        runGmt({"solar", "-Td+d" + style.terminatorUtc, "-W1.2p,gray10,-"}, scratchDir, session);
    }
    if (!style.contourLevelsDb.empty()) {
        runGmt({"grdcontour", gridPath, "-C" + contours, "-A+f8p", "-W0.8p,black", "-S4"},
               scratchDir, session);
    }
    runGmt({"coast", "-Dl", "-A500", "-W0.5p,gray15", "-N1/0.3p,gray35"}, scratchDir, session);
    runGmt({"plot", transmitter, "-Sa0.5c", "-Gred", "-W0.6p,black"}, scratchDir, session);
    // the triangles: the colours of values under and over the scale
    runGmt({"colorbar", "-DJBC+o0/0.8c+w12c/0.35c+e",
            "-Bxa" + gmtNumber(labelStep) + "f" +
                gmtNumber(labelStep == 2 * tick ? tick : labelStep / 2),
            "-By+ldB(uV/m)"},
           scratchDir, session);
    picture.finish();
    std::filesystem::remove(scratchDir / contours);
    std::filesystem::remove(scratchDir / transmitter);
}

std::string diurnalNoLineNote(const DiurnalCurve& curve) {
    if (!curve.noValueReason.empty()) return curve.noValueReason;
    const auto& values = curve.fieldDb;
    if (std::any_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); })) {
        return "";
    }
    return std::any_of(values.begin(), values.end(), [](double v) { return v == INFINITY; })
               ? "at the transmitter, infinite"
               : "no finite value";
}

void drawDiurnalPlot(const std::vector<DiurnalCurve>& curves, const std::string& title,
                     const std::string& subtitle, const std::string& hourAxisLabel,
                     const std::filesystem::path& pngFile, const std::filesystem::path& scratchDir,
                     const std::string& session) {
    double low = INFINITY;
    double high = -INFINITY;
    bool wholeHours = true;
    for (const DiurnalCurve& c : curves) {
        for (double v : c.fieldDb) {
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        for (double x : c.hourOfDay) wholeHours = wholeHours && x == std::floor(x);
    }
    if (!std::isfinite(low)) {  // no point within the method: an empty frame
        low = 0.0;
        high = 100.0;
    }
    low = std::floor(low / 10.0) * 10.0 - 5.0;
    high = std::ceil(high / 10.0) * 10.0 + 5.0;
    const std::string base = std::filesystem::path(plainName(pngFile)).replace_extension().string();
    const std::string legend = session + "-legend.txt";
    // '@' starts gmt's escapes, and gmt reads "@;colour;" even after "@@": '@' and the
    // backslash go in as octal codes, which gmt turns into the characters when it draws them
    const auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text) {
            out += c == '@'    ? std::string("\\100")
                   : c == '\\' ? std::string("\\134")
                               : std::string(1, c);
        }
        return out;
    };
    GmtSession picture(base, scratchDir, session);
    runGmt({"set", "FONT_TITLE", "13p", "FONT_LABEL", "10p", "FONT_ANNOT_PRIMARY", "9p",
            "MAP_GRID_PEN_PRIMARY", "0.25p,gray75"},
           scratchDir, session);
    runGmt({"basemap",
            "-R0/" + std::string(wholeHours ? "23" : "24") + "/" + gmtNumber(low) + "/" +
                gmtNumber(high),
            "-JX14c/10c", "-Bxa2f1g1+l" + hourAxisLabel, "-Bya10f5g10+lfield strength (dB(uV/m))",
            "-BWSen+t" + title + "+s" + subtitle, "--FONT_SUBTITLE=9p"},
           scratchDir, session);
    std::ofstream entries(scratchDir / legend);
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const std::string colour = kCurveColours[i % std::size(kCurveColours)];
        const DiurnalCurve& curve = curves[i];
        if (const std::string note = diurnalNoLineNote(curve); !note.empty()) {
            entries << "L 9p,Helvetica L " << escaped(curve.label + ": " + note) << '\n';
            continue;
        }
        entries << "S 0.35c - 0.6c - 1.4p," << colour << " 0.8c " << escaped(curve.label) << '\n';
        std::vector<std::pair<double, double>> values;
        for (std::size_t k = 0; k < curve.fieldDb.size(); ++k)
            values.emplace_back(curve.hourOfDay[k], curve.fieldDb[k]);
        std::sort(values.begin(), values.end());
        const std::string data = session + "-curve.txt";
        {
            std::ofstream out(scratchDir / data);
            out << ">\n";
            for (const auto& [x, v] : values) {
                if (std::isfinite(v)) {
                    out << gmtNumber(x) << ' ' << gmtNumber(v) << '\n';
                } else {
                    out << ">\n";  // a gap
                }
            }
        }
        runGmt({"plot", data, "-W1.2p," + colour}, scratchDir, session);
        std::filesystem::remove(scratchDir / data);
    }
    entries.close();
    if (!entries) throw OutputError((scratchDir / legend).string() + ": write failed");
    runGmt({"legend", legend, "-DJMR+o0.3c/0+jML+w6.5c", "-F+p0.5p,gray50+gwhite"}, scratchDir,
           session);
    picture.finish();
    std::filesystem::remove(scratchDir / legend);
}

}  // namespace fieldcast::map
