// Splitting a line of text into command-line words.
#pragma once

#include <string>
#include <vector>

namespace tess {

// Words separated by spaces or tabs; "..." and '...' keep spaces inside a word
// (the quotes themselves are dropped); a '#' that starts a word starts a
// comment, which runs to the end of the line. Throws ToolError (BadArgument) on
// an unterminated quote.
std::vector<std::string> split_words(const std::string &line);

}  // namespace tess
