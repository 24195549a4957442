// The virtual mouse's process: one thread waiting on its socket, its clients, standard input and
// its signals, driving one MouseModel.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <list>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "command_interpreter.h"
#include "mouse_model.h"

namespace qx4::vm {

struct ServerOptions {
    std::filesystem::path folder;  // the private runtime folder that holds the socket
    std::optional<std::filesystem::path> logFile;
    MouseModel::Start start;
    int readyFd = -1;  // receives "ready\n" once the socket listens, then is closed
};

class Server {
public:
    explicit Server(ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Takes the lock and the socket. Empty on success, else what stands in the way, for the user.
    std::string start();
    // Serves until "quit" or SIGINT/SIGTERM.
    void run();

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        int fd = -1;
        ClientDecoder input;
        std::optional<Role> role;
        Link link = Link::receiver;
        unsigned generation = 0;  // the link's plug generation when a feature client said hello
        std::vector<std::uint8_t> out;
        std::optional<WaitRequest> parked;
        Clock::time_point deadline{};
        bool closing = false;
    };
    // Parked clients under the number each waits for (or its deadline), so that finding the
    // waits a change ends never visits the others.
    template <typename Key>
    using WaitQueue = std::set<std::pair<Key, Client*>>;

    void acceptClients();
    void readStdin();
    void readClient(Client& client);
    void processInput(Client& client);
    void handleFrame(Client& client, const Frame& frame);
    void handleReport(Client& client, const std::vector<std::uint8_t>& report);
    // Runs a command and carries out what it asks; a wait parks `client` when given.
    std::string execute(const std::string& line, Client* client);
    void reply(Client& client, const std::string& text);
    void queue(Client& client, const std::vector<std::uint8_t>& bytes);
    void flush(Client& client);
    // Marks the client for closing at the end of the round; it no longer counts or waits.
    void drop(Client& client);
    void push(const Push& push);
    int reportsSeen() const { return mouse_.accepted() + mouse_.rejected(); }
    int& listeners(Link link) { return listeners_[link == Link::cable ? 1 : 0]; }
    int listeners(Link link) const { return listeners_[link == Link::cable ? 1 : 0]; }
    WaitQueue<int>& waitQueue(const WaitRequest& request);
    void park(Client& client, const WaitRequest& request);
    void unpark(Client& client);
    // Answers every wait that is over and lets its client go on, one after another.
    void resumeParked();
    int pollTimeout() const;
    void logReport(Link link, const std::vector<std::uint8_t>& report);
    unsigned& generation(Link link) { return generations_[link == Link::cable ? 1 : 0]; }

    ServerOptions options_;
    MouseModel mouse_;
    std::filesystem::path socketFile_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int signalFd_ = -1;
    // Set while no descriptor is left for a newcomer: accepting waits for a client to leave, or
    // until this time when none could.
    std::optional<Clock::time_point> acceptResumes_;
    bool stdinOpen_ = true;
    ClientDecoder stdinInput_{ClientDecoder::Mode::text};
    std::FILE* log_ = nullptr;
    std::list<Client> clients_;
    WaitQueue<int> reportWaits_;
    WaitQueue<int> listenerWaits_[2];
    WaitQueue<Clock::time_point> deadlines_;
    int listeners_[2] = {0, 0};  // monitors of the receiver and of the cable
    unsigned generations_[2] = {0, 0};
    bool quit_ = false;
};

}  // namespace qx4::vm
