// SPDX-License-Identifier: MIT
#include "cli/manual.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "cli/completion_values.h"

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

// A flag takes no value; any other option takes one.
bool takesValue(const CLI::Option* opt) { return opt->get_expected_min() > 0; }

// The value's name as the option declares it ("N", "ADDR:PORT"); the checks
// of the options add no description to it, the help says what it takes.
std::string valueName(const CLI::Option* opt) { return opt->get_type_name(); }

// A footer as running text: it is wrapped for a terminal, with indented
// continuation lines, which roff would keep as ragged lines. A line at the
// margin after the end of a sentence begins a paragraph; any other line goes
// on with the one before.
std::string paragraphs(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent != std::string_view::npos) {
            if (!out.empty()) out += indent == 0 && out.back() == '.' ? "\n.PP\n" : "\n";
            out += roff(line.substr(indent));
        }
        start = end + 1;
    }
    return out;
}

std::string optionNames(const CLI::Option* opt) {
    std::string names;
    for (const auto& s : opt->get_snames()) names += (names.empty() ? "-" : ", -") + s;
    for (const auto& l : opt->get_lnames()) names += (names.empty() ? "--" : ", --") + l;
    if (takesValue(opt) && !valueName(opt).empty()) names += " " + valueName(opt);
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
    if (!app.get_footer().empty() && ownFooter) page += ".PP\n" + paragraphs(app.get_footer()) + "\n";
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

std::string helpText(const CLI::App& app) {
    std::string text;
    eachCommand(app, "", [&text](const CLI::App& command, const std::string& path) {
        const std::string name = path.empty() ? "brixelctl" : "brixelctl " + path;
        if (!text.empty()) text += "\n" + std::string(name.size(), '=') + "\n";
        text += command.get_formatter()->make_help(&command, name, CLI::AppFormatMode::Normal);
    });
    return text;
}

std::string bashCompletion(const CLI::App& app) {
    // Each command's words (subcommands and options) and what its first
    // positional argument takes; each option with a value and what it takes.
    std::map<std::string, std::string> words;
    // "port:0" -> "1 2 3 4"; "edid set:0" -> "" (a file): what each positional argument takes.
    std::map<std::string, std::string> argumentValues;
    std::map<std::string, std::string> optionValues;  // "--fault" -> "count string ..."; "" for a file
    const auto joined = [](const std::vector<std::string>& list) {
        std::string text;
        for (const auto& w : list) text += (text.empty() ? "" : " ") + w;
        return text;
    };
    eachCommand(app, "", [&](const CLI::App& command, const std::string& path) {
        std::string list;
        for (const CLI::App* sub : subcommandsOf(command)) list += (list.empty() ? "" : " ") + sub->get_name();
        for (const CLI::Option* opt : optionsOf(command, false)) {
            std::vector<std::string> names;
            for (const auto& s : opt->get_snames()) names.push_back("-" + s);
            for (const auto& l : opt->get_lnames()) names.push_back("--" + l);
            for (const auto& n : names) {
                list += " " + n;
                if (takesValue(opt)) optionValues[n] = joined(offeredValues(opt));
            }
        }
        words[path] = list;
        const auto positional = optionsOf(command, true);
        for (std::size_t k = 0; k < positional.size(); ++k) {
            const auto& values = offeredValues(positional[k]);
            const bool file = positional[k]->get_name(true).find("FILE") != std::string::npos;
            if (!values.empty() || file) argumentValues[path + ":" + std::to_string(k)] = joined(values);
        }
    });
    std::string globals;
    for (const CLI::Option* opt : optionsOf(app, false)) {
        for (const auto& sn : opt->get_snames()) globals += " -" + sn;
        for (const auto& l : opt->get_lnames()) globals += " --" + l;
    }
    const auto alternatives = [](const auto& map, bool withValues) {
        std::string text;
        for (const auto& [key, value] : map)
            if (withValues == !value.empty()) text += (text.empty() ? "" : "|") + key;
        return text;
    };
    std::string paths;
    for (const auto& [path, list] : words)
        if (!path.empty()) paths += (paths.empty() ? "" : "|") + ("\"" + path + "\"");

    std::string script =
        "# bash completion for brixelctl, written from its command definitions\n"
        "_brixelctl() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    local path=\"\" word i positional=0 value=0\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        word=${COMP_WORDS[i]}\n"
        "        # An option's value is no command; a flag takes none.\n"
        "        if ((value)); then value=0; continue; fi\n"
        "        case \"$word\" in\n";
    const std::string valued =
        alternatives(optionValues, true) + (optionValues.empty() ? "" : "|") + alternatives(optionValues, false);
    script += "            " + valued + ") value=1; continue ;;\n";
    script +=
        "            -*) continue ;;\n"
        "        esac\n"
        "        case \"${path:+$path }$word\" in\n"
        "            " +
        paths +
        ") path=\"${path:+$path }$word\"; positional=0 ;;\n"
        "            *) ((positional++)) ;;\n"
        "        esac\n"
        "    done\n"
        "    case \"$prev\" in\n";
    for (const auto& [option, values] : optionValues)
        if (!values.empty())
            script += "        " + option + ") COMPREPLY=($(compgen -W \"" + values + "\" -- \"$cur\")); return ;;\n";
    script += "        " + alternatives(optionValues, false) + ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n";
    script +=
        "    esac\n"
        "    local words=\"\"\n"
        "    case \"$path\" in\n";
    for (const auto& [path, list] : words)
        script += "        \"" + path + "\") words=\"" + list + (path.empty() ? "" : globals) + "\" ;;\n";
    script +=
        "    esac\n"
        "    # An argument's values alone, or files, unless an option is being typed.\n"
        "    if [[ $cur != -* ]]; then\n"
        "        case \"$path:$positional\" in\n";
    for (const auto& [place, values] : argumentValues)
        script += "            \"" + place + "\") COMPREPLY=($(compgen " +
                  (values.empty() ? std::string("-f") : "-W \"" + values + "\"") + " -- \"$cur\")); return ;;\n";
    script +=
        "        esac\n"
        "    fi\n"
        "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
        "}\n"
        "complete -F _brixelctl brixelctl\n";
    return script;
}

}  // namespace brixel::cli
