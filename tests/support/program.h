// qx4-config as a child process, for the end-to-end tests and the start-up benchmark.
#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace qx4::test {

// qx4-config with its diagnostic lines and errors in one output, which the test waits for.
class Program : public Child {
public:
    explicit Program(std::vector<std::string> arguments, std::string executable = QX4_BIN_DIR "/qx4-config")
        : Child(withFirst(std::move(executable), std::move(arguments)), {.mergeErrors = true}) {}
    // The exit code once the program has ended, after SIGTERM when `stop`; -1 for a crash or a hang.
    int exitCode(bool stop) { return stop ? Child::stop() : wait(); }

private:
    static std::vector<std::string> withFirst(std::string first, std::vector<std::string> rest) {
        rest.insert(rest.begin(), std::move(first));
        return rest;
    }
};

}  // namespace qx4::test
