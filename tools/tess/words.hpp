// Splitting a line of text into command-line words.
#pragma once

#include <string>
#include <vector>

namespace tess {

// Words separated by spaces or tabs; "..." and '...' keep spaces inside a word
// (the quotes themselves are dropped). Throws ToolError (BadArgument) on an
// unterminated quote.
std::vector<std::string> split_words(const std::string &line);

}  // namespace tess
