// A private X server for a test, and xdotool to type and click into it: Xvfb on a display number
// of its own, named by DISPLAY while the server object lives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {

class XServer {
public:
    // Xvfb and xdotool are on the PATH.
    static bool installed();
    // Throws std::runtime_error when the server does not come up.
    XServer();
    ~XServer() { stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    // Ends the server now; `crash` ends it as a crash would, without a word to its clients.
    void stop(bool crash = false);
    pid_t pid() const { return server_->pid(); }

private:
    std::unique_ptr<Child> server_;
    std::string number_;
    std::optional<ScopedEnv> display_;
};

// Runs xdotool with `arguments` against DISPLAY to its end; false when it failed.
bool xdotool(const std::vector<std::string>& arguments);

}  // namespace qx4::test
