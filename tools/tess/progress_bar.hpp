// A progress bar on standard error for transfers long enough to wait for. It
// draws only when standard output is a terminal (and not in JSON mode), so
// pipes and scripts see nothing of it.
#pragma once

#include <cstddef>
#include <string>

namespace tess {

class ProgressBar {
public:
    // `enabled` false draws nothing; true draws only on a terminal.
    ProgressBar(std::string label, std::size_t total, bool enabled);
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;
    ~ProgressBar();

    void update(std::size_t done);
    // Removes the bar (also done by the destructor).
    void finish();

private:
    std::string label_;
    std::size_t total_;
    bool drawing_;
    int last_percent_ = -1;
};

}  // namespace tess
