// The one way tests run another program: start it, feed its standard input, wait for a line it
// prints (the suite's patience as the backstop), collect its output, end it. A thread of the
// child's own reads its output as it comes, so a chatty child never stalls on a full pipe while
// the test looks elsewhere; the child dies with the test, even with one that crashed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "tests/support/patience.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace qx4::test {

struct ChildOptions {
    std::filesystem::path folder{};  // its working folder; the test's when empty
    bool mergeErrors = false;        // standard error into the output, in order
    int passFd = -1;                 // handed to the child as descriptor 3
    int patienceMs = kPatienceMs;    // how long run() lets it take before killing it
};

class Child {
public:
    using Options = ChildOptions;
    explicit Child(std::vector<std::string> arguments, Options options = {}) : arguments_(std::move(arguments)) {
        std::vector<char*> argv;
        for (std::string& argument : arguments_) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe for " + arguments_[0]);
        const std::string folder = options.folder.string();
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only system calls from here on: the test has other threads.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(options.mergeErrors ? out[1] : err[1], STDERR_FILENO);
            if (options.passFd >= 0) ::dup2(options.passFd, 3);
            ::close_range(options.passFd >= 0 ? 4 : 3, ~0U, 0);
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(127);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        for (const int fd : {in[0], out[1], err[1]}) ::close(fd);
        input_ = in[1];
        if (pid_ < 0) {
            for (const int fd : {input_, out[0], err[0]}) ::close(fd);
            throw std::runtime_error("cannot start " + arguments_[0]);
        }
        reader_ = std::thread([this, out = out[0], err = err[0]] { collect(out, err); });
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        signal(SIGKILL);
        wait();
    }

    // Writes `text` to the child's standard input; closeInput() then says there is no more. A
    // child that stopped reading fails the write instead of ending the test with SIGPIPE.
    void write(std::string_view text) {
        ::signal(SIGPIPE, SIG_IGN);
        while (!text.empty() && input_ >= 0) {
            const ssize_t written = ::write(input_, text.data(), text.size());
            if (written <= 0) break;
            text.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    void closeInput() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
    }

    // True once `text` appears in the output after everything already waited for; false when the
    // child ended without printing it or kept silent past the suite's patience.
    bool waitFor(std::string_view text) {
        std::size_t at = std::string::npos;
        if (!waitUntil([&](const std::string& out) { return (at = out.find(text, consumed_)) != std::string::npos; }))
            return false;
        consumed_ = at + text.size();
        return true;
    }
    // True once `seen` holds for the whole output so far, tried again whenever more comes; `seen`
    // runs under the output's lock, so it looks only at the text it is given.
    bool waitUntil(const std::function<bool(const std::string&)>& seen) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                          [&] { return orderedForTsan([&] { return seen(out_) || closed_; }); });
        return orderedForTsan([&] { return seen(out_); });
    }

    void signal(int number) const {
        if (pid_ > 0 && !ended_) ::kill(pid_, number);
    }
    // Its exit code once it ended and its output is all read; -1 for a crash, or for a child
    // killed when it outlived `timeoutMs`.
    int wait(int timeoutMs = kPatienceMs) {
        closeInput();
        if (!ended_ && pid_ > 0) {
            const int exited = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
            pollfd ready{exited, POLLIN, 0};
            while (exited >= 0 && ::poll(&ready, 1, timeoutMs) < 0 && errno == EINTR) {
            }
            if (exited >= 0) ::close(exited);
            if (ready.revents == 0) signal(SIGKILL);
            while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
            }
            ended_ = true;
        }
        if (reader_.joinable()) reader_.join();  // the rest of its output
        return ended_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    // SIGTERM, then wait().
    int stop() {
        signal(SIGTERM);
        return wait();
    }

    std::string output() const { return copied(out_); }
    std::string errors() const { return copied(err_); }
    pid_t pid() const { return pid_; }

private:
    void collect(int out, int err) {
        pollfd open[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        char chunk[4096];
        while (open[0].fd >= 0 || open[1].fd >= 0) {
            if (::poll(open, 2, -1) < 0 && errno != EINTR) break;
            for (int i = 0; i < 2; ++i) {
                if (open[i].fd < 0 || open[i].revents == 0) continue;
                const ssize_t got = ::read(open[i].fd, chunk, sizeof chunk);
                if (got <= 0) {
                    ::close(open[i].fd);
                    open[i].fd = -1;
                    continue;
                }
                std::lock_guard lock(mutex_);
                orderedForTsan([&] { (i == 0 ? out_ : err_).append(chunk, static_cast<std::size_t>(got)); });
                changed_.notify_all();
            }
        }
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    std::string copied(const std::string& text) const {
        std::lock_guard lock(mutex_);
        return orderedForTsan([&] { return text; });
    }

    // GCC 12's ThreadSanitizer loses this lock once a wait has used it: every use of the output
    // under the lock (the reader's appends too) tells it of the lock's order itself.
    template <typename Use>
    std::invoke_result_t<Use&> orderedForTsan(Use use) const {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(&mutex_);
        const struct Release {
            std::mutex* lock;
            ~Release() { __tsan_release(lock); }
        } release{&mutex_};
#endif
        return use();
    }

    std::vector<std::string> arguments_;
    pid_t pid_ = -1;
    int input_ = -1;
    int status_ = 0;
    bool ended_ = false;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string out_, err_;
    std::size_t consumed_ = 0;
    bool closed_ = false;  // both pipes at their end: the child and whatever it started have ended
};

struct Ran {
    int exitCode;
    std::string out, err;
    std::chrono::steady_clock::duration elapsed;
};

// A program run to its end, given `input` on its standard input.
inline Ran run(std::vector<std::string> arguments, Child::Options options = {}, std::string_view input = {}) {
    const auto began = std::chrono::steady_clock::now();
    const int patienceMs = options.patienceMs;
    Child child(std::move(arguments), std::move(options));
    child.write(input);
    const int exitCode = child.wait(patienceMs);
    return {exitCode, child.output(), child.errors(), std::chrono::steady_clock::now() - began};
}

}  // namespace qx4::test
