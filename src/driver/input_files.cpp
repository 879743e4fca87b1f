#include "driver/input_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fieldcast {

namespace {

// Closes the file on every path out of a reader.
struct InputFile {
    std::FILE* handle;
    explicit InputFile(const char* name) : handle(openInputFile(name)) {}
    ~InputFile() {
        if (handle != nullptr) std::fclose(handle);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
};

ReadOutcome cannotOpen(const char* name) {
    std::printf("%s cannot open !!\n", name);
    return ReadOutcome::cannotOpen;
}

ReadOutcome noReadableValue(const char* name) {
    std::printf("%s has no readable value !!\n", name);
    return ReadOutcome::unreadable;
}

ReadOutcome notAllowed(const char* name, const AllowedValues& allowed) {
    if (allowed.lowestAllowed) {
        std::printf("%s must hold %s from %g to %g !!\n", name, allowed.what, allowed.lowest,
                    allowed.highest);
    } else {
        std::printf("%s must hold %s above %g !!\n", name, allowed.what, allowed.lowest);
    }
    return ReadOutcome::unreadable;
}

// Shift-JIS lead bytes of two-byte characters.
bool isSjisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }

// Longest number text scanNumber takes; a longer one is no number a person wrote.
constexpr std::size_t kMaxNumberText = 128;

}  // namespace

bool allows(const AllowedValues& allowed, double value) {
    const bool aboveLowest =
        allowed.lowestAllowed ? value >= allowed.lowest : value > allowed.lowest;
    return aboveLowest && value <= allowed.highest;
}

std::FILE* openInputFile(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "r");
    if (file == nullptr) return nullptr;
    const int first = std::fgetc(file);
    if (first != 0xEF) {
        if (first != EOF) std::ungetc(first, file);
        return file;
    }
    // Three bytes cannot be pushed back; an input file is a plain file, so start over.
    if (std::fgetc(file) != 0xBB || std::fgetc(file) != 0xBF) std::rewind(file);
    return file;
}

bool scanNumber(std::FILE* file, double& value) {
    char text[kMaxNumberText + 1];
    std::size_t length = 0;
    bool tooLong = false;
    auto keep = [&](int c) {
        if (length < kMaxNumberText) {
            text[length++] = static_cast<char>(c);
        } else {
            tooLong = true;
        }
    };
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) c = std::fgetc(file);
    if (c == '+' || c == '-') {
        keep(c);
        c = std::fgetc(file);
    }
    bool mantissaDigits = false;
    for (; isDigit(c); c = std::fgetc(file)) {
        keep(c);
        mantissaDigits = true;
    }
    if (c == '.') {
        keep(c);
        for (c = std::fgetc(file); isDigit(c); c = std::fgetc(file)) {
            keep(c);
            mantissaDigits = true;
        }
    }
    bool complete = mantissaDigits;
    if (complete && (c == 'e' || c == 'E')) {
        keep(c);
        c = std::fgetc(file);
        if (c == '+' || c == '-') {
            keep(c);
            c = std::fgetc(file);
        }
        bool exponentDigits = false;
        for (; isDigit(c); c = std::fgetc(file)) {
            keep(c);
            exponentDigits = true;
        }
        complete = exponentDigits;
    }
    if (c != EOF) std::ungetc(c, file);
    if (!complete || tooLong) return false;
    text[length] = '\0';
    const double scanned = std::strtod(text, nullptr);
    if (!std::isfinite(scanned)) return false;
    value = scanned;
    return true;
}

ReadOutcome readParameter(const char* fileName, double& field) {
    InputFile file(fileName);
    if (file.handle == nullptr) return cannotOpen(fileName);
    if (!scanNumber(file.handle, field)) return noReadableValue(fileName);
    return ReadOutcome::ok;
}

ReadOutcome readParameter(const char* fileName, std::int32_t& field) {
    InputFile file(fileName);
    if (file.handle == nullptr) return cannotOpen(fileName);
    int value = 0;
    if (std::fscanf(file.handle, "%3d", &value) != 1) return noReadableValue(fileName);
    field = value;
    return ReadOutcome::ok;
}

ReadOutcome readParameterInRange(const char* fileName, double& field,
                                 const AllowedValues& allowed) {
    double value = 0.0;
    const ReadOutcome outcome = readParameter(fileName, value);
    if (outcome != ReadOutcome::ok) return outcome;
    if (!allows(allowed, value)) return notAllowed(fileName, allowed);
    field = value;
    return ReadOutcome::ok;
}

ReadOutcome readParameterInRange(const char* fileName, std::int32_t& field, int low, int high,
                                 const char* allowedText) {
    const ReadOutcome outcome = readParameter(fileName, field);
    if (outcome != ReadOutcome::ok) return outcome;
    if (field < low || field > high) {
        std::printf("%s must hold %s !!\n", fileName, allowedText);
        return ReadOutcome::unreadable;
    }
    return ReadOutcome::ok;
}

ReadOutcome readNumberFile(const char* fileName, const char* openMessageName,
                           std::span<double> cells) {
    InputFile file(fileName);
    if (file.handle == nullptr) return cannotOpen(openMessageName);
    for (double& cell : cells) {
        if (!scanNumber(file.handle, cell)) {
            std::printf("%s has fewer than %zu readable values !!\n", fileName, cells.size());
            return ReadOutcome::unreadable;
        }
    }
    return ReadOutcome::ok;
}

ReadOutcome readAxisFile(const char* fileName, std::span<double> cells, bool ascending) {
    const ReadOutcome outcome = readNumberFile(fileName, fileName, cells);
    if (outcome != ReadOutcome::ok) return outcome;
    for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
        const bool inOrder = ascending ? cells[i] < cells[i + 1] : cells[i] > cells[i + 1];
        if (!inOrder) {
            std::printf("%s must hold values in %s order !!\n", fileName,
                        ascending ? "ascending" : "descending");
            return ReadOutcome::unreadable;
        }
    }
    return ReadOutcome::ok;
}

std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes) {
    const std::size_t limit = std::min(length, maxBytes);
    std::size_t kept = 0;
    while (kept < limit) {
        const auto byte = static_cast<unsigned char>(text[kept]);
        const std::size_t width = isSjisLeadByte(byte) ? 2 : 1;
        if (kept + width > limit) break;
        kept += width;
    }
    return kept;
}

ReadOutcome readReceiverRecord(std::FILE* listFile, ReceiverSite& site) {
    // The word, as "%s" reads it, but never past the field: keep one byte more than fits so
    // that the cut can tell whether the last kept byte starts a character that would be split.
    constexpr std::size_t maxName = kNameCapacity - 1;
    char word[kNameCapacity + 1];
    std::size_t length = 0;
    int c = std::fgetc(listFile);
    while (c != EOF && std::isspace(c)) c = std::fgetc(listFile);
    // A word of a mebibyte is no name: stop there, so a device such as /dev/zero given as
    // the list cannot keep the run reading for ever.
    constexpr std::size_t kMaxWordBytes = std::size_t{1} << 20;
    std::size_t wordBytes = 0;
    while (c != EOF && !std::isspace(c) && wordBytes < kMaxWordBytes) {
        if (length < sizeof word) word[length++] = static_cast<char>(c);
        ++wordBytes;
        c = std::fgetc(listFile);
    }
    if (c != EOF) std::ungetc(c, listFile);
    double latitude = 0.0;
    double longitude = 0.0;
    if (length == 0 || wordBytes == kMaxWordBytes || !scanNumber(listFile, latitude) ||
        !scanNumber(listFile, longitude)) {
        std::printf("%s has no complete record !!\n", kReceiverListFileName);
        return ReadOutcome::unreadable;
    }
    if (!allows(kLatitudeDeg, latitude)) return notAllowed(kReceiverListFileName, kLatitudeDeg);
    if (!allows(kLongitudeDeg, longitude)) {
        return notAllowed(kReceiverListFileName, kLongitudeDeg);
    }
    const std::size_t kept = sjisCutLength(word, length, maxName);
    std::memcpy(site.name, word, kept);
    site.name[kept] = '\0';
    site.latitude = latitude;
    site.longitude = longitude;
    return ReadOutcome::ok;
}

}  // namespace fieldcast
