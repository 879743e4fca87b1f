// Catalogue of bad inputs: each row of catalogue.tsv edits the base fixture files, runs the
// built fieldcast and states the exit status, the console's last line and what the report
// holds. The rows and their notation are described at the head of catalogue.tsv.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "fixture_run.h"

namespace {

using namespace fieldcast::e2e;

struct FileEdit {
    std::string file;
    std::string content;
};

struct CatalogueRow {
    std::string name;
    int status = 0;
    std::string console;
    std::string report;
    std::vector<FileEdit> edits;
};

void PrintTo(const CatalogueRow& row, std::ostream* out) { *out << row.name; }

// \n \r \t \\ and \xHH escapes, and {count*text} for text repeated count times.
std::string unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '{') {
            const std::size_t star = field.find('*', i);
            const std::size_t close = field.find('}', i);
            const std::size_t count = std::stoul(field.substr(i + 1, star - i - 1));
            const std::string text = unescape(field.substr(star + 1, close - star - 1));
            for (std::size_t k = 0; k < count; ++k) out += text;
            i = close;
        } else if (c == '\\' && i + 1 < field.size()) {
            const char e = field[++i];
            if (e == 'n') {
                out += '\n';
            } else if (e == 'r') {
                out += '\r';
            } else if (e == 't') {
                out += '\t';
            } else if (e == 'x') {
                out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += e;
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::vector<CatalogueRow> readCatalogue() {
    std::vector<CatalogueRow> rows;
    std::ifstream in(FIELDCAST_CATALOGUE);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = splitTabs(line);
        CatalogueRow row;
        row.name = fields.at(0);
        row.status = std::stoi(fields.at(1));
        row.console = fields.at(2);
        row.report = fields.at(3);
        for (std::size_t i = 4; i + 1 < fields.size(); i += 2) {
            row.edits.push_back({fields[i], fields[i + 1]});
        }
        if (fields.size() % 2 != 0) row.edits.push_back({fields.back(), ""});
        rows.push_back(row);
    }
    return rows;
}

std::string toCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The file cut in the middle of a number near its middle, as an interrupted copy leaves it.
std::string cutInsideNumber(const std::string& text) {
    for (std::size_t i = text.size() / 2; i + 1 < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i - 1])) &&
            (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
            return text.substr(0, i);
        }
    }
    ADD_FAILURE() << "no number to cut";
    return text;
}

void applyEdit(const fs::path& dir, const FileEdit& edit) {
    const fs::path path = dir / edit.file;
    if (edit.file == "*") {  // every input file
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::string bytes = readFile(entry.path());
            if (edit.content == "<crlf>" || edit.content == "<bom+crlf>") bytes = toCrLf(bytes);
            if (edit.content == "<bom>" || edit.content == "<bom+crlf>") {
                bytes = "\xEF\xBB\xBF" + bytes;
            }
            writeFile(entry.path(), bytes);
        }
    } else if (edit.content == "<absent>") {
        fs::remove(path);
    } else if (edit.content == "<cut>") {
        writeFile(path, cutInsideNumber(readFile(path)));
    } else if (edit.content == "<link /dev/full>") {
        fs::remove(path);
        fs::create_symlink("/dev/full", path);
    } else if (edit.content == "<fifo>") {
        fs::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    } else if (edit.content == "<folder>") {
        fs::remove(path);
        fs::create_directory(path);
    } else if (edit.content == "<full disk>") {
        // the run is made with no room for files to grow (runRow): nothing to prepare
    } else {
        writeFile(path, unescape(edit.content));
    }
}

// The base run's console and report, which most rows are measured against.
struct BaseRun {
    std::string console;
    std::string report;
    std::string header;  // the report up to its column line
};

const BaseRun& baseRun() {
    static const BaseRun base = [] {
        const FixtureCopy work;
        const FieldcastRun run = runFieldcastIn(work.path());
        BaseRun result{run.console, run.report.value_or(""), ""};
        const std::size_t hourLines = result.report.find("  0:00\t");
        result.header = result.report.substr(0, hourLines);
        return result;
    }();
    return base;
}

std::string lastLine(const std::string& text) {
    if (text.empty()) return "";
    const std::size_t end = text.back() == '\n' ? text.size() - 1 : text.size();
    const std::size_t start = text.rfind('\n', end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

std::size_t countLines(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        if (text.substr(start, end - start).find(part) != std::string::npos) ++count;
    }
    return count;
}

void expectReport(const CatalogueRow& row, const std::optional<std::string>& report) {
    const BaseRun& base = baseRun();
    const std::string& expected = row.report;
    if (expected == "-") return;  // the report is a link to /dev/full
    ASSERT_TRUE(report.has_value()) << "no report";
    if (expected == "empty") {
        EXPECT_EQ(*report, "");
    } else if (expected == "header") {
        EXPECT_EQ(*report, base.header);
    } else if (expected == "base") {
        EXPECT_EQ(*report, base.report);
    } else if (expected.starts_with("base-named:")) {
        // the base report with the title's name replaced
        const std::string name = unescape(expected.substr(11));
        const std::string baseName = "\x8D\x4C\x93\x87";  // the fixture's name
        std::string wanted = base.report;
        wanted.replace(wanted.find(baseName), baseName.size(), name);
        EXPECT_EQ(*report, wanted);
    } else if (expected == "24-hours") {
        // a report of another prediction: the header, then one line per hour
        EXPECT_EQ(countLines(*report, ":00\t      "), 24u);
        EXPECT_TRUE(lastLine(*report).starts_with(" 23:00\t")) << lastLine(*report);
    } else {
        ADD_FAILURE() << "unknown report kind " << expected;
    }
}

class Catalogue : public ::testing::TestWithParam<CatalogueRow> {};

// fieldcast in `dir` where no file can grow (as on a full disk): its console goes through a
// pipe, which the limit does not touch.
FieldcastRun runOnFullDisk(const fs::path& dir) {
    const fieldcast::testing::RunResult run = fieldcast::testing::runProgram(
        "/bin/sh",
        {"-c", "{ (trap '' XFSZ; ulimit -f 0; exec \"$0\"); echo $? >.status; } | cat",
         fieldcast::testing::fieldcastExe()},
        dir);
    return {std::stoi(readFile(dir / ".status")), run.out, run.err, std::nullopt};
}

TEST_P(Catalogue, StatusConsoleAndReport) {
    const CatalogueRow& row = GetParam();
    const FixtureCopy work;
    for (const FileEdit& edit : row.edits) applyEdit(work.path(), edit);
    const bool fullDisk = std::any_of(row.edits.begin(), row.edits.end(),
                                      [](const FileEdit& e) { return e.content == "<full disk>"; });
    const FieldcastRun run = fullDisk ? runOnFullDisk(work.path()) : runFieldcastIn(work.path());
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.errors, "");
    if (row.console == "base") {
        EXPECT_EQ(run.console, baseRun().console);
    } else {
        EXPECT_EQ(lastLine(run.console), unescape(row.console));
    }
    // a refusal is the one line of its kind; a complete run has none
    EXPECT_EQ(countLines(run.console, " !!"), row.status == 0 ? 0u : 1u);
    expectReport(row, run.report);
    // no value that is not a number reaches the user from any of these inputs
    std::vector<std::string> outputs{run.console};
    if (run.report) outputs.push_back(*run.report);
    for (const std::string& text : outputs) {
        std::string lower(text);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_EQ(lower.find("nan"), std::string::npos);
        EXPECT_EQ(lower.find("inf"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(BadInputs, Catalogue, ::testing::ValuesIn(readCatalogue()),
                         [](const auto& info) { return info.param.name; });

}  // namespace

namespace fieldcast::e2e {
namespace {

// Fault: console lines that could not be written (standard output on a full disk) were
// a complete run, status 0.
TEST(ConsoleOutput, AFullStandardOutputEndsTheRunWithStatus1) {
    const FixtureCopy work;
    const testing::RunResult run = testing::runProgram(
        "/bin/sh", {"-c", "exec \"$0\" >/dev/full", testing::fieldcastExe()}, work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "fieldcast: standard output cannot be written\n");
}

}  // namespace
}  // namespace fieldcast::e2e
