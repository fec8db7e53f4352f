// Where results go: text lines for people, or exactly one JSON document per
// command with --json. Errors, warnings and notes go to standard error in
// either mode; with --json a command's warnings and its error are also members
// of its document.
#pragma once

#include <optional>
#include <string>

#include "json.hpp"

namespace tess {

class Output {
public:
    explicit Output(bool json) : json_(json) {}

    [[nodiscard]] bool json() const { return json_; }

    // A line of text output (text mode only; a '\n' is added).
    void line(const std::string &text);
    // Text output as it is (text mode only).
    void text(const std::string &text);
    // The command's JSON result (JSON mode only): printed when the command
    // ends, or with the error when it fails. A later result replaces it.
    void result(Json value);
    // A warning: the command did its work but may not have done what was meant.
    void warning(const std::string &text);

    // Ends a command that succeeded: prints its JSON document and makes sure
    // standard output took everything. Throws ToolError (Output) when it did not.
    void end_command();
    // Ends a command that failed: the error and its hint on standard error,
    // and with --json the command's document with an "error" member. Returns
    // the exit code.
    int fail(const class ToolError &error);
    // Text that is not a result (help): printed in either mode.
    void plain(const std::string &text);

    // A note for the user on standard error ("tess: note: ...").
    static void note(const std::string &text);
    // An error with its hint on standard error.
    static void error(const std::string &what, const std::string &hint);

private:
    void write(const std::string &text);
    void print_document();

    bool json_;
    std::optional<Json> document_;
    int write_error_ = 0;  // errno of the first failed write to standard output
};

}  // namespace tess
