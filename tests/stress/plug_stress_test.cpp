// Adapters plugged and pulled in a loop while four host threads use the
// library. The host threads keep to the library's threading rule (one call at
// a time, under the host's own lock); the plugging runs beside them, as a user
// pulling cables would, and the library's notification handlers run on the
// toolkit's thread. Every result must be one the header allows; the sanitizer
// build it runs under reports races, leaks and bad memory use.
//
// TB_STRESS_CYCLES sets the number of plug/unplug cycles (default 200).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tessbridge_fixture.hpp"
#include "zero_adapter.hpp"

namespace tbtest {
namespace {

constexpr int kMaxAdapters = 16;
constexpr int kHostThreads = 4;

// Messages come from the host threads and from the toolkit's thread alike.
void count_message(const char *, void *context) {
    static_cast<std::atomic<unsigned long> *>(context)->fetch_add(1);
}

int cycles_wanted() {
    const char *text = std::getenv("TB_STRESS_CYCLES");
    const int cycles = text == nullptr ? 0 : std::atoi(text);
    return cycles > 0 ? cycles : 200;
}

std::string serial_for(int k) { return std::to_string(1000 + k); }

// One host thread: a fixed mix of commands, selections, serial-number queries
// and counts, each checked against the results its export may give.
class HostThread {
public:
    HostThread(const TessbridgeApi &tb, std::mutex &host_lock, unsigned seed)
        : tb_(tb), lock_(host_lock), random_(seed) {}

    void run(const std::atomic<bool> &stop) {
        while (!stop.load()) {
            std::lock_guard hold(lock_);
            step();
        }
    }

    std::vector<std::string> wrong;  // results outside what the header allows
    unsigned long calls = 0;
    std::atomic<int32_t> most_devices_seen{0};

private:
    void expect(bool allowed, const char *what, long value) {
        ++calls;
        if (!allowed && wrong.size() < 20) {
            wrong.push_back(std::string(what) + " gave " + std::to_string(value));
        }
    }

    void step() {
        switch (random_() % 8) {
            case 0: {
                const int32_t n = tb_.GetNumberOfDevices();
                expect(n >= 0 && n <= kMaxAdapters, "GetNumberOfDevices", n);
                if (n > most_devices_seen.load()) {
                    most_devices_seen.store(n);
                }
                break;
            }
            case 1: {
                int32_t serials[10];
                std::fill_n(serials, 10, -7);
                const int32_t n = tb_.GetSerialNumbers(serials);
                expect(n >= 0 && n <= 10, "GetSerialNumbers", n);
                for (int32_t k = 0; k < n && k < 10; ++k) {
                    expect(serials[k] == -1 || serials[k] == 0 || serials[k] == 999 ||
                               (serials[k] >= 1000 && serials[k] < 1000 + kMaxAdapters),
                           "GetSerialNumbers entry", serials[k]);
                }
                break;
            }
            case 2: {
                const int32_t r = tb_.SelectBySerialNumber(1000 + static_cast<int>(random_() % 20));
                expect(r == 0 || r == 1, "SelectBySerialNumber", r);
                break;
            }
            case 3: {
                uint8_t record[3];
                const int32_t r = tb_.GetHardwareInfo(record);
                expect(r == 0 || r == 255, "GetHardwareInfo", r);
                break;
            }
            case 4: {
                uint8_t buffer[8];
                const uint8_t r = tb_.I2CReadArray(0xA0, 0x10, sizeof buffer, buffer);
                expect(r == 0 || r == 255, "I2CReadArray", r);
                break;
            }
            case 5: {
                const int32_t r = tb_.Read_IO();
                expect(r >= -1 && r <= 255, "Read_IO", r);
                break;
            }
            case 6: {
                const int32_t r = tb_.Enable_I2C();
                expect(r == 0 || r == 1, "Enable_I2C", r);
                break;
            }
            default: {
                const uint8_t out[4] = {1, 2, 3, 4};
                uint8_t in[4];
                const uint8_t r = tb_.SPI_WriteRead(sizeof out, sizeof in, out, in);
                expect(r == 0 || r == 255, "SPI_WriteRead", r);
                break;
            }
        }
    }

    const TessbridgeApi &tb_;
    std::mutex &lock_;
    std::minstd_rand random_;
};

using PlugStress = TessbridgeTest;

TEST_F(PlugStress, HostThreadsGetAllowedResultsWhileAdaptersComeAndGo) {
    plug("0999", &zero_adapter_model());
    load();
    std::atomic<unsigned long> message_count{0};
    tb.SetMessagePresenter(count_message, &message_count);
    std::mutex host_lock;
    std::atomic<bool> stop{false};
    std::deque<HostThread> hosts;  // never moved: the threads refer to them
    for (int k = 0; k < kHostThreads; ++k) {
        hosts.emplace_back(tb, host_lock, 17U + static_cast<unsigned>(k));
    }
    std::vector<std::thread> threads;
    for (auto &host : hosts) {
        threads.emplace_back([&host, &stop] { host.run(stop); });
    }

    std::minstd_rand random(8);
    const int cycles = cycles_wanted();
    // A cycle whose notifications do not settle ends the loop; the host threads
    // are stopped and joined before the test reports it.
    int unsettled_cycle = -1;
    // Once, with several adapters attached, the loop waits until a host thread
    // has counted them, so the host threads are known to run while adapters
    // come and go however the threads are scheduled.
    const auto several_seen = [&hosts] {
        return std::any_of(hosts.begin(), hosts.end(),
                           [](const HostThread &host) { return host.most_devices_seen.load() > 1; });
    };
    bool waited_for_hosts = false;
    for (int cycle = 0; cycle < cycles && unsettled_cycle < 0; ++cycle) {
        // The first adapter stays plugged: at most 16 in all.
        const int count = 1 + static_cast<int>(random() % (kMaxAdapters - 1));
        std::vector<wd_handle> devices;
        for (int k = 0; k < count; ++k) {
            const std::string serial = serial_for(k);
            const wdsim_adapter adapter{k % 2 == 0 ? kVendorA : kVendorB,
                                        k % 2 == 0 ? kProductA : kProductB, 0, serial.c_str(),
                                        &zero_adapter_model()};
            devices.push_back(wdsim_plug(&adapter));
        }
        if (random() % 2 == 0 && wdsim_settle(10000) != 1) {
            unsettled_cycle = cycle;
        }
        if (!waited_for_hosts && count > 1 && wdsim_settle(10000) == 1) {
            waited_for_hosts = true;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!several_seen() && std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        // Pulled in any order, sometimes before their attach was handled.
        std::shuffle(devices.begin(), devices.end(), random);
        for (const wd_handle device : devices) {
            wdsim_unplug(device);
        }
        if (wdsim_settle(10000) != 1) {
            unsettled_cycle = cycle;
        }
    }
    stop.store(true);
    for (auto &thread : threads) {
        thread.join();
    }
    ASSERT_EQ(unsettled_cycle, -1) << "notifications did not settle in that cycle";

    unsigned long calls = 0;
    for (const auto &host : hosts) {
        calls += host.calls;
        EXPECT_TRUE(host.wrong.empty()) << host.wrong.front();
    }
    // The host threads really ran while adapters came and went.
    EXPECT_TRUE(several_seen());
    // With only the first adapter left, the library is back where it started.
    EXPECT_EQ(tb.GetNumberOfDevices(), 1);
    int32_t serials[10] = {};
    EXPECT_EQ(tb.GetSerialNumbers(serials), 1);
    EXPECT_EQ(serials[0], 999);
    std::printf("%d plug/unplug cycles, %lu host calls, %lu messages\n", cycles, calls,
                message_count.load());
    unload();
}

}  // namespace
}  // namespace tbtest
