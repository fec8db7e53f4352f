#include "tessbridge_fixture.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <exception>

#include "shared_library.hpp"

namespace tbtest {
namespace {

void record_message(const char *text, void *context) {
    static_cast<std::vector<std::string> *>(context)->emplace_back(text);
}

#ifdef _WIN32
// The C runtime's tmpfile() makes its file in the drive's root under names that
// test programs running at once share; this one is the user's, and unique.
std::FILE *temporary_file() {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "tbt", 0, path) == 0) {
        return nullptr;
    }
    const int fd = _open(path, _O_RDWR | _O_BINARY | _O_TEMPORARY);  // deleted when closed
    return fd < 0 ? nullptr : _fdopen(fd, "w+b");
}
#else
std::FILE *temporary_file() { return std::tmpfile(); }
#endif

// Runs `work` with standard error sent to a temporary file, and returns what was written.
template <typename Work>
std::string capture_stderr(Work work) {
    std::fflush(stderr);
    const int stderr_fd = fileno(stderr);
    const int saved = dup(stderr_fd);
    std::FILE *file = temporary_file();
    if (saved < 0 || file == nullptr) {
        ADD_FAILURE() << "standard error cannot be captured";
        work();
        return "";
    }
    dup2(fileno(file), stderr_fd);
    work();
    std::fflush(stderr);
    dup2(saved, stderr_fd);
    close(saved);
    std::string text;
    char chunk[512];
    std::rewind(file);
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        text.append(chunk, n);
    }
    std::fclose(file);
    return text;
}

}  // namespace

void TessbridgeTest::SetUp() {
    wdsim_reset();
}

void TessbridgeTest::TearDown() {
    unload();
    wdsim_reset();
}

wd_handle TessbridgeTest::plug(const char *serial, const wdsim_model *model, uint16_t vendor,
                               uint16_t product) {
    const wdsim_adapter adapter{vendor, product, 0, serial, model};
    const wd_handle device = wdsim_plug(&adapter);
    plugged.push_back(device);
    return device;
}

void TessbridgeTest::unplug(wd_handle device) {
    wdsim_unplug(device);
    settle();
}

void TessbridgeTest::settle() { ASSERT_EQ(wdsim_settle(5000), 1) << "notifications did not settle"; }

void TessbridgeTest::load(Settle settle_after) {
    ASSERT_FALSE(library_.has_value());
    std::string error;
    startup_stderr = capture_stderr([this, &error] {
        try {
            library_.emplace(TESSBRIDGE_LIBRARY);
        } catch (const std::exception &e) {
            error = e.what();
        }
        pending_at_load = wdsim_settle(0) == 0;
    });
    ASSERT_TRUE(library_.has_value()) << error;
    tb = library_->api();
    tb.SetMessagePresenter(record_message, &messages);
    if (settle_after == Settle::yes) {
        settle();
    }
}

void TessbridgeTest::unload() {
    if (!library_.has_value()) {
        return;
    }
    library_.reset();
    tb = {};
    // The next load must start from a fresh library, not a leftover copy.
    EXPECT_FALSE(library_is_loaded(TESSBRIDGE_LIBRARY)) << TESSBRIDGE_LIBRARY " stayed loaded";
}

void reply(wd_handle device, const Bytes &bytes) {
    wdsim_queue_reply(device, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<wdsim_transfer> transfers() {
    std::vector<wdsim_transfer> all(wdsim_log_count());
    for (uint32_t i = 0; i < all.size(); ++i) {
        wdsim_log_entry(i, &all[i]);
    }
    return all;
}

std::vector<Bytes> sent_packets() {
    std::vector<Bytes> packets;
    for (const auto &t : transfers()) {
        if (t.kind == WDSIM_BULK && !t.is_read) {
            packets.emplace_back(t.data, t.data + t.moved);
        }
    }
    return packets;
}

std::vector<uint32_t> read_lengths() {
    std::vector<uint32_t> lengths;
    for (const auto &t : transfers()) {
        if (t.kind == WDSIM_BULK && t.is_read) {
            lengths.push_back(t.requested);
        }
    }
    return lengths;
}

wd_handle device_of_last_command() {
    const auto all = transfers();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->kind == WDSIM_BULK && !it->is_read) {
            return it->device;
        }
    }
    return 0;
}

wd_handle selected(const TessbridgeApi &tb) {
    wdsim_log_clear();
    tb.GetFirmwareRevision();
    return device_of_last_command();
}

void TessbridgeTest::forget() {
    messages.clear();
    wdsim_log_clear();
}

}  // namespace tbtest
