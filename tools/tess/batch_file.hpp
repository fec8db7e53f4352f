// tess batch: a file of commands, one per line, run against the same adapters.
#pragma once

#include <string>
#include <vector>

#include "command.hpp"

namespace tess {

struct BatchLine {
    std::string text;      // the command as written, without a leading '-'
    std::string location;  // "FILE:LINE", for every message about the line
    Command command;
    bool keep_going = false;  // the line began with '-': its failure does not stop the batch
};

// Reads `file` ("-" for standard input) and parses and checks every line
// before any runs: a line that is refused stops the batch before anything is
// sent. '#' starts a comment (a whole line, or the rest of one); blank lines
// are skipped. Throws ToolError naming FILE:LINE, or the file when it cannot
// be read.
std::vector<BatchLine> read_batch(const std::string &file);

}  // namespace tess
