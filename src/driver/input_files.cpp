#include "driver/input_files.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace fieldcast {

namespace {

// Closes the file on every path out of a reader.
struct InputFile {
    std::FILE* handle;
    explicit InputFile(const char* name) : handle(std::fopen(name, "r")) {}
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

// Shift-JIS lead bytes of two-byte characters.
bool isSjisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

ReadOutcome readParameter(const char* fileName, double& field) {
    InputFile file(fileName);
    if (file.handle == nullptr) return cannotOpen(fileName);
    double value = 0.0;
    if (std::fscanf(file.handle, "%lf", &value) != 1 || !std::isfinite(value)) {
        return noReadableValue(fileName);
    }
    field = value;
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
        double value = 0.0;
        if (std::fscanf(file.handle, "%lf", &value) != 1 || !std::isfinite(value)) {
            std::printf("%s has fewer than %zu readable values !!\n", fileName, cells.size());
            return ReadOutcome::unreadable;
        }
        cell = value;
    }
    return ReadOutcome::ok;
}

std::size_t sjisCutLength(const char* text, std::size_t length, std::size_t maxBytes) {
    if (length <= maxBytes) return length;
    std::size_t kept = 0;
    while (kept < maxBytes) {
        const auto byte = static_cast<unsigned char>(text[kept]);
        const std::size_t width = isSjisLeadByte(byte) ? 2 : 1;
        if (kept + width > maxBytes) break;
        kept += width;
    }
    return kept;
}

void readReceiverRecord(std::FILE* listFile, ReceiverSite& site) {
    // The word, as "%s" reads it, but never past the field: keep one byte more than fits so
    // that the cut can tell whether the last kept byte starts a character that would be split.
    constexpr std::size_t maxName = kNameCapacity - 1;
    char word[kNameCapacity + 1];
    std::size_t length = 0;
    int c = std::fgetc(listFile);
    while (c != EOF && std::isspace(c)) c = std::fgetc(listFile);
    if (c == EOF) return;
    while (c != EOF && !std::isspace(c)) {
        if (length < sizeof word) word[length++] = static_cast<char>(c);
        c = std::fgetc(listFile);
    }
    if (c != EOF) std::ungetc(c, listFile);
    const std::size_t kept = sjisCutLength(word, length, maxName);
    std::memcpy(site.name, word, kept);
    site.name[kept] = '\0';
    if (std::fscanf(listFile, "%lf", &site.latitude) != 1) return;
    std::fscanf(listFile, "%lf", &site.longitude);
}

}  // namespace fieldcast
