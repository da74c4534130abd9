#ifndef CLIPREEL_CLI_BASH_COMPLETION_H
#define CLIPREEL_CLI_BASH_COMPLETION_H

#include <CLI/CLI.hpp>

#include <string>

namespace clipreel {
namespace cli {

// The bash completion of the tool, made from its parser (`clipreel help
// --bash-completion`; the build installs it): commands after `clipreel`,
// each command's options after a dash, folders after --output-dir, files
// elsewhere.
std::string BashCompletionScript(const CLI::App& app);

}
}

#endif
