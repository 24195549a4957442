// qx4ctl's way to a running qx4-config: while it runs, it owns the record and the mouse, so
// commands that change the data, send to the mouse or ask about it are handed to it, and commands
// that read the data files first ask it to save what it holds.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/instance/instance_lock.h"
#include "core/instance/instance_messages.h"

namespace qx4::cli {

class RunningProgram {
public:
    enum class State {
        notRunning,   // qx4ctl works on the data files itself
        reached,      // a connection to the program is open
        unreachable,  // it holds the lock but does not answer: problem() says so
    };

    // Looks for the program. One that holds the instance lock but does not listen yet is still
    // starting and is waited for until it listens: a few seconds at most, then it is unreachable.
    static RunningProgram find();
    // As find(), for a command that writes the data files itself: first waits its turn for the
    // data files' lock behind other writers, however long that takes; when no program runs, it
    // holds that lock until releaseDataFiles() or the end of the object, so that a program
    // starting meanwhile waits and then reads the files whole.
    static RunningProgram findOrLockDataFiles();
    ~RunningProgram();
    RunningProgram(RunningProgram&& other) noexcept;
    RunningProgram& operator=(RunningProgram&&) = delete;
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    State state() const { return state_; }
    const std::string& problem() const { return problem_; }

    // Sends the command (its name first) and waits for the reply. nullopt, with problem() set,
    // when the program did not answer in time or with a well-formed reply.
    std::optional<InstanceReply> exchange(const std::vector<std::string>& arguments);
    // Prints what the program answered and returns its exit code; a failure when it did not.
    int handOver(const Command& command, const std::vector<std::string>& arguments, CommandIo& io);
    // Asks the program to save the record it holds, so that the data files show what its window
    // shows. A warning on err when that did not work.
    void syncDataFiles(const Command& command, CommandIo& io);

    void releaseDataFiles() { dataLock_.reset(); }

private:
    RunningProgram(State state, int fd, std::string problem, std::unique_ptr<DataFilesLock> dataLock);
    static RunningProgram search(bool lockDataFiles);

    State state_;
    int fd_;
    std::string problem_;
    std::unique_ptr<DataFilesLock> dataLock_;
};

// The command line as the program gets it: the command's name, then its arguments.
std::vector<std::string> commandLine(const Command& command, Arguments arguments);

}  // namespace qx4::cli
