#include "man_page.hpp"

#include <CLI/CLI.hpp>

#include "command_line.hpp"

namespace tess {

namespace {

// Text as roff prints it literally: backslashes and minus signs escaped, and no
// line taken for a request.
std::string literal(const std::string &text) {
    std::string out;
    bool line_start = true;
    for (const char c : text) {
        if (line_start && (c == '.' || c == '\'')) {
            out += "\\&";
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        line_start = c == '\n';
    }
    return out;
}

void add_commands(const CLI::App &command, const std::string &path, std::string &page) {
    for (const CLI::App *sub : command.get_subcommands({})) {
        const std::string name = path + " " + sub->get_name();
        page += ".SS \"" + literal(name) + "\"\n.nf\n" + literal(help_of(*sub, name)) + "\n.fi\n";
        add_commands(*sub, name, page);
    }
}

}  // namespace

std::string man_page(const CLI::App &app) {
    std::string page = ".TH TESS 1 \"\" \"" + literal(app.version()) + "\" \"User Commands\"\n";
    page += ".SH NAME\ntess \\- poke at the I2C and SPI buses behind Tessbridge and Tesslink USB "
            "adapters\n";
    page += ".SH SYNOPSIS\n.B tess\n[\\fIGLOBAL OPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n";
    page += ".SH DESCRIPTION\n.nf\n" + literal(help_of(app, "tess")) + "\n.fi\n";
    page += ".SH COMMANDS\n";
    add_commands(app, "tess", page);
    page += ".SH SEE ALSO\nThe guide with examples, tool.md, in share/doc/tess.\n";
    return page;
}

}  // namespace tess
