#include "batch_file.hpp"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

#include "command_line.hpp"
#include "words.hpp"

namespace tess {

std::vector<BatchLine> read_batch(const std::string &file) {
    std::ifstream stream;
    std::istream *input = &std::cin;
    if (file != "-") {
        stream.open(file);
        if (!stream) {
            throw bad_argument("cannot open batch file '" + file + "'", "check the path");
        }
        input = &stream;
    }
    std::vector<BatchLine> lines;
    std::string text;
    unsigned number = 0;
    while (std::getline(*input, text)) {
        ++number;
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#') {
            continue;
        }
        std::string command_text = text.substr(first);
        const bool keep_going = command_text[0] == '-';
        if (keep_going) {
            command_text.erase(0, 1);
        }
        std::vector<std::string> words = split_words(command_text);
        auto line = make_command_line(true);
        std::vector<std::string> reversed(words.rbegin(), words.rend());
        try {
            line->app->parse(reversed);
        } catch (const CLI::ParseError &error) {
            throw bad_argument(file + ":" + std::to_string(number) + ": " + error.what(),
                               "tess --help lists the commands");
        } catch (const ToolError &error) {
            throw ToolError(error.code(), file + ":" + std::to_string(number) + ": " + error.what(),
                            error.hint());
        }
        lines.push_back({command_text, *line->command, keep_going});
    }
    return lines;
}

}  // namespace tess
