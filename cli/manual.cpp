#include "cli/manual.h"

#include <functional>
#include <map>
#include <set>
#include <vector>

namespace brixel::cli {
namespace {

// Text as roff shows it: backslashes and hyphens escaped, no line taken for a request.
std::string roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

std::vector<const CLI::App*> subcommandsOf(const CLI::App& app) {
    std::vector<const CLI::App*> subs;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return !s->get_name().empty(); }))
        if (!sub->get_group().empty()) subs.push_back(sub);
    return subs;
}

bool shown(const CLI::Option* opt) {
    return !opt->get_group().empty() && opt->get_name() != "--help" && opt->get_name() != "-h,--help" &&
           !opt->get_lnames().empty() && opt->get_lnames().front() != "help";
}

std::string optionNames(const CLI::Option* opt) {
    std::string names;
    for (const auto& s : opt->get_snames()) names += (names.empty() ? "-" : ", -") + s;
    for (const auto& l : opt->get_lnames()) names += (names.empty() ? "--" : ", --") + l;
    if (opt->get_type_size() != 0 && !opt->get_type_name().empty()) names += " " + opt->get_type_name();
    return names;
}

std::vector<const CLI::Option*> optionsOf(const CLI::App& app, bool positional) {
    std::vector<const CLI::Option*> out;
    for (const CLI::Option* opt : app.get_options()) {
        if (opt->get_positional() != positional) continue;
        if (!positional && !shown(opt)) continue;
        out.push_back(opt);
    }
    return out;
}

std::string usageOf(const CLI::App& app, const std::string& path) {
    std::string usage = path;
    if (!optionsOf(app, false).empty()) usage += " [OPTIONS]";
    for (const CLI::Option* p : optionsOf(app, true)) usage += " " + p->get_name(true);
    if (!subcommandsOf(app).empty()) usage += " COMMAND";
    return usage;
}

void describeCommand(const CLI::App& app, const std::string& path, std::string& page) {
    page += ".SS \"" + roff(usageOf(app, path)) + "\"\n" + roff(app.get_description()) + "\n";
    for (const CLI::Option* p : optionsOf(app, true))
        page += ".TP\n.I " + roff(p->get_name(true)) + "\n" + roff(p->get_description()) + "\n";
    for (const CLI::Option* opt : optionsOf(app, false))
        page += ".TP\n.B " + roff(optionNames(opt)) + "\n" + roff(opt->get_description()) + "\n";
    // A command shows its own footer, not the one it inherits.
    const bool ownFooter = !app.get_parent() || app.get_footer() != app.get_parent()->get_footer();
    if (!app.get_footer().empty() && ownFooter) page += ".PP\n" + roff(app.get_footer()) + "\n";
    for (const CLI::App* sub : subcommandsOf(app)) describeCommand(*sub, path + " " + sub->get_name(), page);
}

void eachCommand(const CLI::App& app, const std::string& path,
                 const std::function<void(const CLI::App&, const std::string&)>& visit) {
    visit(app, path);
    for (const CLI::App* sub : subcommandsOf(app))
        eachCommand(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), visit);
}

}  // namespace

std::string manualPage(const CLI::App& app, std::string_view version, std::string_view afterCommands) {
    std::string page = ".TH BRIXELCTL 1 \"\" \"brixelctl " + roff(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\nbrixelctl \\- control a Brixel HDMI signal processor\n";
    page += ".SH SYNOPSIS\n.B brixelctl\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n";
    page += ".SH DESCRIPTION\n" + roff(app.get_description()) + "\n.PP\n" +
            roff("Options may stand anywhere on the line. A FILE of - is standard input or output.") + "\n";
    page += ".SH OPTIONS\n";
    for (const CLI::Option* opt : optionsOf(app, false))
        page += ".TP\n.B " + roff(optionNames(opt)) + "\n" + roff(opt->get_description()) + "\n";
    page += ".SH COMMANDS\n";
    for (const CLI::App* sub : subcommandsOf(app)) describeCommand(*sub, sub->get_name(), page);
    page += std::string(afterCommands);
    return page;
}

std::string bashCompletion(const CLI::App& app) {
    std::map<std::string, std::string> words;  // command path to what may follow it
    std::set<std::string> valued;              // options that take a value
    eachCommand(app, "", [&](const CLI::App& command, const std::string& path) {
        std::string list;
        for (const CLI::App* sub : subcommandsOf(command)) list += (list.empty() ? "" : " ") + sub->get_name();
        for (const CLI::Option* opt : optionsOf(command, false)) {
            for (const auto& s : opt->get_snames()) list += " -" + s;
            for (const auto& l : opt->get_lnames()) {
                list += " --" + l;
                if (opt->get_type_size() != 0) valued.insert("--" + l);
            }
            if (opt->get_type_size() != 0)
                for (const auto& s : opt->get_snames()) valued.insert("-" + s);
        }
        words[path] = list;
    });
    std::string globals;
    for (const CLI::Option* opt : optionsOf(app, false)) {
        for (const auto& sn : opt->get_snames()) globals += " -" + sn;
        for (const auto& l : opt->get_lnames()) globals += " --" + l;
    }
    std::string script =
        "# bash completion for brixelctl, written from its command definitions\n"
        "_brixelctl() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    local path=\"\" word i\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        word=${COMP_WORDS[i]}\n"
        "        case \"${path:+$path }$word\" in\n";
    std::string paths;
    for (const auto& [path, list] : words)
        if (!path.empty()) paths += (paths.empty() ? "" : "|") + ("\"" + path + "\"");
    script += "            " + paths + ") path=\"${path:+$path }$word\" ;;\n";
    script +=
        "        esac\n"
        "    done\n"
        "    case \"$prev\" in\n";
    std::string valuedList;
    for (const auto& v : valued) valuedList += (valuedList.empty() ? "" : "|") + v;
    script += "        " + valuedList +
              ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
              "    esac\n"
              "    local words\n"
              "    case \"$path\" in\n";
    for (const auto& [path, list] : words)
        script += "        \"" + path + "\") words=\"" + list + (path.empty() ? "" : globals) + "\" ;;\n";
    script +=
        "    esac\n"
        "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
        "    [[ ${#COMPREPLY[@]} -eq 0 ]] && COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        "}\n"
        "complete -F _brixelctl brixelctl\n";
    return script;
}

}  // namespace brixel::cli
