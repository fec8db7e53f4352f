// A file that receives a command's bytes. Every write and the close are
// checked, so that bytes that did not reach the file are never reported as
// written. Standard C I/O: portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tess {

class OutputFile {
public:
    // Creates or truncates the file. Throws ToolError (Output) with the reason.
    explicit OutputFile(std::string path);
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    // Closes a file that close() did not (after a failure elsewhere).
    ~OutputFile();

    // Throw ToolError (Output) with the system's reason when a byte did not
    // reach the file.
    void write(const std::vector<std::uint8_t> &bytes);
    void close();

private:
    [[noreturn]] void fail(const std::string &doing, int error_number);

    std::string path_;
    std::FILE *file_ = nullptr;
};

}  // namespace tess
