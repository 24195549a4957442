// The virtual mouse's process: one thread waiting on its socket, its clients, standard input and
// its signals, driving one MouseModel.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <list>
#include <optional>
#include <string>
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
        enum class Mode { unknown, framed, text } mode = Mode::unknown;
        FrameDecoder decoder;
        std::string text;
        std::optional<Role> role;
        Link link = Link::receiver;
        unsigned generation = 0;  // the link's plug generation when a feature client said hello
        std::vector<std::uint8_t> out;
        std::optional<WaitRequest> parked;
        Clock::time_point deadline{};
        bool closing = false;
    };

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
    void push(const Push& push);
    bool waitIsOver(const Client& client) const;
    void resolveWaits(bool timeUp);
    int pollTimeout() const;
    void logReport(Link link, const std::vector<std::uint8_t>& report);
    unsigned& generation(Link link) { return generations_[link == Link::cable ? 1 : 0]; }

    ServerOptions options_;
    MouseModel mouse_;
    std::filesystem::path socketFile_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int signalFd_ = -1;
    bool stdinOpen_ = true;
    std::string stdinText_;
    std::FILE* log_ = nullptr;
    std::list<Client> clients_;
    unsigned generations_[2] = {0, 0};
    bool quit_ = false;
};

}  // namespace qx4::vm
