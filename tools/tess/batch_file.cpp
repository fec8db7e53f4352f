#include "batch_file.hpp"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>

#include "command_line.hpp"
#include "words.hpp"

namespace tess {

namespace {

// The whole file, or standard input for "-".
std::string read_text(const std::string &file) {
    std::FILE *stream = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    if (stream == nullptr) {
        throw bad_argument("cannot open batch file '" + file + "': " + system_reason(errno),
                           "check the path and its access rights");
    }
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    errno = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        text.append(buffer, got);
    }
    const int error_number = std::ferror(stream) != 0 ? (errno != 0 ? errno : EIO) : 0;
    if (stream != stdin) {
        (void)std::fclose(stream);
    }
    if (error_number != 0) {
        throw bad_argument("cannot read batch file '" + file + "': " + system_reason(error_number),
                           "give a file of commands, one per line");
    }
    return text;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Parses one line's words as the command line after "tess" would be.
Command parse_line(const std::vector<std::string> &words) {
    auto line = make_command_line(true);
    std::vector<const char *> argv{"tess"};
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    try {
        line->app->parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp &) {
        throw bad_argument("--help has no place on a batch line", "tess help COMMAND explains one");
    } catch (const CLI::CallForAllHelp &) {
        throw bad_argument("--help-all has no place on a batch line",
                           "tess help COMMAND explains one");
    } catch (const CLI::ParseError &error) {
        throw parse_failure(error, *line->app, words);
    }
    return *line->command;
}

}  // namespace

std::vector<BatchLine> read_batch(const std::string &file) {
    std::vector<BatchLine> batch;
    unsigned number = 0;
    for (const std::string &text : lines_of(read_text(file))) {
        ++number;
        const std::string location = file + ":" + std::to_string(number);
        try {
            std::vector<std::string> words = split_words(text);
            if (words.empty()) {
                continue;
            }
            // "-i2c get ..." or "- i2c get ...": the line may fail. A word that
            // starts with "--" is an option, not the mark.
            bool keep_going = false;
            if (words.front() == "-") {
                keep_going = true;
                words.erase(words.begin());
            } else if (words.front().size() > 1 && words.front()[0] == '-' &&
                       words.front()[1] != '-') {
                keep_going = true;
                words.front().erase(0, 1);
            }
            if (words.empty()) {
                throw bad_argument("a '-' with no command after it", "write -COMMAND ...");
            }
            std::string shown = text.substr(text.find_first_not_of(" \t"));
            if (keep_going) {
                shown = shown.substr(shown.find_first_not_of("- \t"));
            }
            batch.push_back({shown, location, parse_line(words), keep_going});
        } catch (const ToolError &error) {
            throw ToolError(error.code(), location + ": " + error.what(), error.hint());
        }
    }
    return batch;
}

}  // namespace tess
