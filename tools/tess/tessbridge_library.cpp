#include "tessbridge_library.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "shared_library.hpp"

namespace tess {

namespace {

// Standard error goes to a temporary file while the library loads, so that its
// start-up messages can be shown in the tool's own format.
class StderrCapture {
public:
    StderrCapture() {
        std::FILE *file = std::tmpfile();
        if (file == nullptr) {
            return;
        }
        (void)std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        if (saved_ < 0 || ::dup2(::fileno(file), STDERR_FILENO) < 0) {
            (void)std::fclose(file);
            return;
        }
        file_ = file;
    }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;
    ~StderrCapture() { (void)finish(); }

    // Restores standard error and returns what was written meanwhile.
    std::string finish() {
        if (file_ == nullptr) {
            return {};
        }
        (void)std::fflush(stderr);
        (void)::dup2(saved_, STDERR_FILENO);
        (void)::close(saved_);
        std::string text;
        std::rewind(file_);
        char buffer[512];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
            text.append(buffer, got);
        }
        (void)std::fclose(file_);
        file_ = nullptr;
        return text;
    }

private:
    std::FILE *file_ = nullptr;
    int saved_ = -1;
};

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            if (!line.empty()) {
                lines.push_back(line);
            }
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TessbridgeLibrary TessbridgeLibrary::load(std::vector<std::string> &load_messages) {
    StderrCapture capture;
    void *handle = nullptr;
    try {
        handle = open_library(kTessbridgeLibrary, Symbols::Local,
                              "install the Tessbridge library, or run the tool from the build "
                              "tree it was built in");
    } catch (...) {
        load_messages = lines_of(capture.finish());
        throw;
    }
    load_messages = lines_of(capture.finish());
    TessbridgeLibrary library;
#define TESS_RESOLVE(name) resolve(handle, kTessbridgeLibrary, #name, library.name);
    TESS_TESSBRIDGE_EXPORTS(TESS_RESOLVE)
#undef TESS_RESOLVE
    const LoadedLibrary toolkit = loaded_library(kToolkitLibrary, "WDU_Init", "wdsim_plug");
    library.toolkit_file = toolkit.file;
    library.toolkit_simulated = toolkit.has_other;
    return library;
}

}  // namespace tess
