#pragma once
// The remote side of the link on loopback, for the tests: a listener on a
// free port that collects every reply, clients that connect to the link's
// listeners, and waiting on conditions with a generous deadline.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvel::net::test {

// Runs the event loop until `done` holds or `ms` pass; true when it holds.
inline bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
  QElapsedTimer clock;
  clock.start();
  QTimer tick;  // wakes the loop so the deadline is seen without events
  tick.start(5);
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Lets the event loop run for a moment (so that separately written pieces
// tend to arrive in separate reads; nothing depends on it).
inline void Spin(int ms) {
  QElapsedTimer clock;
  clock.start();
  WaitFor([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

// Where the replies arrive: everything received on any accepted
// connection, in order of arrival.
class ReplyListener {
 public:
  ReplyListener() {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        ++connections_;
        QObject::connect(s, &QTcpSocket::readyRead, [this, s] { received_ += s->readAll().toStdString(); });
      }
    });
  }
  bool Listen(quint16 port = 0) { return server_.listen(QHostAddress::LocalHost, port); }
  quint16 Port() const { return server_.serverPort(); }
  const std::string& Received() const { return received_; }
  int Connections() const { return connections_; }

  // Waits until `expected` more characters arrived after `from`; returns them.
  std::string Next(std::size_t& from, std::size_t expected) {
    WaitFor([&] { return received_.size() >= from + expected; });
    std::string part = received_.substr(from, expected);
    from += part.size();
    return part;
  }

 private:
  QTcpServer server_;
  std::string received_;
  int connections_ = 0;
};

// A client connection to one of the link's listeners.
class Client {
 public:
  bool Connect(quint16 port) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return WaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; });
  }
  void Write(std::string_view bytes) {
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_.flush();
  }
  // Writes in pieces of `piece` characters with a short pause between them.
  void WriteSplit(std::string_view bytes, std::size_t piece) {
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
      Write(bytes.substr(i, piece));
      WaitFor([&] { return socket_.bytesToWrite() == 0; });
      Spin(2);
    }
  }
  void Close() { socket_.disconnectFromHost(); }
  QTcpSocket& Socket() { return socket_; }

 private:
  QTcpSocket socket_;
};

}  // namespace korvel::net::test
