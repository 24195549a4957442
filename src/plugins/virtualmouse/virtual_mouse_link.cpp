#include "plugins/virtualmouse/virtual_mouse_link.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qx4::vm {

namespace {

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

VirtualMouseLink::~VirtualMouseLink() {
    closeMonitor();
    closeFeature();
}

void VirtualMouseLink::setIds(int vendorId, int productId) {
    const auto found = linkForIds(vendorId, productId);
    link_ = found ? static_cast<int>(*found) : kNoLink;
}

std::optional<Link> VirtualMouseLink::link() const {
    const int value = link_.load();
    if (value == kNoLink) return std::nullopt;
    return static_cast<Link>(value);
}

VirtualMouseLink::Subscription VirtualMouseLink::connectAs(Role role) const {
    Subscription subscription;
    const auto served = link();
    const auto path = socketPath();
    if (!served || !path) return subscription;
    int fd = connectTo(*path);
    if (fd < 0) return subscription;
    const std::uint8_t hello[] = {helloLinkByte(*served), static_cast<std::uint8_t>(role)};
    Frame reply;
    if (!sendAll(fd, encodeFrame(FrameType::hello, hello)) ||
        !readFrame(fd, subscription.decoder, reply, kReplyTimeoutMs) || reply.type != FrameType::status ||
        reply.payload.size() != 1) {
        closeFd(fd);
        return subscription;
    }
    subscription.fd = fd;
    subscription.plugged = reply.payload[0] == 1;
    return subscription;
}

bool VirtualMouseLink::openFeature() {
    std::lock_guard lock(featureMutex_);
    closeFd(featureFd_);
    Subscription subscription = connectAs(Role::feature);
    if (subscription.fd < 0) return false;
    if (!subscription.plugged) {
        closeFd(subscription.fd);
        return false;
    }
    featureFd_ = subscription.fd;
    featureDecoder_ = std::move(subscription.decoder);
    return true;
}

void VirtualMouseLink::closeFeature() {
    std::lock_guard lock(featureMutex_);
    closeFd(featureFd_);
}

bool VirtualMouseLink::setFeature(const unsigned char* report, int length) {
    if (!report || length <= 0 || static_cast<std::uint32_t>(length) > kMaxPayload) return false;
    std::lock_guard lock(featureMutex_);
    if (featureFd_ < 0) return false;
    Frame reply;
    if (!sendAll(featureFd_, encodeFrame(FrameType::setFeature,
                                         std::span{report, static_cast<std::size_t>(length)})) ||
        !readFrame(featureFd_, featureDecoder_, reply, kReplyTimeoutMs)) {
        // The virtual mouse is gone; the program opens the link again after the next arrival.
        closeFd(featureFd_);
        return false;
    }
    return reply.type == FrameType::result && reply.payload.size() == 1 && reply.payload[0] == 1;
}

void VirtualMouseLink::openMonitor(const qx4_message_sink& sink, std::uint32_t dataMessage,
                                   std::uint32_t arrivalMessage) {
    std::lock_guard lock(monitorMutex_);
    if (monitorThread_.joinable()) return;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0) return;
    sink_ = sink;
    dataMessage_ = dataMessage;
    arrivalMessage_ = arrivalMessage;
    // The first attempt is made here so that nothing the virtual mouse pushes after this call
    // returns is missed.
    Subscription subscription = connectAs(Role::monitor);
    const int fd = subscription.fd;
    try {
        monitorThread_ = std::thread(&VirtualMouseLink::runMonitor, this, std::move(subscription));
    } catch (...) {
        ::close(fd);
        closeFd(wakeFd_);
    }
}

void VirtualMouseLink::closeMonitor() {
    std::lock_guard lock(monitorMutex_);
    if (!monitorThread_.joinable()) return;
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof(one)) < 0 && errno == EINTR) {
    }
    monitorThread_.join();
    closeFd(wakeFd_);
}

void VirtualMouseLink::runMonitor(Subscription subscription) {
    int fd = subscription.fd;
    bool plugged = subscription.plugged;
    FrameDecoder decoder = std::move(subscription.decoder);
    if (fd >= 0) drain(decoder, plugged);
    for (;;) {
        pollfd waitFor[2] = {{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
        const int count = fd >= 0 ? 2 : 1;
        const int ready = ::poll(waitFor, count, fd >= 0 ? -1 : kReconnectIntervalMs);
        if (ready < 0 && errno != EINTR) break;
        if (waitFor[0].revents != 0) break;
        if (fd < 0) {
            if (ready != 0) continue;
            Subscription again = connectAs(Role::monitor);
            if (again.fd < 0) continue;
            fd = again.fd;
            plugged = again.plugged;
            decoder = std::move(again.decoder);
            // The virtual mouse started after the program: its plugged link arrives now.
            if (plugged) post(arrivalMessage_, 1, 0);
            drain(decoder, plugged);
            continue;
        }
        if (waitFor[1].revents != 0 && !pumpMonitor(fd, decoder, plugged)) {
            closeFd(fd);
            // A virtual mouse that stopped takes its links with it.
            if (plugged) post(arrivalMessage_, 0, 0);
            plugged = false;
        }
    }
    closeFd(fd);
}

bool VirtualMouseLink::pumpMonitor(int fd, FrameDecoder& decoder, bool& plugged) {
    std::uint8_t chunk[4096];
    const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    decoder.feed(std::span{chunk, static_cast<std::size_t>(n)});
    return drain(decoder, plugged);
}

bool VirtualMouseLink::drain(FrameDecoder& decoder, bool& plugged) {
    while (auto frame = decoder.next()) {
        if (const auto notification = decodeNotification(*frame)) {
            post(dataMessage_, notification->code, notification->value);
        } else if (frame->type == FrameType::arrival && frame->payload.size() == 1) {
            plugged = frame->payload[0] == 1;
            post(arrivalMessage_, plugged ? 1 : 0, 0);
        }
    }
    return !decoder.broken();
}

void VirtualMouseLink::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const {
    if (sink_.post) sink_.post(sink_.context, message, wParam, lParam);
}

}  // namespace qx4::vm
