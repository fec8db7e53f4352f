#include "run_tess.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace tesstest {

namespace {

// A temporary file that is removed again.
class TempFile {
public:
    explicit TempFile(const std::string &content = {}) {
        char name[] = "/tmp/tess-test-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0) {
            throw std::runtime_error("mkstemp failed");
        }
        (void)::close(fd);
        path_ = name;
        std::ofstream(path_) << content;
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile() { (void)::unlink(path_.c_str()); }

    [[nodiscard]] const std::string &path() const { return path_; }
    [[nodiscard]] std::string read() const {
        std::ifstream stream(path_);
        std::stringstream text;
        text << stream.rdbuf();
        return text.str();
    }

private:
    std::string path_;
};

// This process's environment with `changes` applied.
std::vector<std::string> environment_with(const std::vector<std::string> &changes) {
    std::vector<std::string> result;
    auto name_of = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    for (char **entry = environ; *entry != nullptr; ++entry) {
        const std::string name = name_of(*entry);
        bool changed = false;
        for (const std::string &change : changes) {
            changed = changed || name_of(change) == name;
        }
        if (!changed) {
            result.emplace_back(*entry);
        }
    }
    for (const std::string &change : changes) {
        if (change.find('=') != std::string::npos) {
            result.push_back(change);
        }
    }
    return result;
}

std::vector<char *> pointers_to(std::vector<std::string> &words) {
    std::vector<char *> pointers;
    for (std::string &word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string tess_program() {
    const char *other = std::getenv("TESS_UNDER_TEST");
    return other != nullptr && *other != '\0' ? other : TESS_PROGRAM;
}

Outcome run_tess(const std::vector<std::string> &arguments, const std::string &input) {
    std::vector<std::string> command{tess_program()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run_program(command, {}, input);
}

Outcome run_program(const std::vector<std::string> &command,
                    const std::vector<std::string> &environment, const std::string &input,
                    const std::string &output_path) {
    TempFile in(input);
    TempFile out;
    TempFile err;
    const std::string &stdout_path = output_path.empty() ? out.path() : output_path;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.path().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_path.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.path().c_str(), O_WRONLY | O_TRUNC, 0);

    std::vector<std::string> words = command;
    std::vector<std::string> variables = environment_with(environment);
    const std::vector<char *> argv = pointers_to(words);
    const std::vector<char *> envp = pointers_to(variables);

    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, words.front().c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + words.front());
    }
    int status = 0;
    (void)::waitpid(pid, &status, 0);
    Outcome run;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = out.read();
    run.err = err.read();
    return run;
}

namespace {

// A small JSON syntax check (RFC 8259 values), enough to tell one document
// from none, two, or a broken one.
class JsonChecker {
public:
    explicit JsonChecker(const std::string &text) : text_(text) {}

    std::string check() {
        try {
            value();
            if (at_ != text_.size() - 1 || text_.back() != '\n') {
                return "more than one document, or no line end, after offset " + std::to_string(at_);
            }
            return {};
        } catch (const std::runtime_error &error) {
            return error.what();
        }
    }

private:
    [[noreturn]] void fail(const char *what) const {
        throw std::runtime_error(std::string(what) + " at offset " + std::to_string(at_));
    }
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void expect(char c) {
        if (peek() != c) {
            fail("unexpected character");
        }
        ++at_;
    }
    void word(const char *w) {
        for (; *w != '\0'; ++w) {
            expect(*w);
        }
    }
    // Items up to `close`, separated by commas.
    template <class Item>
    void items(char close, Item item) {
        ++at_;
        if (peek() == close) {
            ++at_;
            return;
        }
        for (;;) {
            item();
            if (peek() == close) {
                ++at_;
                return;
            }
            expect(',');
        }
    }
    void value() {
        const char c = peek();
        if (c == '{') {
            items('}', [this] {
                string();
                expect(':');
                value();
            });
        } else if (c == '[') {
            items(']', [this] { value(); });
        } else if (c == '"') {
            string();
        } else if (c == 't') {
            word("true");
        } else if (c == 'f') {
            word("false");
        } else if (c == 'n') {
            word("null");
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            number();
        } else {
            fail("no JSON value");
        }
    }
    void string() {
        expect('"');
        while (peek() != '"') {
            const char c = peek();
            if (c == '\0' || static_cast<unsigned char>(c) < 0x20) {
                fail("bad string");
            }
            at_ += c == '\\' ? 2 : 1;
        }
        ++at_;
    }
    void number() {
        const std::size_t start = at_;
        while (std::string("+-0123456789.eE").find(peek()) != std::string::npos && peek() != '\0') {
            ++at_;
        }
        if (at_ == start) {
            fail("bad number");
        }
    }

    const std::string &text_;
    std::size_t at_ = 0;
};

}  // namespace

std::string not_one_json_document(const std::string &text) {
    if (text.empty()) {
        return "nothing on standard output";
    }
    return JsonChecker(text).check();
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> packets_sent(const std::string &err) {
    const std::string prefix = "sim-log: out ";
    std::vector<std::string> packets;
    for (const std::string &line : lines_of(err)) {
        if (line.rfind(prefix, 0) == 0) {
            packets.push_back(line.substr(prefix.size()));
        }
    }
    return packets;
}

}  // namespace tesstest
