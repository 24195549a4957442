// qx4-virtual-mouse as a process: starting, refusing, serving several clients over its socket,
// hot-plugging, and its report log.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plugins/virtualmouse/vm_protocol.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::vm {
namespace {

using test::VirtualMouse;

constexpr int kWaitMs = 5000;

VirtualMouse::Options withCable(bool cable) {
    VirtualMouse::Options options;
    options.cable = cable;
    return options;
}

VirtualMouse::Options inFolder(const std::filesystem::path& folder, bool cable = false) {
    VirtualMouse::Options options = withCable(cable);
    options.runtimeFolder = folder;
    return options;
}

// A client speaking the framed protocol, as the driver library does.
class RawClient {
public:
    explicit RawClient(const std::filesystem::path& socket) : fd_(connectTo(socket)) {
        if (fd_ < 0) throw std::runtime_error("cannot connect");
    }
    ~RawClient() { ::close(fd_); }

    // Says hello and returns whether the link is plugged.
    bool hello(Link link, Role role) {
        const std::uint8_t payload[] = {static_cast<std::uint8_t>(link), static_cast<std::uint8_t>(role)};
        send(FrameType::hello, payload);
        const Frame reply = expect(FrameType::status);
        return reply.payload.at(0) == 1;
    }
    int setFeature(const std::vector<std::uint8_t>& report) {
        send(FrameType::setFeature, report);
        return expect(FrameType::result).payload.at(0);
    }
    void send(FrameType type, std::span<const std::uint8_t> payload) {
        if (!sendAll(fd_, encodeFrame(type, payload))) throw std::runtime_error("send failed");
    }
    std::optional<Frame> next(int timeoutMs = kWaitMs) {
        Frame frame;
        if (!readFrame(fd_, decoder_, frame, timeoutMs)) return std::nullopt;
        return frame;
    }
    Frame expect(FrameType type) {
        auto frame = next();
        if (!frame || frame->type != type) throw std::runtime_error("unexpected frame");
        return *frame;
    }
    int fd() const { return fd_; }

private:
    int fd_;
    FrameDecoder decoder_;
};

std::string notificationText(const Frame& frame) {
    if (frame.type == FrameType::arrival) return "arrival " + std::to_string(frame.payload.at(0));
    const int code = frame.payload.at(0) | frame.payload.at(1) << 8;
    const int value = frame.payload.at(2) | frame.payload.at(3) << 8;
    char text[32];
    std::snprintf(text, sizeof(text), "%04x %d", code, value);
    return text;
}

TEST(VirtualMouseProcess, RefusesASecondCopyButNotAStaleSocket) {
    test::TempFolder folder;
    {
        // A socket file left behind by a process that died without removing it.
        const auto path = folder.path() / kSocketName;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        ASSERT_TRUE(std::filesystem::exists(path));
    }
    VirtualMouse first(inFolder(folder.path()));
    EXPECT_EQ(first.command("battery 4"), "ok: battery 4, sent over the receiver");

    const auto second = test::runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.output.find("another virtual mouse is already running"), std::string::npos)
        << second.output;
    // The refused copy left the first one's socket alone.
    EXPECT_EQ(first.stateValue("battery"), "4");
    EXPECT_EQ(first.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kSocketName));
}

TEST(VirtualMouseProcess, RefusesAFolderOthersMayEnterOrNoFolderAtAll) {
    test::TempFolder folder;
    ::chmod(folder.path().c_str(), 0755);
    const auto open = test::runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(open.exitCode, 1);
    EXPECT_NE(open.output.find("not private"), std::string::npos) << open.output;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kSocketName));

    const auto missing = test::runVirtualMouseToEnd({}, folder.path() / "missing");
    EXPECT_EQ(missing.exitCode, 1);

    test::ScopedEnv noXdg("XDG_RUNTIME_DIR", std::nullopt);
    const auto unset = test::runVirtualMouseToEnd({}, "");
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_NE(unset.output.find("XDG_RUNTIME_DIR"), std::string::npos) << unset.output;

    const auto badOption = test::runVirtualMouseToEnd({"--battery", "11"}, folder.path());
    EXPECT_EQ(badOption.exitCode, 2);
}

TEST(VirtualMouseProcess, ServesSeveralClientsAndOutlivesThem) {
    VirtualMouse mouse;
    {
        RawClient monitor(mouse.socketPath());
        EXPECT_TRUE(monitor.hello(Link::receiver, Role::monitor));
        // A text client, as a person with a socket tool would be.
        RawClient text(mouse.socketPath());
        const std::string line = "dpi\n";
        ASSERT_TRUE(sendAll(text.fd(), std::span{reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}));
        char reply[128] = {};
        std::size_t got = 0;
        while (got == 0 || reply[got - 1] != '\n') {
            const ssize_t n = ::recv(text.fd(), reply + got, sizeof(reply) - 1 - got, 0);
            ASSERT_GT(n, 0);
            got += static_cast<std::size_t>(n);
        }
        EXPECT_STREQ(reply, "ok: dpi level 4, sent over the receiver\n");
        // The listener heard the mouse's status on subscribing, then the DPI press.
        EXPECT_EQ(notificationText(monitor.expect(FrameType::notification)), "4000 2049");
        EXPECT_EQ(notificationText(monitor.expect(FrameType::notification)), "1000 4");
        // A client that breaks the framing is dropped; the others go on.
        RawClient broken(mouse.socketPath());
        const std::uint8_t junk[] = {0x02, 0xFF, 0xFF, 0xFF, 0xFF};
        ASSERT_TRUE(sendAll(broken.fd(), junk));
        EXPECT_FALSE(broken.next(kWaitMs));
    }
    EXPECT_EQ(mouse.command("profile"), "ok: profile 2, sent over the receiver");
    EXPECT_EQ(mouse.stateValue("active profile"), "2");
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseProcess, HotPlugReachesTheMonitorsOfThatLinkOnly) {
    VirtualMouse mouse;
    RawClient receiver(mouse.socketPath());
    RawClient cable(mouse.socketPath());
    EXPECT_TRUE(receiver.hello(Link::receiver, Role::monitor));
    EXPECT_FALSE(cable.hello(Link::cable, Role::monitor));
    ASSERT_TRUE(mouse.waitForListeners("receiver", 1));
    ASSERT_TRUE(mouse.waitForListeners("cable", 1));
    receiver.expect(FrameType::notification);  // the status on subscribing

    mouse.command("cable plug");
    mouse.command("receiver unplug");
    mouse.command("dpi");  // now over the cable
    mouse.command("receiver plug");
    mouse.command("cable unplug");
    mouse.command("sleep");

    std::vector<std::string> heardOnCable;
    for (int i = 0; i < 3; ++i) heardOnCable.push_back(notificationText(*cable.next()));
    EXPECT_EQ(heardOnCable, (std::vector<std::string>{"arrival 1", "1000 4", "arrival 0"}));
    std::vector<std::string> heardOnReceiver;
    for (int i = 0; i < 4; ++i) heardOnReceiver.push_back(notificationText(*receiver.next()));
    EXPECT_EQ(heardOnReceiver,
              (std::vector<std::string>{"arrival 0", "arrival 1", "4000 2049", "4000 2048"}));
    EXPECT_FALSE(cable.next(100));
}

TEST(VirtualMouseProcess, LogsEveryReportThatReachedTheMouseInOrder) {
    VirtualMouse mouse(withCable(true));
    RawClient receiver(mouse.socketPath());
    RawClient cable(mouse.socketPath());
    ASSERT_TRUE(receiver.hello(Link::receiver, Role::feature));
    ASSERT_TRUE(cable.hello(Link::cable, Role::feature));

    EXPECT_EQ(cable.setFeature({0x0C, 4, 2, 5}), 1);
    EXPECT_EQ(receiver.setFeature({0x06, 9, 2, 4, 0, 0, 0, 0, 0}), 1);
    EXPECT_EQ(receiver.setFeature({0x0C, 4, 9, 5}), 0);  // heard and refused: logged
    mouse.command("cable unplug");
    EXPECT_EQ(cable.setFeature({0x0C, 4, 3, 5}), 0);  // never heard: not logged
    mouse.command("cable plug");
    // A connection opened before the unplug stays dead, like a device handle; a new one works.
    EXPECT_EQ(cable.setFeature({0x0C, 4, 3, 5}), 0);
    RawClient reopened(mouse.socketPath());
    ASSERT_TRUE(reopened.hello(Link::cable, Role::feature));
    EXPECT_EQ(reopened.setFeature({0x0C, 4, 4, 5}), 1);
    ASSERT_TRUE(mouse.waitForReports(4, kWaitMs));

    const std::vector<test::LogEntry> expected{
        {"cable", {0x0C, 0x04, 0x02, 0x05}},
        {"receiver", {0x06, 0x09, 0x02, 0x04, 0, 0, 0, 0, 0}},
        {"receiver", {0x0C, 0x04, 0x09, 0x05}},
        {"cable", {0x0C, 0x04, 0x04, 0x05}},
    };
    EXPECT_EQ(mouse.log(), expected);
    EXPECT_EQ(mouse.stateValue("active profile"), "4");
    EXPECT_EQ(mouse.stateValue("profile 2 report interval"), "4 ms");
    EXPECT_EQ(mouse.stateValue("reports rejected"), "1");

    std::ifstream raw(mouse.logPath());
    std::string first;
    std::getline(raw, first);
    EXPECT_EQ(first, "cable 0c 04 02 05");
}

TEST(VirtualMouseProcess, TakesCommandsTypedOnItsStandardInput) {
    test::TempFolder folder;
    const auto run = test::runVirtualMouseToEnd({"--cable", "--no-receiver", "--battery", "5"}, folder.path(),
                                                "dpi\n\nbattery 3\nfly\nstate\nquit\nprofile\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* expected : {"ok: dpi level 4, sent over the cable\n", "ok: battery 3, sent over the cable\n",
                                 "error: unknown command \"fly\"", "\nreceiver: unplugged\ncable: plugged\n",
                                 "battery: 3\n", "\nend\n", "ok: quitting\n"}) {
        EXPECT_NE(run.output.find(expected), std::string::npos) << expected << " in\n" << run.output;
    }
    EXPECT_EQ(run.output.find("ok: profile"), std::string::npos) << "a command after quit ran";
}

TEST(VirtualMouseProcess, WaitAnswersWhenTheTimeIsUp) {
    VirtualMouse mouse;
    EXPECT_FALSE(mouse.waitForReports(1, 50));
    EXPECT_FALSE(mouse.waitForListeners("cable", 1, 50));
    EXPECT_TRUE(mouse.waitForReports(0, 50));
    // The connection still answers in order after a timed-out wait.
    EXPECT_EQ(mouse.command("wake"), "ok: awake, sent over the receiver");
}

}  // namespace
}  // namespace qx4::vm
