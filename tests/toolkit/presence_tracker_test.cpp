// The polling watcher's arrival and departure logic (the watcher that serves
// on Windows), driven round by round with fake devices in place of libusb's.
#include <presence_tracker.hpp>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A fake libusb_device: the tracker knows a device only by the object.
struct FakeDevice {
    std::string name;
};
using FakeRef = std::shared_ptr<FakeDevice>;
using Tracker = wdusb::PresenceTracker<FakeRef>;

std::vector<std::string> names(const std::vector<FakeRef> &devices) {
    std::vector<std::string> out;
    for (const auto &device : devices) {
        out.push_back(device->name);
    }
    return out;
}

// Devices by name; "b2" is the object libusb makes for "b" plugged in again.
class FakeBus {
public:
    FakeRef operator[](const std::string &name) {
        auto &device = devices_[name];
        if (!device) {
            device = std::make_shared<FakeDevice>(FakeDevice{name});
        }
        return device;
    }
    std::vector<FakeRef> list(const std::vector<std::string> &present) {
        std::vector<FakeRef> out;
        for (const auto &name : present) {
            out.push_back((*this)[name]);
        }
        return out;
    }

private:
    std::map<std::string, FakeRef> devices_;
};

struct Round {
    const char *what;
    std::vector<std::string> present;
    std::vector<std::string> left;
    std::vector<std::string> arrived;
};

TEST(PresenceTracker, ReportsEachArrivalAndDepartureOnceRoundByRound) {
    const std::vector<Round> rounds = {
        {"first round: everything present arrives", {"a", "b"}, {}, {"a", "b"}},
        {"nothing changed", {"a", "b"}, {}, {}},
        {"listed in another order: nothing changed", {"b", "a"}, {}, {}},
        {"one plugged in", {"b", "a", "c"}, {}, {"c"}},
        {"one pulled out", {"a", "c"}, {"b"}, {}},
        {"replugged within one period: a new object", {"a", "c", "b2"}, {}, {"b2"}},
        {"pulled and another plugged in one round", {"c", "b2", "d"}, {"a"}, {"d"}},
        {"everything pulled out", {}, {"c", "b2", "d"}, {}},
        {"still nothing", {}, {}, {}},
        {"plugged again", {"e"}, {}, {"e"}},
    };
    FakeBus bus;
    Tracker tracker;
    for (const auto &round : rounds) {
        SCOPED_TRACE(round.what);
        auto present = bus.list(round.present);
        const auto changes = tracker.compare(present);
        EXPECT_EQ(names(changes.left), round.left);
        EXPECT_EQ(names(changes.arrived), round.arrived);
        tracker.accept(std::move(present));
    }
}

TEST(PresenceTracker, ARoundNotAcceptedIsReportedAgainAndLosesNoDeparture) {
    // A round that failed while reporting (no memory) is not accepted: the
    // next round, whatever it lists, reports everything from the last accepted one.
    FakeBus bus;
    Tracker tracker;
    tracker.accept(bus.list({"a", "b"}));

    auto changes = tracker.compare(bus.list({"a", "c"}));
    EXPECT_EQ(names(changes.left), std::vector<std::string>{"b"});
    EXPECT_EQ(names(changes.arrived), std::vector<std::string>{"c"});
    // not accepted

    auto present = bus.list({"c"});
    changes = tracker.compare(present);
    EXPECT_EQ(names(changes.left), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(names(changes.arrived), std::vector<std::string>{"c"});
    tracker.accept(std::move(present));
    EXPECT_TRUE(tracker.compare(bus.list({"c"})).left.empty());
}

TEST(PresenceTracker, HoldsTheDevicesOfTheAcceptedRoundSoTheirIdentityStays) {
    // libusb frees a device object nobody references, and may then hand out
    // the same address for another device: the tracker must keep its objects.
    Tracker tracker;
    std::weak_ptr<FakeDevice> watched;
    {
        auto device = std::make_shared<FakeDevice>(FakeDevice{"a"});
        watched = device;
        tracker.accept({device});
    }
    EXPECT_FALSE(watched.expired()) << "kept while known";
    tracker.accept({});
    EXPECT_TRUE(watched.expired()) << "released once it left";
}

}  // namespace
