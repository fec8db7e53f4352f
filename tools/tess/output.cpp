#include "output.hpp"

#include <cerrno>
#include <cstdio>

#include "tool_error.hpp"

namespace tess {

void Output::write(const std::string &text) {
    errno = 0;
    if (std::fputs(text.c_str(), stdout) == EOF && write_error_ == 0) {
        write_error_ = errno != 0 ? errno : EIO;
    }
}

void Output::line(const std::string &text) {
    if (!json_) {
        write(text + "\n");
    }
}

void Output::text(const std::string &text) {
    if (!json_) {
        write(text);
    }
}

void Output::plain(const std::string &text) { write(text); }

void Output::result(Json value) {
    if (!json_) {
        return;
    }
    // Warnings given before the result stay with it.
    if (document_) {
        if (const Json *warnings = document_->member("warnings")) {
            value.set("warnings", *warnings);
        }
    }
    document_ = std::move(value);
}

void Output::warning(const std::string &text) {
    (void)std::fflush(stdout);
    (void)std::fprintf(stderr, "tess: warning: %s\n", text.c_str());
    if (json_) {
        if (!document_) {
            document_ = Json::object();
        }
        document_->member_or_set("warnings", Json::array()).push(text);
    }
}

void Output::print_document() {
    if (document_) {
        write(document_->dump() + "\n");
        document_.reset();
    }
}

void Output::end_command() {
    print_document();
    errno = 0;
    if (std::fflush(stdout) != 0 && write_error_ == 0) {
        write_error_ = errno != 0 ? errno : EIO;
    }
    if (write_error_ != 0) {
        const int error_number = write_error_;
        write_error_ = 0;
        std::clearerr(stdout);
        throw ToolError(ExitCode::Output,
                        "cannot write to standard output: " + system_reason(error_number),
                        "check where the output goes (a full disk, a closed pipe)");
    }
}

int Output::fail(const ToolError &error) {
    Output::error(error.what(), error.hint());
    if (json_) {
        Json document = document_ ? std::move(*document_) : Json::object();
        document_.reset();
        document.set("error", Json::object({{"exit_code", static_cast<int>(error.code())},
                                            {"message", error.what()},
                                            {"hint", error.hint()}}));
        write(document.dump() + "\n");
        (void)std::fflush(stdout);
    }
    return static_cast<int>(error.code());
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
