#include "info_records.hpp"

#include <memory>
#include <mutex>
#include <unordered_set>

namespace wdusb {
namespace {

struct Records {
    std::mutex mutex;
    std::unordered_set<wd_device_info *> issued;
};

Records &records() {
    static auto *instance = new Records;  // never destroyed, like the handle tables
    return *instance;
}

}  // namespace

wd_device_info *issue_info_record(const wd_device_info &info) {
    auto record = std::make_unique<wd_device_info>(info);
    Records &all = records();
    std::lock_guard lock(all.mutex);
    all.issued.insert(record.get());
    return record.release();
}

void release_info_record(wd_device_info *record) {
    Records &all = records();
    {
        std::lock_guard lock(all.mutex);
        if (all.issued.erase(record) == 0) {
            return;
        }
    }
    delete record;
}

}  // namespace wdusb
