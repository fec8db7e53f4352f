// Where results go: text lines for people, or one JSON document per command
// with --json. Errors and notes go to standard error in either mode.
#pragma once

#include <string>

#include "json.hpp"

namespace tess {

class Output {
public:
    explicit Output(bool json) : json_(json) {}

    [[nodiscard]] bool json() const { return json_; }

    // A line of text output (text mode only; a '\n' is added).
    void line(const std::string &text) const;
    // Text output as it is (text mode only).
    void text(const std::string &text) const;
    // The command's JSON result (JSON mode only).
    void result(const Json &value) const;

    // A note for the user on standard error ("tess: note: ...").
    static void note(const std::string &text);
    // An error with its hint on standard error.
    static void error(const std::string &what, const std::string &hint);

private:
    bool json_;
};

}  // namespace tess
