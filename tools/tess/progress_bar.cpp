#include "progress_bar.hpp"

#include <unistd.h>

#include <cstdio>

namespace tess {

namespace {
constexpr std::size_t kWidth = 30;
}

ProgressBar::ProgressBar(std::string label, std::size_t total, bool enabled)
    : label_(std::move(label)), total_(total),
      drawing_(enabled && total > 0 && ::isatty(STDOUT_FILENO) == 1 &&
               ::isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(std::size_t done) {
    if (!drawing_) {
        return;
    }
    if (done > total_) {
        done = total_;
    }
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == last_percent_) {
        return;
    }
    last_percent_ = percent;
    const std::size_t filled = done * kWidth / total_;
    std::string bar(filled, '#');
    bar.append(kWidth - filled, '.');
    (void)std::fprintf(stderr, "\r%s [%s] %3d%% %zu/%zu bytes", label_.c_str(), bar.c_str(),
                       percent, done, total_);
    (void)std::fflush(stderr);
}

void ProgressBar::finish() {
    if (drawing_) {
        (void)std::fputs("\r\033[K", stderr);
        (void)std::fflush(stderr);
        drawing_ = false;
    }
}

}  // namespace tess
