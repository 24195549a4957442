#include "tests/support/x_session.h"

#include <signal.h>

#include <filesystem>
#include <stdexcept>

namespace qx4::test {

bool XServer::installed() { return run({"sh", "-c", "command -v Xvfb && command -v xdotool"}).exitCode == 0; }

XServer::XServer() {
    // -noreset: the server keeps its settings (the key repeat rate) between clients. The screen
    // holds the program's whole window, so a click can reach any of its controls. The display's
    // number comes as a line on its output.
    server_ = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                                                               "-nolisten", "tcp", "-noreset"});
    if (!server_->waitFor("\n")) {
        stop();
        throw std::runtime_error("Xvfb did not start");
    }
    number_ = server_->output().substr(0, server_->output().find('\n'));
    display_.emplace("DISPLAY", ":" + number_);
}

void XServer::stop(bool crash) {
    if (!server_) return;
    server_->signal(crash ? SIGKILL : SIGTERM);
    server_->wait();
    server_.reset();
    if (crash) {
        std::error_code ignored;
        std::filesystem::remove("/tmp/.X" + number_ + "-lock", ignored);
        std::filesystem::remove("/tmp/.X11-unix/X" + number_, ignored);
    }
}

bool xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run(std::move(command)).exitCode == 0;
}

}  // namespace qx4::test
