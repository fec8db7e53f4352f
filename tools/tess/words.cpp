#include "words.hpp"

#include "tool_error.hpp"

namespace tess {

std::vector<std::string> split_words(const std::string &line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    char quote = '\0';
    for (const char c : line) {
        if (quote != '\0') {
            if (c == quote) {
                quote = '\0';
            } else {
                word += c;
            }
        } else if (c == '#' && !in_word) {
            break;  // a comment, as in the shell: the rest of the line
        } else if (c == '"' || c == '\'') {
            quote = c;
            in_word = true;
        } else if (c == ' ' || c == '\t') {
            if (in_word) {
                words.push_back(word);
                word.clear();
                in_word = false;
            }
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quote != '\0') {
        throw bad_argument("unterminated quote in: " + line, "close the quote");
    }
    if (in_word) {
        words.push_back(word);
    }
    return words;
}

}  // namespace tess
