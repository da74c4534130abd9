#ifndef CLIPREEL_CLI_HELP_TEXT_H
#define CLIPREEL_CLI_HELP_TEXT_H

#include <CLI/CLI.hpp>

#include <string>

namespace clipreel {
namespace cli {

// The help the tool prints, made from the parser's options and the
// commands' own texts (cli/CommandHelp.h), so that --help, `clipreel help`,
// the man page and the completion never disagree.

// "usage: clipreel edit SRC DST (--keep LIST | --remove LIST) [options]";
// command null: the tool's own.
std::string UsageLine(const CLI::App* command);
// The same for a command by name, for a mistake found after parsing.
std::string UsageLine(const std::string& commandName);

// `clipreel --help`: the summary, the commands, the tool's options and the
// table of exit codes.
std::string ToolHelpText(const CLI::App& app);

// `clipreel help COMMAND`, `clipreel COMMAND --help`: usage, summary,
// options (the command's, then the tool's), notes and examples.
std::string CommandHelpText(const CLI::App& app, const CLI::App& command);

// `clipreel help --all`: the tool's help and every command's, as the man
// page is made from.
std::string AllHelpText(const CLI::App& app);

}
}

#endif
