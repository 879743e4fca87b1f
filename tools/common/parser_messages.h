// The command-line parser's refusals under the tool's own name, as the tool's other messages
// are ("fieldcast-map: --month: ..."), so a script's log says which program refused.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace fieldcast::tools {

inline void nameParserMessages(CLI::App& app, const std::string& toolName) {
    app.failure_message([toolName](const CLI::App* failed, const CLI::Error& e) {
        return toolName + ": " + CLI::FailureMessage::simple(failed, e);
    });
}

}  // namespace fieldcast::tools
