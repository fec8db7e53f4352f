// Runs the tess program as a process and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace tesstest {

struct Outcome {
    int exit_code = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// The tess under test: the one of this build, or the one TESS_UNDER_TEST names
// (to try these tests on another build).
std::string tess_program();

// Runs tess with `arguments`; `input` becomes its standard input.
Outcome run_tess(const std::vector<std::string> &arguments, const std::string &input = {});

// Runs `command` (a program's path, then its arguments) with this process's
// environment, changed by `environment` ("NAME=value" sets, "NAME" removes).
// With `output_path` set, standard output goes to that file (Outcome::out
// stays empty).
Outcome run_program(const std::vector<std::string> &command,
                    const std::vector<std::string> &environment = {},
                    const std::string &input = {}, const std::string &output_path = {});

// Empty when `text` is exactly one JSON document on one line (a '\n' after
// it); otherwise what is wrong with it.
std::string not_one_json_document(const std::string &text);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string &text);

// The bulk OUT packets of a --sim-log output, as "01 8c" strings.
std::vector<std::string> packets_sent(const std::string &err);

}  // namespace tesstest
