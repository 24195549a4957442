// qx4-virtual-mouse as a process: one copy per private runtime folder, broken clients over its
// socket; and the virtualmouse driver libraries, loaded as the program loads them, against it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "plugins/virtualmouse/vm_protocol.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

using namespace vm;

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
    std::string readLine() {
        std::string line;
        for (char byte = 0; ::recv(fd, &byte, 1, 0) == 1 && byte != '\n';) line += byte;
        return line;
    }
    // The peer closed; unread bytes on its side make that a reset rather than an end.
    bool closedByPeer() {
        char byte;
        const ssize_t n = ::recv(fd, &byte, 1, 0);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }
    int fd;
};

TEST(VirtualMouseProcess, RefusesAFolderOthersMayEnterAndASecondCopyAndDropsBrokenClients) {
    TempFolder folder;
    ::chmod(folder.path().c_str(), 0755);
    const auto open = runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(open.exitCode, 1);
    EXPECT_NE(open.out.find("not private"), std::string::npos) << open.out;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kSocketName));
    ::chmod(folder.path().c_str(), 0700);
    VirtualMouse mouse({.runtimeFolder = folder.path()});
    const auto second = runVirtualMouseToEnd({}, folder.path());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.out.find("another virtual mouse is already running"), std::string::npos) << second.out;
    {
        Client broken(mouse.socketPath());
        ASSERT_TRUE(broken.send(std::string_view("\x02\xFF\xFF\xFF\xFF", 5)));  // a frame too large
        EXPECT_TRUE(broken.closedByPeer());
        // A line that never ends is cut off as a frame is, and told why.
        Client endless(mouse.socketPath());
        endless.send(std::string(4 * 1024 * 1024, 'x'));
        EXPECT_EQ(endless.readLine(), "error: a line is limited to 65536 bytes");
        EXPECT_TRUE(endless.closedByPeer());
    }
    EXPECT_EQ(mouse.command("profile"), "ok: profile 2, sent over the receiver");
    EXPECT_EQ(mouse.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kSocketName));
}

constexpr std::uint32_t kData = 1329, kArrival = 1330, kCableData = 1331, kCableArrival = 1332;
const std::vector<unsigned char> kSelectProfile2{0x0C, 4, 2, 5};

struct Links {
    DriverLibrary receiver{"virtualmouse_1.so"};
    DriverLibrary cable{"virtualmouse_2.so"};
    Links() {
        receiver.Set_VIDPID(0x1D57, 0xFA66);
        cable.Set_VIDPID(0x1D57, 0xFA65);
    }
};

// One mouse: each file serves its own link, and the monitors post what it sends on their link only.
// What it hears and logs, the end-to-end tests compare byte for byte.
TEST(VirtualMouseDriver, EachFileServesAndMonitorsItsOwnLink) {
    VirtualMouse mouse;
    Links links;
    EXPECT_EQ(links.cable.Open_FeatureDevice(), 0);  // the cable is unplugged
    ASSERT_EQ(links.receiver.Open_FeatureDevice(), 1);
    EXPECT_EQ(links.receiver.send({0x0C, 4, 9, 5}), 0);  // heard and refused
    EXPECT_EQ(links.receiver.SetFeature(nullptr, 4), 0);
    RecordingSink receiver, cable;
    links.receiver.Open_DevMonitor(receiver.sink(), kData, kArrival);
    links.cable.Open_DevMonitor(cable.sink(), kCableData, kCableArrival);
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0801}));  // the status on subscribing
    for (const char* line : {"dpi", "notify 0xffff 0xffff", "cable plug", "receiver unplug", "battery 2",
                             "receiver plug", "cable unplug", "sleep"}) {
        mouse.command(line);
    }
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x1000, 4}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(cable.next(), (Posted{kCableArrival, 1, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kArrival, 0, 0}));
    EXPECT_EQ(cable.next(), (Posted{kCableData, 0x6000, 2}));
    EXPECT_EQ(receiver.next(), (Posted{kArrival, 1, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0201}));
    EXPECT_EQ(cable.next(), (Posted{kCableArrival, 0, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0200}));
    EXPECT_FALSE(cable.next(50));
    links.receiver.Close_DevMonitor();  // the posts end at once; the mouse goes on serving the others
    mouse.command("wake");
    EXPECT_FALSE(receiver.next(100));

    links.receiver.Set_VIDPID(0x1234, 0xFA66);  // ids of no link
    EXPECT_EQ(links.receiver.Open_FeatureDevice(), 0);
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseDriver, AMouseThatStartsLaterArrivesAndOneThatStopsIsRemoved) {
    TempFolder folder;
    ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    Links links;
    RecordingSink sink;
    links.cable.Open_DevMonitor(sink.sink(), kCableData, kCableArrival);
    EXPECT_EQ(links.cable.Open_FeatureDevice(), 0);
    EXPECT_FALSE(sink.next(50));

    std::optional<VirtualMouse> mouse(VirtualMouse::Options{.receiver = false, .cable = true, .runtimeFolder = folder.path()});
    EXPECT_EQ(sink.next(), (Posted{kCableArrival, 1, 0}));
    ASSERT_EQ(links.cable.Open_FeatureDevice(), 1);
    EXPECT_EQ(links.cable.send(kSelectProfile2), 1);
    mouse.reset();  // it quits and takes its links with it
    EXPECT_EQ(sink.next(), (Posted{kCableArrival, 0, 0}));
    EXPECT_EQ(links.cable.send(kSelectProfile2), 0);
}

}  // namespace
}  // namespace qx4::test
