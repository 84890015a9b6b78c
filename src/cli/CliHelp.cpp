#include "cli/CliHelp.h"

#include "cli/CliFormats.h"

#include <sstream>

#ifndef VELKOR_VERSION
#define VELKOR_VERSION "1.0"
#endif

namespace {

const char* kProgram = "velkor-cli";

struct GroupInfo {
    CliOptionGroup group;
    const char* title;
};
constexpr GroupInfo kGroups[] = {
    {CliOptionGroup::General, "General options"},
    {CliOptionGroup::Batch, "Batch options (convert; -r, -j and -q also thumbnails)"},
    {CliOptionGroup::Save, "Save options (convert)"},
    {CliOptionGroup::Edit, "Edit options (convert; applied in the order given)"},
    {CliOptionGroup::Turn, "Turn options (jpeg-turn; one turn)"},
    {CliOptionGroup::Thumbnails, "Thumbnail options (thumbnails)"},
};

std::string Join(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : separator) + w;
    return text;
}

// "-o, --output-dir DIR" as the option is written.
std::string Synopsis(const CliOption& o)
{
    std::string text;
    if (o.shortName)
        text += std::string("-") + o.shortName + ", ";
    text += "--" + o.name;
    if (!o.value.empty())
        text += " " + o.value;
    return text;
}

// The help line's tail: range, formats, default.
std::string Details(const CliOption& o)
{
    std::vector<std::string> parts;
    if (!o.range.empty())
        parts.push_back(o.range);
    if (!o.formats.empty())
        parts.push_back("for " + o.formats);
    if (!o.defaults.empty())
        parts.push_back("default " + o.defaults);
    return parts.empty() ? std::string() : " (" + Join(parts, "; ") + ")";
}

// Words wrapped to `width` columns, every line after the first indented.
std::string Wrap(const std::string& text, size_t indent, size_t width = 79)
{
    std::istringstream words(text);
    std::string word, out, line;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

void OptionLines(std::ostream& out, unsigned commandBits)
{
    for (const GroupInfo& g : kGroups) {
        bool any = false;
        for (const CliOption& o : CliOptions()) {
            if (o.group != g.group || !(o.commands & commandBits))
                continue;
            if (!any)
                out << "\n" << g.title << ":\n";
            any = true;
            std::string head = "  " + Synopsis(o);
            const size_t column = 28;
            head += head.size() < column ? std::string(column - head.size(), ' ')
                                         : "\n" + std::string(column, ' ');
            out << head << Wrap(o.help + Details(o), column) << "\n";
        }
    }
}

std::string Formats()
{
    std::ostringstream out;
    out << "\nOutput types (--to TYPE or OUTPUT's extension, any case):\n  "
        << Wrap(Join(WritableTypes(), " "), 2) << "\n";
    out << "\nFormats read (recognised from the content, never the name):\n  "
        << Wrap(Join(ReadableFormatNames(), " "), 2) << "\n";
    out << "\nFiles taken from folders with -r:\n  ";
    std::vector<std::string> dotted;
    for (const std::string& e : ListedExtensions())
        dotted.push_back("." + e);
    out << Wrap(Join(dotted, " "), 2) << "\n";
    return out.str();
}

const char* kExitText =
    "\nExit status: 0 when everything succeeded; 1 when any file failed or was refused; "
    "2 for a mistake on the command line; 130 when interrupted (files already written are "
    "complete, nothing half-written is left).\n";

std::string ManEscape(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else if (c == '|')
            out += "|\\:"; // a place to break a long list of choices
        else
            out += c;
    }
    // A line starting with a dot or quote would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out = "\\&" + out;
    return out;
}

} // namespace

std::string VersionText()
{
    return std::string(kProgram) + " " + VELKOR_VERSION + "\n";
}

std::string HelpText()
{
    std::ostringstream out;
    out << "Usage:\n";
    for (const CliCommand& c : CliCommands())
        for (const std::string& u : c.usages)
            out << "  " << kProgram << " " << u << "\n";
    out << "  " << kProgram << " help [COMMAND]\n  " << kProgram << " --version\n";
    out << "\nCommands:\n";
    for (const CliCommand& c : CliCommands()) {
        std::string head = "  " + c.name;
        head += std::string(head.size() < 12 ? 12 - head.size() : 1, ' ');
        out << head << Wrap(c.summary, 12) << "\n";
    }
    out << "  help      show this help, or a command's\n";
    OptionLines(out, kCmdAll);
    out << Formats();
    out << "\n"
        << Wrap("Batch form: each INPUT is written to DIR under its own name with the TYPE's extension; "
                "an output that exists is kept unless --exists says otherwise. Progress is shown on "
                "standard error when it is a terminal; a summary line (converted, skipped, failed) ends "
                "the batch.",
                0)
        << "\n";
    out << "\n" << Wrap(kExitText + 1, 0) << "\n";
    return out.str();
}

std::string CommandHelpText(const CliCommand& command)
{
    std::ostringstream out;
    out << "Usage:\n";
    for (const std::string& u : command.usages)
        out << "  " << kProgram << " " << u << "\n";
    out << "\n" << Wrap(command.summary, 0) << ".\n";
    OptionLines(out, command.bit);
    if (command.bit == kCmdConvert)
        out << Formats();
    return out.str();
}

std::string ManPage()
{
    std::ostringstream out;
    out << ".TH VELKOR-CLI 1 \"\" \"velkor-cli " << VELKOR_VERSION << "\" \"User Commands\"\n";
    out << ".SH NAME\nvelkor\\-cli \\- convert, edit and inspect pictures from the command line\n";
    out << ".SH SYNOPSIS\n";
    for (const CliCommand& c : CliCommands())
        for (const std::string& u : c.usages)
            out << ".B velkor\\-cli\n" << ManEscape(u) << "\n.br\n";
    out << ".B velkor\\-cli\nhelp [COMMAND]\n.br\n.B velkor\\-cli\n\\-\\-version\n";
    out << ".SH DESCRIPTION\nThe picture engine of Velkor for scripts and batch work.\n";
    out << ".SH COMMANDS\n";
    for (const CliCommand& c : CliCommands())
        out << ".TP\n.B " << ManEscape(c.name) << "\n" << ManEscape(c.summary) << ".\n";
    for (const GroupInfo& g : kGroups) {
        out << ".SH " << ManEscape(g.title) << "\n";
        for (const CliOption& o : CliOptions()) {
            if (o.group != g.group)
                continue;
            out << ".TP\n.B " << ManEscape(Synopsis(o)) << "\n" << ManEscape(o.help + Details(o)) << ".\n";
        }
    }
    out << ".SH OUTPUT TYPES\n" << ManEscape(Join(WritableTypes(), ", ")) << ".\n";
    out << ".SH FORMATS READ\n"
        << ManEscape(Join(ReadableFormatNames(), ", ")) << ", recognised from the content.\n";
    std::vector<std::string> dotted;
    for (const std::string& e : ListedExtensions())
        dotted.push_back("." + e);
    out << "With \\-r, folders give the files named " << ManEscape(Join(dotted, " ")) << ".\n";
    out << ".SH EXIT STATUS\n" << ManEscape(kExitText + 14) << "\n";
    return out.str();
}

std::string BashCompletion()
{
    std::ostringstream out;
    out << "# bash completion for velkor-cli; made by velkor-cli --completion bash\n";
    out << "_velkor_cli()\n{\n";
    out << "    local cur prev command i\n";
    out << "    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n";
    out << "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n";
    out << "    command=\"\"\n";
    out << "    for ((i = 1; i < COMP_CWORD; i++)); do\n        case \"${COMP_WORDS[i]}\" in\n";
    std::vector<std::string> names;
    for (const CliCommand& c : CliCommands())
        names.push_back(c.name);
    out << "            " << Join(names, "|") << "|help) command=\"${COMP_WORDS[i]}\"; break ;;\n";
    out << "        esac\n    done\n";
    // Values of options.
    out << "    case \"$prev\" in\n";
    for (const CliOption& o : CliOptions()) {
        if (o.value.empty())
            continue;
        std::string pattern = "--" + o.name;
        if (o.shortName)
            pattern += std::string("|-") + o.shortName;
        if (o.name == "output-dir")
            out << "        " << pattern << ") COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n";
        else if (!o.choices.empty() && o.group != CliOptionGroup::Edit)
            out << "        " << pattern << ") COMPREPLY=($(compgen -W \"" << Join(o.choices, " ")
                << "\" -- \"$cur\")); return ;;\n";
        else
            out << "        " << pattern << ") return ;;\n";
    }
    out << "    esac\n";
    out << "    if [[ -z \"$command\" ]]; then\n";
    out << "        COMPREPLY=($(compgen -W \"" << Join(names, " ")
        << " help --help --version\" -- \"$cur\"))\n";
    out << "        return\n    fi\n";
    out << "    if [[ \"$command\" == help ]]; then\n";
    out << "        COMPREPLY=($(compgen -W \"" << Join(names, " ")
        << "\" -- \"$cur\"))\n        return\n    fi\n";
    out << "    if [[ \"$cur\" == -* ]]; then\n        case \"$command\" in\n";
    for (const CliCommand& c : CliCommands()) {
        std::vector<std::string> words;
        for (const CliOption& o : CliOptions()) {
            if (!(o.commands & c.bit))
                continue;
            words.push_back("--" + o.name);
            if (o.shortName)
                words.push_back(std::string("-") + o.shortName);
        }
        out << "            " << c.name << ") COMPREPLY=($(compgen -W \"" << Join(words, " ")
            << "\" -- \"$cur\")) ;;\n";
    }
    out << "        esac\n        return\n    fi\n";
    out << "    COMPREPLY=($(compgen -f -- \"$cur\"))\n";
    out << "}\ncomplete -o filenames -o bashdefault -F _velkor_cli velkor-cli\n";
    return out.str();
}
