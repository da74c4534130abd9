#ifndef CLIPREEL_CLI_COMMAND_HELP_H
#define CLIPREEL_CLI_COMMAND_HELP_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// One example of a command, as its help shows it: a shell line run in a
// folder holding reel.mov (a four-unit sample reel), after the examples
// before it, and what it prints (a line of its output) and its exit code.
// A test runs every command's examples in order and checks both.
struct CommandExample {
    std::string line;
    std::string prints;
    int exitCode = 0;
};

// What a command's help says beyond its options: its usage line's operands
// and options, a summary, notes after the options, and its own examples. A new
// command adds one entry to CommandHelps() beside its options in main.
struct CommandHelp {
    std::string name;
    std::string operands;  // "SRC DST"
    std::string options;   // what the usage line shows of the options: "(--keep LIST | --remove LIST)"
    std::string summary;
    std::string notes;  // empty or paragraphs ending in a newline
    std::vector<CommandExample> examples;
    // How many operands the command takes; maxOperands 0: any number.
    unsigned minOperands = 1;
    unsigned maxOperands = 1;
};

const std::vector<CommandHelp>& CommandHelps();

// The command of this name; null when there is none.
const CommandHelp* FindCommandHelp(const std::string& name);

// The tool's summary and its table of exit codes, for `clipreel --help`.
const char* ToolSummary();

}
}

#endif
