#include "gui/app/client_socket.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace qx4::gui {

ClientSocket::ClientSocket(int fd, QObject* parent)
    : QObject(parent),
      fd_(fd),
      reader_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      writer_(new QSocketNotifier(fd, QSocketNotifier::Write, this)) {
    writer_->setEnabled(false);
    connect(reader_, &QSocketNotifier::activated, this, &ClientSocket::receive);
    connect(writer_, &QSocketNotifier::activated, this, &ClientSocket::send);
}

ClientSocket::~ClientSocket() {
    if (fd_ < 0) return;
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(fd_);
}

QByteArray ClientSocket::read(qsizetype maxBytes) {
    const QByteArray taken = inbox_.left(maxBytes);
    inbox_.remove(0, taken.size());
    if (fd_ >= 0 && !closing_) reader_->setEnabled(true);
    return taken;
}

void ClientSocket::write(std::string_view bytes) {
    if (fd_ < 0) return;
    outbox_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    send();
}

void ClientSocket::flush() { send(); }

void ClientSocket::disconnectFromServer() {
    closing_ = true;
    if (fd_ >= 0 && outbox_.isEmpty()) close();
}

void ClientSocket::abort() {
    outbox_.clear();
    if (fd_ >= 0) close();
}

void ClientSocket::receive() {
    const qsizetype room = kInboxLimit - inbox_.size();
    if (room <= 0) {
        // Read again once the reader has made room; until then the level-triggered notifier
        // would only spin.
        reader_->setEnabled(false);
        return;
    }
    std::array<char, 16 * 1024> chunk;
    const ssize_t got = ::recv(fd_, chunk.data(), std::min<std::size_t>(chunk.size(), static_cast<std::size_t>(room)),
                               MSG_DONTWAIT);
    if (got > 0) {
        inbox_.append(chunk.data(), got);
        Q_EMIT readyRead();
    } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        abort();
    }
}

void ClientSocket::send() {
    if (fd_ < 0) return;
    while (!outbox_.isEmpty()) {
        const ssize_t sent = ::send(fd_, outbox_.constData(), static_cast<std::size_t>(outbox_.size()),
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            outbox_.remove(0, sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writer_->setEnabled(true);
            return;
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else {
            return abort();  // the client has gone
        }
    }
    writer_->setEnabled(false);
    if (closing_) close();
}

// The notifiers stay until this object goes: one of them may be the sender of the signal being
// handled.
void ClientSocket::close() {
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    Q_EMIT disconnected();
}

}  // namespace qx4::gui
