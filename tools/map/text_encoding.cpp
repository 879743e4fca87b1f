#include "text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace fieldcast::map {

namespace {

std::string convert(std::string_view text, const char* from, const char* to) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    }
    std::string input(text);
    std::string output(input.size() * 4 + 8, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        throw std::runtime_error(
            "\"" + std::string(text) + "\" is not valid " + from +
            (error == EILSEQ ? " or has no " + std::string(to) + " form" : std::string()));
    }
    output.resize(output.size() - outLeft);
    return output;
}

}  // namespace

std::string cp932ToUtf8(std::string_view text) { return convert(text, "CP932", "UTF-8"); }
std::string utf8ToCp932(std::string_view text) { return convert(text, "UTF-8", "CP932"); }
std::string utf8ToLatin1(std::string_view text) { return convert(text, "UTF-8", "ISO-8859-1"); }

}  // namespace fieldcast::map
