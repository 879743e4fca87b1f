// The command-line parser's refusals under the tool's own name, as the tool's other messages
// are ("fieldcast-map: --month: ..."), so a script's log says which program refused; and a
// misspelt option answered with the nearest one the tool has.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace fieldcast::tools {

inline void nameParserMessages(CLI::App& app, const std::string& toolName) {
    app.failure_message([toolName](const CLI::App* failed, const CLI::Error& e) {
        return toolName + ": " + CLI::FailureMessage::simple(failed, e);
    });
}

// Edits (insertions, deletions, substitutions) that turn one word into the other.
inline std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "TOOL: --frq-khz: did you mean --freq-khz?" on standard error for each long option of the
// command line that `app` has not, when one of its own is a few letters away.
inline void hintNearestOptions(const CLI::App& app, const std::string& toolName, int argc,
                               char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word.rfind("--", 0) != 0 || word.size() < 3) continue;
        word = word.substr(0, word.find('='));
        if (app.get_option_no_throw(word) != nullptr) continue;
        std::string best;
        std::size_t bestDistance = std::max<std::size_t>(2, word.size() / 4) + 1;
        for (const CLI::Option* option : app.get_options()) {
            for (const std::string& name : option->get_lnames()) {
                const std::size_t distance = editDistance(word, "--" + name);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = "--" + name;
                }
            }
        }
        if (!best.empty()) {
            std::fprintf(stderr, "%s: %s: did you mean %s?\n", toolName.c_str(), word.c_str(),
                         best.c_str());
        }
    }
}

}  // namespace fieldcast::tools
