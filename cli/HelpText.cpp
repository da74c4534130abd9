#include "cli/HelpText.h"

#include "cli/ArgumentCheck.h"
#include "cli/CommandHelp.h"
#include "cli/ExitCode.h"

#include <algorithm>

namespace clipreel {
namespace cli {

namespace {

// "-y, --force" or "--keep LIST".
std::string OptionNames(const CLI::Option& option) {
    std::string names;
    for (const std::string& name : option.get_snames()) names += (names.empty() ? "-" : ", -") + name;
    for (const std::string& name : option.get_lnames()) names += (names.empty() ? "--" : ", --") + name;
    if (TakesValue(option)) names += " " + option.get_type_name();
    return names;
}

std::string OptionLines(const std::vector<const CLI::Option*>& options) {
    std::size_t width = 0;
    for (const CLI::Option* option : options) width = std::max(width, OptionNames(*option).size());
    std::string text;
    for (const CLI::Option* option : options) {
        const std::string names = OptionNames(*option);
        text += "  " + names + std::string(width - names.size() + 3, ' ') + option->get_description();
        const std::string fallback = option->get_default_str();
        if (!fallback.empty()) text += " (default " + fallback + ")";
        text += "\n";
    }
    return text;
}

std::vector<const CLI::Option*> NamedOptions(const CLI::App& app) {
    std::vector<const CLI::Option*> named;
    for (const CLI::Option* option : app.get_options()) {
        if (option->nonpositional() && !Hidden(*option)) named.push_back(option);
    }
    return named;
}

// The tool's options that a command takes too (--verbose, --help).
std::vector<const CLI::Option*> SharedOptions(const CLI::App& app, const CLI::App& command) {
    std::vector<const CLI::Option*> shared = NamedOptions(command);
    for (const CLI::Option* option : NamedOptions(app)) {
        if (!IsVersionFlag(*option) && option != app.get_help_ptr()) {
            shared.push_back(option);
        }
    }
    return shared;
}

// separated: a blank line between examples, so that each stays a paragraph
// of its own where the text is set as a man page.
std::string ExamplesText(const CommandHelp& help, const std::string& indent, bool separated) {
    if (help.examples.empty()) return std::string();
    std::string text = indent +
                       "Examples (in a folder holding reel.mov, a four-unit reel: clipreel sample "
                       "reel.mov --units 4):\n";
    for (const CommandExample& example : help.examples) {
        if (separated) text += "\n";
        text += indent + "  " + example.line + "\n";
        if (!example.prints.empty()) text += indent + "      " + example.prints + "\n";
        if (example.exitCode != 0) text += indent + "      (exit code " + std::to_string(example.exitCode) + ")\n";
    }
    return text;
}

std::string Sentence(const std::string& summary) {
    if (summary.empty()) return summary;
    std::string text = summary;
    if (text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + ".";
}

// "clipreel edit SRC DST (--keep LIST | --remove LIST) [options]".
std::string Synopsis(const std::string& name) {
    const CommandHelp* help = FindCommandHelp(name);
    std::string synopsis = "clipreel " + name;
    if (help != nullptr && !help->operands.empty()) synopsis += " " + help->operands;
    if (help != nullptr && !help->options.empty()) synopsis += " " + help->options;
    return synopsis + " [options]";
}

}

std::string UsageLine(const CLI::App* command) {
    if (command == nullptr) return "usage: clipreel COMMAND [options] ...  (clipreel help lists the commands)";
    return UsageLine(command->get_name());
}

std::string UsageLine(const std::string& commandName) {
    return "usage: " + Synopsis(commandName) + "  (clipreel help " + commandName + ")";
}

std::string ToolHelpText(const CLI::App& app) {
    std::string text = UsageLine(nullptr) + "\n\n" + ToolSummary() + "\nCommands:\n";
    std::size_t width = 4;
    for (const CLI::App* command : app.get_subcommands({})) width = std::max(width, command->get_name().size());
    for (const CLI::App* command : app.get_subcommands({})) {
        text += "  " + command->get_name() + std::string(width - command->get_name().size() + 3, ' ') +
                command->get_description() + "\n";
    }
    text += "  help" + std::string(width - 4 + 3, ' ') +
            "the help of the tool, of one command (help COMMAND) or "
            "of all (help --all)\n";
    text += "\nOptions:\n" + OptionLines(NamedOptions(app));
    text += std::string("\n") + ExitCodeTable();
    text += "\n`clipreel help COMMAND` or `clipreel COMMAND --help` shows a command's options and examples.\n";
    return text;
}

std::string CommandHelpText(const CLI::App& app, const CLI::App& command) {
    const CommandHelp* help = FindCommandHelp(command.get_name());
    std::string text = UsageLine(&command) + "\n\n" + Sentence(command.get_description()) + "\n";
    text += "\nOptions:\n" + OptionLines(SharedOptions(app, command));
    if (help != nullptr && !help->notes.empty()) text += "\n" + help->notes;
    if (help != nullptr && !help->examples.empty()) text += "\n" + ExamplesText(*help, "", false);
    return text;
}

std::string AllHelpText(const CLI::App& app) {
    std::string text = ToolHelpText(app);
    for (const CLI::App* command : app.get_subcommands({})) {
        const CommandHelp* help = FindCommandHelp(command->get_name());
        text += "\n" + Synopsis(command->get_name()) + ":\n";
        text += "  " + Sentence(command->get_description()) + "\n\n";
        std::string options = OptionLines(NamedOptions(*command));
        text += options;
        if (help != nullptr && !help->notes.empty()) {
            std::string notes = "\n" + help->notes;
            for (std::size_t at = 0; (at = notes.find('\n', at)) != std::string::npos && at + 1 < notes.size(); ++at) {
                notes.insert(at + 1, "  ");
            }
            text += notes;
        }
        if (help != nullptr && !help->examples.empty()) text += "\n" + ExamplesText(*help, "  ", true);
    }
    return text;
}

}
}
