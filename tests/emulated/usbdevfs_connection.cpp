#include "usbdevfs_connection.hpp"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace emulated {
namespace {

usbdevfs_urb &urb_of(UMockdevIoctlData *data) { return *reinterpret_cast<usbdevfs_urb *>(data->data); }

gboolean complete_eagain(gpointer client) {
    umockdev_ioctl_client_complete(static_cast<UMockdevIoctlClient *>(client), -1, EAGAIN);
    g_object_unref(client);
    return G_SOURCE_REMOVE;
}

}  // namespace

UsbdevfsConnection::UsbdevfsConnection(UMockdevTestbed *testbed, std::string devnode,
                                       UsbFunction &function)
    : testbed_(testbed), devnode_(std::move(devnode)), function_(function),
      handler_(umockdev_ioctl_base_new()) {
    g_signal_connect_data(handler_, "handle-ioctl",
                          reinterpret_cast<GCallback>(&UsbdevfsConnection::on_ioctl), this,
                          nullptr, GConnectFlags{});
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode_.c_str(), handler_, &error)) {
        g_error("attaching the ioctl handler to %s: %s", devnode_.c_str(), error->message);
    }
}

UsbdevfsConnection::~UsbdevfsConnection() {
    umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), nullptr);
    for (auto *data : done_) {
        g_object_unref(data);
    }
    for (auto *waiting : {&pending_in_, &pending_control_}) {
        for (auto *data : *waiting) {
            g_object_unref(data);
        }
    }
    g_object_unref(handler_);
}

gboolean UsbdevfsConnection::on_ioctl(UMockdevIoctlBase *, UMockdevIoctlClient *client,
                                      gpointer self) {
    auto *connection = static_cast<UsbdevfsConnection *>(self);
    std::lock_guard lock(connection->function_.mutex());
    return connection->handle(client);
}

gboolean UsbdevfsConnection::handle(UMockdevIoctlClient *client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const bool reaping = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
    if (!connected_ && !(reaping && !done_.empty())) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        const guint32 value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                              USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        std::memcpy(caps->data, &value, sizeof value);
        g_object_unref(caps);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
        umockdev_ioctl_client_complete(client, -1, ENODATA);  // no kernel driver bound
        return TRUE;
    case USBDEVFS_SUBMITURB:
        submit(client, arg);
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client, arg);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        discard(client, arg);
        return TRUE;
    default:
        return FALSE;  // umockdev answers ENOTTY
    }
}

void UsbdevfsConnection::submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg) {
    UMockdevIoctlData *urb_data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb &urb = urb_of(urb_data);
    // Makes urb.buffer point at a local copy that goes back to the client on reaping.
    UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
        urb_data, G_STRUCT_OFFSET(usbdevfs_urb, buffer), static_cast<gsize>(urb.buffer_length),
        nullptr);
    auto *bytes = static_cast<uint8_t *>(urb.buffer);
    const auto length = static_cast<size_t>(std::max(urb.buffer_length, 0));
    bool accepted = true;
    if (urb.type == USBDEVFS_URB_TYPE_CONTROL && length >= 8) {
        uint8_t setup[8];
        std::memcpy(setup, bytes, 8);
        const size_t w_length = std::min<size_t>(setup[6] | (setup[7] << 8), length - 8);
        const bool in = (setup[0] & 0x80) != 0;
        const auto answer = function_.control(
            setup, in ? std::span<const uint8_t>{} : std::span<const uint8_t>(bytes + 8, w_length));
        if (answer.unanswered) {
            pending_control_.push_back(g_object_ref(urb_data));
        } else if (answer.stall) {
            urb.status = -EPIPE;
            urb.actual_length = 0;
        } else {
            const size_t n = in ? std::min(answer.data.size(), w_length) : w_length;
            if (in) {
                std::copy_n(answer.data.begin(), n, bytes + 8);
            }
            urb.status = 0;
            urb.actual_length = static_cast<int>(n);  // the data stage only
        }
        if (!answer.unanswered) {
            done_.push_back(g_object_ref(urb_data));
        }
    } else if (urb.type == USBDEVFS_URB_TYPE_BULK && (urb.endpoint & 0x80) == 0) {
        function_.bulk_out(urb.endpoint, std::span<const uint8_t>(bytes, length));
        urb.status = 0;
        urb.actual_length = urb.buffer_length;
        done_.push_back(g_object_ref(urb_data));
        serve_pending_in_locked();
    } else if (urb.type == USBDEVFS_URB_TYPE_BULK) {
        pending_in_.push_back(g_object_ref(urb_data));
        serve_pending_in_locked();
    } else {
        accepted = false;
    }
    g_object_unref(buffer);
    g_object_unref(urb_data);
    if (accepted) {
        umockdev_ioctl_client_complete(client, 0, 0);
    } else {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }
}

void UsbdevfsConnection::serve_pending_in_locked() {
    while (!pending_in_.empty()) {
        UMockdevIoctlData *urb_data = pending_in_.front();
        usbdevfs_urb &urb = urb_of(urb_data);
        auto data = function_.bulk_in(urb.endpoint, static_cast<size_t>(urb.buffer_length));
        if (!data) {
            return;
        }
        std::copy(data->begin(), data->end(), static_cast<uint8_t *>(urb.buffer));
        urb.actual_length = static_cast<int>(data->size());
        urb.status = 0;
        pending_in_.erase(pending_in_.begin());
        done_.push_back(urb_data);
    }
}

void UsbdevfsConnection::reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg) {
    if (done_.empty()) {
        GSource *source = g_timeout_source_new(2);
        g_source_set_callback(source, &complete_eagain, g_object_ref(client), nullptr);
        g_source_attach(source, g_main_context_get_thread_default());
        g_source_unref(source);
        return;
    }
    UMockdevIoctlData *urb_data = done_.front();
    done_.erase(done_.begin());
    UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urb_data);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(pointer);
    g_object_unref(urb_data);
}

void UsbdevfsConnection::discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg) {
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    const auto is_it = [&](UMockdevIoctlData *d) { return d->client_addr == address; };
    auto *waiting = &pending_in_;
    auto it = std::find_if(waiting->begin(), waiting->end(), is_it);
    if (it == waiting->end()) {
        waiting = &pending_control_;
        it = std::find_if(waiting->begin(), waiting->end(), is_it);
    }
    if (it == waiting->end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    UMockdevIoctlData *urb_data = *it;
    waiting->erase(it);
    urb_of(urb_data).status = -ENOENT;
    urb_of(urb_data).actual_length = 0;
    done_.push_back(urb_data);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void UsbdevfsConnection::disconnect_locked() {
    connected_ = false;
    for (auto *waiting : {&pending_in_, &pending_control_}) {
        for (UMockdevIoctlData *urb_data : *waiting) {
            urb_of(urb_data).status = -ESHUTDOWN;
            urb_of(urb_data).actual_length = 0;
            done_.push_back(urb_data);
        }
        waiting->clear();
    }
}

}  // namespace emulated
