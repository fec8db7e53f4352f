#include "output.hpp"

#include <cstdio>

namespace tess {

void Output::line(const std::string &text) const {
    if (!json_) {
        (void)std::fputs(text.c_str(), stdout);
        (void)std::fputc('\n', stdout);
    }
}

void Output::text(const std::string &text) const {
    if (!json_) {
        (void)std::fputs(text.c_str(), stdout);
    }
}

void Output::result(const Json &value) const {
    if (json_) {
        (void)std::fputs(value.dump().c_str(), stdout);
        (void)std::fputc('\n', stdout);
    }
}

void Output::note(const std::string &text) {
    (void)std::fflush(stdout);
    (void)std::fprintf(stderr, "tess: note: %s\n", text.c_str());
}

void Output::error(const std::string &what, const std::string &hint) {
    (void)std::fflush(stdout);
    (void)std::fprintf(stderr, "tess: error: %s\n", what.c_str());
    if (!hint.empty()) {
        (void)std::fprintf(stderr, "tess: try: %s\n", hint.c_str());
    }
}

}  // namespace tess
