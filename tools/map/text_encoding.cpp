#include "text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>

namespace fieldcast::map {

namespace {

// One conversion descriptor per thread and direction, opened once: opening one costs far more
// than converting a name, and a point list converts one name per point.
struct Converter {
    iconv_t cd;
    Converter(const char* from, const char* to) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
};

// The conversions this file makes, each with its descriptor.
enum class Conversion { cp932ToUtf8, utf8ToCp932, utf8ToLatin1 };

std::string convert(std::string_view text, Conversion conversion) {
    thread_local Converter fromCp932("CP932", "UTF-8");
    thread_local Converter toCp932("UTF-8", "CP932");
    thread_local Converter toLatin1("UTF-8", "ISO-8859-1");
    const char* from = conversion == Conversion::cp932ToUtf8 ? "CP932" : "UTF-8";
    const char* to = conversion == Conversion::cp932ToUtf8   ? "UTF-8"
                     : conversion == Conversion::utf8ToCp932 ? "CP932"
                                                             : "ISO-8859-1";
    const iconv_t cd = conversion == Conversion::cp932ToUtf8   ? fromCp932.cd
                       : conversion == Conversion::utf8ToCp932 ? toCp932.cd
                                                               : toLatin1.cd;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string input(text);
    std::string output(input.size() * 4 + 8, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (rc != static_cast<std::size_t>(-1)) rc = iconv(cd, nullptr, nullptr, &out, &outLeft);
    const int error = errno;
    if (rc == static_cast<std::size_t>(-1)) {
        throw std::runtime_error(
            "\"" + std::string(text) + "\" is not valid " + from +
            (error == EILSEQ ? " or has no " + std::string(to) + " form" : std::string()));
    }
    output.resize(output.size() - outLeft);
    return output;
}

}  // namespace

std::string cp932ToUtf8(std::string_view text) { return convert(text, Conversion::cp932ToUtf8); }
std::string utf8ToCp932(std::string_view text) { return convert(text, Conversion::utf8ToCp932); }
std::string utf8ToLatin1(std::string_view text) { return convert(text, Conversion::utf8ToLatin1); }

std::string plotLegendName(std::string_view nameUtf8, std::string_view whereNamed) {
    const auto shown = [](std::string_view text) -> std::optional<std::string> {
        const bool printable = std::none_of(text.begin(), text.end(), isControlByte);
        try {
            if (printable) return utf8ToLatin1(text);
        } catch (const std::runtime_error&) {
        }
        return std::nullopt;
    };
    if (const std::optional<std::string> name = shown(nameUtf8)) return *name;
    const std::optional<std::string> where = shown(whereNamed);
    return where && !where->empty() ? "(name in " + *where + ")" : "(name in the point list)";
}

}  // namespace fieldcast::map
