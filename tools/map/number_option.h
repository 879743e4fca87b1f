// A numeric command-line option's check for the tools' CLI11 parsers: a finite number within
// its range, the range said as a user reads it (CLI11's own ranges print every digit of the
// largest double).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "batch_options.h"

namespace fieldcast::map {

inline CLI::Validator numberIn(NumberRange range) {
    return CLI::Validator([range](std::string& text) { return checkNumber(text, range); },
                          range.text());
}

}  // namespace fieldcast::map
