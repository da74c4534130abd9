#include "cli/ArgumentCheck.h"

#include "cli/CommandHelp.h"

#include <algorithm>
#include <numeric>

namespace clipreel {
namespace cli {

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Every name of the command's options and of the tool's, as typed: "--keep", "-y".
struct OptionTable {
    std::vector<const CLI::Option*> options;

    void Add(const CLI::App& app, bool withVersion) {
        for (const CLI::Option* option : app.get_options()) {
            if (!option->nonpositional()) continue;
            if (!withVersion && IsVersionFlag(*option)) continue;
            options.push_back(option);
        }
    }

    const CLI::Option* Find(const std::string& typed) const {
        for (const CLI::Option* option : options) {
            for (const std::string& name : option->get_lnames())
                if (typed == "--" + name) return option;
            for (const std::string& name : option->get_snames())
                if (typed == "-" + name) return option;
        }
        return nullptr;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const CLI::Option* option : options) {
            if (Hidden(*option)) continue;
            for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        }
        return names;
    }
};

std::string OperandCountProblem(const CommandHelp& help, std::size_t given, const std::string& firstExtra) {
    const std::string takes = help.name + " takes " + help.operands;
    if (given < help.minOperands) {
        return "missing operands: " + takes + "; " + std::to_string(given) + " given";
    }
    return "too many operands: " + takes + "; " + std::to_string(given) + " given (from " + firstExtra +
           " on; a file pattern that matched more files than the command takes?)";
}

}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& names) {
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, word.size() / 3) + 1;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(word, name);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = name;
        }
    }
    return best.empty() ? std::string() : "; did you mean " + best + "?";
}

std::string CheckCommandLine(const CLI::App& app, const std::vector<std::string>& arguments, const CLI::App*& command) {
    command = nullptr;
    OptionTable options;
    options.Add(app, true);
    std::size_t at = 0;
    // The tool's own options before the command.
    for (; at < arguments.size() && arguments[at].size() > 1 && arguments[at][0] == '-'; ++at) {
        const std::string typed = arguments[at].substr(0, arguments[at].find('='));
        if (options.Find(typed) == nullptr) {
            return "unknown option " + typed + DidYouMean(typed, options.Names());
        }
    }
    if (at == arguments.size()) return std::string();  // --help, --version, or nothing: the parser says
    std::vector<std::string> commandNames;
    for (const CLI::App* candidate : app.get_subcommands({})) {
        if (candidate->get_name() == arguments[at]) command = candidate;
        commandNames.push_back(candidate->get_name());
    }
    if (command == nullptr) {
        std::string list;
        for (const std::string& name : commandNames) list += (list.empty() ? "" : ", ") + name;
        commandNames.push_back("help");
        return "unknown command \"" + arguments[at] + "\"" + DidYouMean(arguments[at], commandNames) +
               " (the commands: " + list + "; see clipreel --help)";
    }
    options = OptionTable();
    options.Add(*command, false);
    options.Add(app, false);
    std::vector<std::string> operands;
    bool onlyOperands = false;
    for (++at; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (onlyOperands || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyOperands = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string typed = argument.substr(0, equals);
        const CLI::Option* option = options.Find(typed);
        if (option == nullptr && typed.size() > 2 && typed[1] != '-') {
            // Short flags together: "-yq".
            bool allFlags = true;
            for (std::size_t i = 1; i < typed.size() && allFlags; ++i) {
                const CLI::Option* flag = options.Find(std::string("-") + typed[i]);
                allFlags = flag != nullptr && !TakesValue(*flag);
            }
            if (allFlags) continue;
        }
        if (option == nullptr) {
            return "unknown option " + typed + " for " + command->get_name() + DidYouMean(typed, options.Names());
        }
        if (!TakesValue(*option)) continue;
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (at + 1 < arguments.size()) {
            value = arguments[++at];
        } else {
            return typed + " needs a value: " + option->get_type_name() +
                   (option->get_type_name() == "LIST" ? " (an index list such as 0-3,7; an unset shell variable "
                                                        "gives none)"
                                                      : "");
        }
        if (option->get_type_name() == "LIST" && value.find_first_not_of(" \t") == std::string::npos) {
            return typed + ": the index list is empty (an unset shell variable?)";
        }
    }
    const CommandHelp* help = FindCommandHelp(command->get_name());
    const bool helpAsked = std::find(arguments.begin(), arguments.end(), "--help") != arguments.end() ||
                           std::find(arguments.begin(), arguments.end(), "-h") != arguments.end();
    if (help != nullptr && !helpAsked) {
        const bool tooMany = help->maxOperands != 0 && operands.size() > help->maxOperands;
        if (operands.size() < help->minOperands || tooMany) {
            return OperandCountProblem(*help, operands.size(), tooMany ? operands[help->maxOperands] : std::string());
        }
    }
    return std::string();
}

std::string ParseErrorText(const CLI::ParseError& error) {
    std::string text = error.what();
    // "Could not convert: --units = many"
    const std::string convert = "Could not convert: ";
    if (text.rfind(convert, 0) == 0) {
        const std::string rest = text.substr(convert.size());
        const std::size_t equals = rest.find(" = ");
        if (equals != std::string::npos) {
            return rest.substr(0, equals) + ": \"" + rest.substr(equals + 3) +
                   "\" is not a number of the kind it takes";
        }
    }
    // "--keep excludes --remove"
    const std::size_t excludes = text.find(" excludes ");
    if (excludes != std::string::npos) {
        return "give " + text.substr(0, excludes) + " or " + text.substr(excludes + 10) + ", not both";
    }
    const std::size_t value = text.find(": Value ");
    if (value != std::string::npos) text[value + 2] = 'v';
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}
}
