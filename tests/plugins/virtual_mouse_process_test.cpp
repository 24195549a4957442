// qx4-virtual-mouse as a process: one copy per runtime folder, clients of every kind over its
// socket, and commands typed on its standard input.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "plugins/virtualmouse/vm_protocol.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::vm {
namespace {

using test::VirtualMouse;

// A connection whose reads give up after 5 s, so that a virtual mouse that keeps silent fails the
// test instead of hanging it.
struct Client {
    explicit Client(const std::filesystem::path& socket) : fd(connectTo(socket)) {
        const timeval limit{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    }
    ~Client() { ::close(fd); }
    bool send(std::string_view bytes) {
        return sendAll(fd, std::span{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    }
    bool closedByPeer() {
        char byte;
        return ::recv(fd, &byte, 1, 0) == 0;
    }
    int fd;
};

TEST(VirtualMouseProcess, RefusesAFolderOthersMayEnterAndASecondCopyButNotAStaleSocket) {
    test::TempFolder folder;
    const auto socket = folder.path() / kSocketName;
    ::chmod(folder.path().c_str(), 0755);
    const auto open = test::runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(open.exitCode, 1);
    EXPECT_NE(open.output.find("not private"), std::string::npos) << open.output;
    EXPECT_FALSE(std::filesystem::exists(socket));
    ::chmod(folder.path().c_str(), 0700);
    {
        // Left behind by a virtual mouse that died without removing it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        std::strcpy(address.sun_path, socket.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }
    VirtualMouse first({.runtimeFolder = folder.path()});
    const auto second = test::runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.output.find("another virtual mouse is already running"), std::string::npos) << second.output;
    EXPECT_EQ(first.command("battery 4"), "ok: battery 4, sent over the receiver");  // its socket is untouched
    EXPECT_EQ(first.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(socket));
}

TEST(VirtualMouseProcess, ServesSeveralClientsDropsABrokenOneAndOutlivesThemAll) {
    VirtualMouse mouse;
    {
        Client monitor(mouse.socketPath());
        const std::uint8_t hello[] = {static_cast<std::uint8_t>(Link::receiver), static_cast<std::uint8_t>(Role::monitor)};
        ASSERT_TRUE(sendAll(monitor.fd, encodeFrame(FrameType::hello, hello)));
        ASSERT_TRUE(mouse.waitForListeners("receiver", 1));
        // A text client, as a person with a socket tool would be.
        Client text(mouse.socketPath());
        ASSERT_TRUE(text.send("dpi\n"));
        char reply[64] = {};
        for (std::size_t got = 0; got == 0 || reply[got - 1] != '\n';) {
            const ssize_t n = ::recv(text.fd, reply + got, sizeof(reply) - 1 - got, 0);
            ASSERT_GT(n, 0);
            got += static_cast<std::size_t>(n);
        }
        EXPECT_STREQ(reply, "ok: dpi level 4, sent over the receiver\n");
        // The monitor heard its status, the mouse's status on subscribing, and the press.
        FrameDecoder decoder;
        Frame frame;
        for (FrameType type : {FrameType::status, FrameType::notification, FrameType::notification}) {
            ASSERT_TRUE(readFrame(monitor.fd, decoder, frame, 5000));
            EXPECT_EQ(frame.type, type);
        }
        EXPECT_EQ(frame.payload, (std::vector<std::uint8_t>{0x00, 0x10, 4, 0}));

        Client broken(mouse.socketPath());
        ASSERT_TRUE(broken.send(std::string_view("\x02\xFF\xFF\xFF\xFF", 5)));  // a frame too large
        EXPECT_TRUE(broken.closedByPeer());
    }
    EXPECT_FALSE(mouse.waitForReports(1, 50));  // a wait that runs out answers, and the next reply follows
    EXPECT_EQ(mouse.command("profile"), "ok: profile 2, sent over the receiver");
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseProcess, TakesCommandsTypedOnItsStandardInputUntilQuit) {
    test::TempFolder folder;
    const auto run = test::runVirtualMouseToEnd({"--cable", "--no-receiver", "--battery", "5"}, folder.path(),
                                                "dpi\n\nbattery 3\nfly\nstate\nquit\nprofile\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* expected : {"ok: dpi level 4, sent over the cable\n", "ok: battery 3, sent over the cable\n",
                                 "error: unknown command \"fly\"", "\ncable: plugged\n", "battery: 3\n",
                                 "ok: quitting\n"}) {
        EXPECT_NE(run.output.find(expected), std::string::npos) << expected << " in\n" << run.output;
    }
    EXPECT_EQ(run.output.find("ok: profile"), std::string::npos) << "a command after quit ran";
}

}  // namespace
}  // namespace qx4::vm
