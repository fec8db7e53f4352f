#include "messages.hpp"

#include <tessbridge.h>

#include <mutex>

#include "c_boundary.hpp"
#include "message_box.hpp"

namespace tessbridge {
namespace {

struct Presenter {
    tessbridge_message_presenter function = nullptr;
    void *context = nullptr;
};

std::mutex presenterMutex;
Presenter installedPresenter;

std::string hex_upper(uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xFU]);
        value >>= 4U;
    } while (value != 0);
    return digits;
}

}  // namespace

std::string format_message(const char *format, std::initializer_list<MessageArg> args) {
    std::string text;
    auto next = args.begin();
    for (const char *p = format; *p != '\0'; ++p) {
        const bool directive = p[0] == '%' && (p[1] == 'x' || p[1] == 's');
        if (!directive || next == args.end()) {
            text += *p;
            continue;
        }
        if (p[1] == 'x' && std::holds_alternative<uint32_t>(*next)) {
            text += hex_upper(std::get<uint32_t>(*next));
        } else if (p[1] == 's' && std::holds_alternative<const char *>(*next)) {
            const char *value = std::get<const char *>(*next);
            text += value != nullptr ? value : "";
        } else {
            text += *p;  // argument of the wrong kind: leave the directive as written
            continue;
        }
        ++next;
        ++p;
    }
    return text;
}

void show_message(const char *text) noexcept {
    Presenter presenter;
    try {
        std::lock_guard lock(presenterMutex);
        presenter = installedPresenter;
    } catch (...) {  // the lock failed: fall back to the platform's presenter
    }
    if (presenter.function != nullptr) {
        presenter.function(text, presenter.context);
    } else {
        platform::show_message_box(text);
    }
}

void show_message(const char *format, std::initializer_list<MessageArg> args) noexcept {
    try {
        show_message(format_message(format, args).c_str());
    } catch (...) {
        show_message(format);
    }
}

}  // namespace tessbridge

extern "C" TESSBRIDGE_API void TESSBRIDGE_CALL
SetMessagePresenter(tessbridge_message_presenter presenter, void *context) {
    tessbridge::exported([&] {
        std::lock_guard lock(tessbridge::presenterMutex);
        tessbridge::installedPresenter = {presenter, context};
    });
}
