#include "output_file.hpp"

#include <cerrno>

#include "tool_error.hpp"

namespace tess {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    errno = 0;
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) {
        fail("cannot open", errno);
    }
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        (void)std::fclose(file_);
    }
}

void OutputFile::fail(const std::string &doing, int error_number) {
    throw ToolError(ExitCode::Output,
                    doing + " '" + path_ + "': " + system_reason(error_number != 0 ? error_number : EIO),
                    "check the path, its access rights and the free space");
}

void OutputFile::write(const std::vector<std::uint8_t> &bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        fail("cannot write", errno);
    }
}

void OutputFile::close() {
    std::FILE *file = file_;
    file_ = nullptr;
    errno = 0;
    // fclose writes what is still buffered: a full disk may show only here.
    if (std::fclose(file) != 0) {
        fail("cannot write", errno);
    }
}

}  // namespace tess
