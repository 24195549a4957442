// A program under test as a child process whose standard output and error the test reads line
// by line. Waiting is done on the pipe (poll), never by sleeping.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace qx4::test {

class ProgramProcess {
public:
    ProgramProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ProgramProcess();  // kills a program still running
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // True once the output holds `text` after everything already waited for; false when the
    // program ended or `timeoutMs` passed first.
    bool waitFor(std::string_view text, int timeoutMs = 15000);
    // Whether the output so far, after what was already waited for, holds `text`.
    bool saw(std::string_view text);
    const std::string& output() const { return output_; }
    pid_t pid() const { return pid_; }

    // SIGTERM, then the exit code (-1 when it had to be killed or died of a signal).
    int terminate(int timeoutMs = 15000);
    // Waits for the program to end by itself; its exit code, or -1.
    int waitForExit(int timeoutMs = 15000);

private:
    bool readSome(int timeoutMs);

    pid_t pid_ = -1;
    int output_fd_ = -1;
    std::string output_;
    std::size_t consumed_ = 0;
};

}  // namespace qx4::test
