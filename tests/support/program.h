// qx4-config as a child process, for the end-to-end tests and the start-up benchmark.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <signal.h>

#include <string>

#include "tests/support/patience.h"

namespace qx4::test {

// qx4-config with its diagnostic lines, which the test waits for on the pipe.
class Program {
public:
    explicit Program(const QStringList& arguments,
                     const QString& executable = QStringLiteral(QX4_BIN_DIR "/qx4-config")) {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(executable, arguments);
    }
    // True once `text` appears after everything already waited for.
    bool waitFor(const QByteArray& text) {
        const QDeadlineTimer deadline(kPatienceMs);
        while (true) {
            output_ += process_.readAll();
            const qsizetype at = output_.indexOf(text, consumed_);
            if (at >= 0) {
                consumed_ = at + text.size();
                return true;
            }
            if (!process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
        }
    }
    // Waits until the program has printed nothing for `quietMs` (it has worked through what was
    // queued for it), then counts everything printed so far as waited for. False after 60 s.
    bool skipUntilQuiet(int quietMs) {
        const QDeadlineTimer deadline(60000);
        while (process_.waitForReadyRead(quietMs)) {
            output_ += process_.readAll();
            if (deadline.hasExpired()) return false;
        }
        output_ += process_.readAll();
        consumed_ = output_.size();
        return true;
    }
    void signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }
    // The exit code once the program has ended, after SIGTERM when `stop`; -1 for a crash or a hang.
    int exitCode(bool stop) {
        if (stop) process_.terminate();
        const bool ended = process_.waitForFinished(kPatienceMs) && process_.exitStatus() == QProcess::NormalExit;
        output_ += process_.readAll();
        return ended ? process_.exitCode() : -1;
    }
    std::string output() const { return output_.toStdString(); }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QByteArray output_;
    qsizetype consumed_ = 0;
};

}  // namespace qx4::test
