#ifndef CLIPREEL_CLI_ARGUMENT_CHECK_H
#define CLIPREEL_CLI_ARGUMENT_CHECK_H

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// The command line checked before the parser sees it, so that each mistake
// is said in the tool's words, with the fix: an unknown command or option
// (with the closest name: "did you mean --keep?"), an option without its
// value, an empty index list, too few or too many operands (a glob that
// matched more files than the command takes). Each message is one line
// without the "clipreel: " before it; empty when the line is sound as far as
// these checks go. command: the command named, null when none.
std::string CheckCommandLine(const CLI::App& app, const std::vector<std::string>& arguments, const CLI::App*& command);

// Whether the option takes a value (a flag takes none).
inline bool TakesValue(const CLI::Option& option) { return option.get_expected_max() != 0; }
// An option left out of the help, the man page, the completion and the
// suggestions (its group is empty): one for tests only.
inline bool Hidden(const CLI::Option& option) { return option.get_group().empty(); }
// The tool's --version, which no command takes.
inline bool IsVersionFlag(const CLI::Option& option) {
    return option.get_lnames() == std::vector<std::string>{"version"};
}

// "; did you mean NAME?" for the closest of names to word by edit distance,
// when close enough to be a slip ("--verison" for "--version", "thumbnale"
// for "thumbnail"); empty otherwise.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& names);

// The parser's own complaint as one line in the tool's words.
std::string ParseErrorText(const CLI::ParseError& error);

}
}

#endif
