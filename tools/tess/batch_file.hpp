// tess batch: a file of commands, one per line, run against the same adapters.
#pragma once

#include <string>
#include <vector>

#include "command.hpp"

namespace tess {

struct BatchLine {
    std::string text;
    Command command;
    bool keep_going = false;  // the line began with '-': its failure does not stop the batch
};

// Reads and parses every line of `file` ("-" for standard input) before any
// runs: a line the parser refuses stops the batch before anything is sent.
// '#' starts a comment line; blank lines are skipped.
std::vector<BatchLine> read_batch(const std::string &file);

}  // namespace tess
