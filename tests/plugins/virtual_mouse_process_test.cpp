// qx4-virtual-mouse as a process: one copy per runtime folder, clients of every kind over its
// socket, greedy clients, and commands typed on its standard input.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

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
    std::string readLine() {
        std::string line;
        char byte = 0;
        while (::recv(fd, &byte, 1, 0) == 1 && byte != '\n') line += byte;
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

const std::string kReceiverFeatureHello{static_cast<char>(helloLinkByte(Link::receiver)),
                                        static_cast<char>(Role::feature)};
const std::string kRefusedReport(1, '\0');  // no such command, yet a report that reached the mouse

// Lets this process, and a virtual mouse started from it, hold `count` descriptors; false when
// the hard limit does not allow it.
bool allowDescriptors(rlim_t count) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur >= count) return true;
    if (limit.rlim_max < count) return false;
    limit.rlim_cur = count;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

void lowerLimit(pid_t pid, decltype(RLIMIT_NOFILE) resource, rlim_t soft) {
    rlimit limit{};
    ASSERT_EQ(::prlimit(pid, resource, nullptr, &limit), 0);
    limit.rlim_cur = soft;
    ASSERT_EQ(::prlimit(pid, resource, &limit, nullptr), 0);
}

// True once `condition` holds; false if it still does not after 10 s.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    return true;
}

std::size_t openDescriptors(pid_t pid) {
    const std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// The scheduler's state of the process: 'S' while it sleeps in a wait, 'R' while it runs.
char processState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text{std::istreambuf_iterator<char>(stat), {}};
    const auto end = text.rfind(')');
    return end == std::string::npos || end + 2 >= text.size() ? '?' : text[end + 2];
}

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
        const std::uint8_t hello[] = {helloLinkByte(Link::receiver), static_cast<std::uint8_t>(Role::monitor)};
        ASSERT_TRUE(sendAll(monitor.fd, encodeFrame(FrameType::hello, hello)));
        ASSERT_TRUE(mouse.waitForListeners("receiver", 1));
        // A text client, as a person with a socket tool would be.
        Client text(mouse.socketPath());
        ASSERT_TRUE(text.send("dpi\n"));
        EXPECT_EQ(text.readLine(), "ok: dpi level 4, sent over the receiver");
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

        // A line that never ends is cut off as a frame is, and told why.
        Client endless(mouse.socketPath());
        endless.send(std::string(4 * 1024 * 1024, 'x'));
        EXPECT_EQ(endless.readLine(), "error: a line is limited to 65536 bytes");
        EXPECT_TRUE(endless.closedByPeer());
    }
    EXPECT_FALSE(mouse.waitForReports(1, 50));  // a wait that runs out answers, and the next reply follows
    EXPECT_EQ(mouse.command("profile"), "ok: profile 2, sent over the receiver");
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseProcess, ResumesThousandsOfParkedClientsInTurnOnASmallStack) {
    constexpr int kParked = 2000;
    if (!allowDescriptors(2 * kParked + 100)) GTEST_SKIP() << "the descriptor limit is too low";
    VirtualMouse mouse;
    lowerLimit(mouse.pid(), RLIMIT_STACK, 256 * 1024);
    // Client n waits for n reports, then sends one: the first report sets off a chain through all.
    std::vector<std::unique_ptr<Client>> parked;
    for (int n = 1; n <= kParked; ++n) {
        // In one piece, so that the report is already there when its sender is resumed.
        auto bytes = encodeFrame(FrameType::hello, kReceiverFeatureHello);
        for (const auto& frame : {encodeFrame(FrameType::control, "wait reports " + std::to_string(n)),
                                  encodeFrame(FrameType::setFeature, kRefusedReport)}) {
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        parked.push_back(std::make_unique<Client>(mouse.socketPath()));
        ASSERT_TRUE(sendAll(parked.back()->fd, bytes));
    }
    std::vector<FrameDecoder> decoders(kParked);
    Frame frame;
    for (int i = 0; i < kParked; ++i) {
        ASSERT_TRUE(readFrame(parked[i]->fd, decoders[i], frame, 5000));
        ASSERT_EQ(frame.type, FrameType::status);
    }
    Client first(mouse.socketPath());
    ASSERT_TRUE(sendAll(first.fd, encodeFrame(FrameType::hello, kReceiverFeatureHello)) &&
                sendAll(first.fd, encodeFrame(FrameType::setFeature, kRefusedReport)));

    ASSERT_TRUE(mouse.waitForReports(kParked + 1));
    for (int i = 0; i < kParked; ++i) {
        ASSERT_TRUE(readFrame(parked[i]->fd, decoders[i], frame, 5000));
        ASSERT_EQ(std::string(frame.payload.begin(), frame.payload.end()), "ok") << i;
        ASSERT_TRUE(readFrame(parked[i]->fd, decoders[i], frame, 5000));
        ASSERT_EQ(frame.type, FrameType::result) << i;
    }
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseProcess, AtItsDescriptorLimitSleepsAndTakesANewcomerOnceOthersLeave) {
    VirtualMouse mouse;
    EXPECT_EQ(mouse.command("battery 5"), "ok: battery 5, sent over the receiver");  // connects
    constexpr rlim_t kLimit = 32;
    lowerLimit(mouse.pid(), RLIMIT_NOFILE, kLimit);
    std::vector<std::unique_ptr<Client>> crowd;
    for (rlim_t i = 0; i < kLimit; ++i) crowd.push_back(std::make_unique<Client>(mouse.socketPath()));
    ASSERT_TRUE(eventually([&] { return openDescriptors(mouse.pid()) >= kLimit; }));
    // The crowd's last ones wait in the backlog and keep the socket readable.
    EXPECT_TRUE(eventually([&] { return processState(mouse.pid()) == 'S'; })) << "it spins";

    Client newcomer(mouse.socketPath());
    ASSERT_TRUE(newcomer.send("battery 3\n"));
    crowd.clear();
    EXPECT_EQ(newcomer.readLine(), "ok: battery 3, sent over the receiver");
    EXPECT_EQ(mouse.command("battery 4"), "ok: battery 4, sent over the receiver");
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
