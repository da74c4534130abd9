#include "cli/BashCompletion.h"

#include "cli/ArgumentCheck.h"

namespace clipreel {
namespace cli {

namespace {

// Every name of the options, the tool's own after the command's, each once
// (every command has its own --help beside the tool's).
std::string OptionWords(const CLI::App& command, const CLI::App* tool) {
    std::string words;
    const auto add = [&words](const std::string& word) {
        if ((" " + words + " ").find(" " + word + " ") == std::string::npos) words += (words.empty() ? "" : " ") + word;
    };
    for (const CLI::App* app : {&command, tool}) {
        if (app == nullptr) continue;
        for (const CLI::Option* option : app->get_options()) {
            if (Hidden(*option) || (app == tool && IsVersionFlag(*option))) continue;
            for (const std::string& name : option->get_lnames()) add("--" + name);
            for (const std::string& name : option->get_snames()) add("-" + name);
        }
    }
    return words;
}

// The options whose value is a folder, and those whose value is no file.
void ValueKinds(const CLI::App& app, std::string& folders, std::string& words) {
    for (const CLI::App* command : app.get_subcommands({})) {
        for (const CLI::Option* option : command->get_options()) {
            if (!option->nonpositional() || !TakesValue(*option) || Hidden(*option)) continue;
            std::string& list = option->get_type_name() == "DIR" ? folders : words;
            for (const std::string& name : option->get_lnames()) {
                const std::string word = "--" + name;
                if (list.find(word + "|") == std::string::npos) list += word + "|";
            }
            for (const std::string& name : option->get_snames()) {
                const std::string word = "-" + name;
                if (list.find(word + "|") == std::string::npos) list += word + "|";
            }
        }
    }
    if (!folders.empty()) folders.pop_back();
    if (!words.empty()) words.pop_back();
}

}

std::string BashCompletionScript(const CLI::App& app) {
    std::string commands;
    std::string cases;
    for (const CLI::App* command : app.get_subcommands({})) {
        commands += (commands.empty() ? "" : " ") + command->get_name();
        cases += "        " + command->get_name() + ") options=\"" + OptionWords(*command, &app) + "\" ;;\n";
    }
    std::string folders;
    std::string values;
    ValueKinds(app, folders, values);
    std::string script =
        "# bash completion for clipreel, made by `clipreel help --bash-completion`\n"
        "_clipreel() {\n"
        "    local cur prev command options i\n"
        "    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
        "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        case \"${COMP_WORDS[i]}\" in\n"
        "        -*) ;;\n"
        "        *) command=\"${COMP_WORDS[i]}\"; break ;;\n"
        "        esac\n"
        "    done\n"
        "    if [[ -z \"$command\" ]]; then\n"
        "        if [[ \"$cur\" == -* ]]; then\n"
        "            COMPREPLY=($(compgen -W \"" +
        OptionWords(app, nullptr) +
        "\" -- \"$cur\"))\n"
        "        else\n"
        "            COMPREPLY=($(compgen -W \"" +
        commands +
        " help\" -- \"$cur\"))\n"
        "        fi\n"
        "        return 0\n"
        "    fi\n";
    if (!folders.empty()) {
        script +=
            "    case \"$prev\" in\n"
            "    " +
            folders +
            ")\n"
            "        COMPREPLY=($(compgen -d -- \"$cur\"))\n"
            "        return 0 ;;\n";
        if (!values.empty()) {
            script += "    " + values +
                      ")\n"
                      "        return 0 ;;\n";
        }
        script += "    esac\n";
    }
    script += "    case \"$command\" in\n" + cases + "        help) COMPREPLY=($(compgen -W \"" + commands +
              " --all\" -- \"$cur\")); return 0 ;;\n"
              "        *) options=\"\" ;;\n"
              "    esac\n"
              "    if [[ \"$cur\" == -* ]]; then\n"
              "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
              "    else\n"
              "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
              "        compopt -o filenames 2>/dev/null\n"
              "    fi\n"
              "    return 0\n"
              "}\n"
              "complete -F _clipreel clipreel\n";
    return script;
}

}
}
