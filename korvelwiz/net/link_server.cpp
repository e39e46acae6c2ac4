#include "net/link_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace korvel::net {

// One accepted connection: its unread bytes and what the event loop has
// reported for it since it was last processed.
struct LinkServer::Connection {
  QTcpSocket* socket = nullptr;
  bool optimized = false;  // on the parameters listener
  LinkInput input;
  QTimer idle;
  bool greeted = false;
  bool has_data = false;
  bool idle_fired = false;
  bool closed = false;
};

namespace {

// A peer on a dual-stack listener shows up as ::ffff:a.b.c.d; replies go to
// the plain IPv4 address.
QString PeerHost(const QTcpSocket& socket) {
  QHostAddress a = socket.peerAddress();
  bool v4 = false;
  const quint32 ip = a.toIPv4Address(&v4);
  if (v4) a = QHostAddress(ip);
  return a.toString();
}

}  // namespace

LinkServer::LinkServer(Session& session, ShowFn show, LinkOptions options, QObject* parent)
    : QObject(parent), session_(session), options_(std::move(options)) {
  LinkHooks hooks;
  hooks.send = [this](std::string_view m) { SendReply(m); };
  hooks.status = [this](int panel, std::string_view text) {
    emit StatusChanged(panel, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  };
  hooks.log = [this](std::string_view line) {
    emit LogLine(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
  };
  hooks.show = std::move(show);
  hooks.taken = [this](Session&, int i) { emit ParametersTaken(i); };
  service_ = std::make_unique<LinkService>(session_, std::move(hooks));

  requests_ = new QTcpServer(this);
  parameters_ = new QTcpServer(this);
  connect(requests_, &QTcpServer::newConnection, this, &LinkServer::AcceptRequesters);
  connect(parameters_, &QTcpServer::newConnection, this, &LinkServer::AcceptSenders);

  retry_ = new QTimer(this);
  retry_->setSingleShot(true);
  connect(retry_, &QTimer::timeout, this, &LinkServer::OpenReplyConnection);

  if (!options_.reply_host.isEmpty()) reply_target_ = options_.reply_host;
}

LinkServer::~LinkServer() {
  // Sockets are deleted with their servers after this body; their last
  // signals must not reach the handlers of a half-destroyed object.
  for (auto& [socket, c] : connections_) disconnect(socket, nullptr, this, nullptr);
  if (reply_) disconnect(reply_, nullptr, this, nullptr);
}

bool LinkServer::Listen(QString* error) {
  if (!requests_->listen(options_.listen, options_.request_port)) {
    if (error)
      *error = QStringLiteral("cannot listen for requests on %1:%2: %3")
                   .arg(options_.listen.toString())
                   .arg(options_.request_port)
                   .arg(requests_->errorString());
    return false;
  }
  if (!parameters_->listen(options_.listen, options_.parameters_port)) {
    if (error)
      *error = QStringLiteral("cannot listen for optimized parameters on %1:%2: %3")
                   .arg(options_.listen.toString())
                   .arg(options_.parameters_port)
                   .arg(parameters_->errorString());
    requests_->close();
    return false;
  }
  if (!reply_target_.isEmpty()) OpenReplyConnection();
  return true;
}

quint16 LinkServer::RequestPort() const { return requests_->serverPort(); }
quint16 LinkServer::ParametersPort() const { return parameters_->serverPort(); }

bool LinkServer::ReplyConnected() const {
  return reply_ && reply_->state() == QAbstractSocket::ConnectedState;
}

void LinkServer::AcceptRequesters() {
  while (QTcpSocket* s = requests_->nextPendingConnection()) Adopt(s, false);
}

void LinkServer::AcceptSenders() {
  while (QTcpSocket* s = parameters_->nextPendingConnection()) Adopt(s, true);
}

void LinkServer::Adopt(QTcpSocket* socket, bool optimized) {
  auto owned = std::make_unique<Connection>();
  Connection& c = *owned;
  c.socket = socket;
  c.optimized = optimized;
  c.idle.setSingleShot(true);
  c.idle.setInterval(options_.idle_ms);
  connections_.emplace(socket, std::move(owned));

  // Events only record what happened; Process() acts on them, one at a
  // time even if a handler lets the event loop run (the engine's message
  // pump) and new events arrive meanwhile.
  auto find = [this, socket]() -> Connection* {
    const auto it = connections_.find(socket);
    return it == connections_.end() ? nullptr : it->second.get();
  };
  connect(socket, &QTcpSocket::readyRead, this, [this, find] {
    if (Connection* k = find()) {
      k->has_data = true;
      Process();
    }
  });
  connect(socket, &QTcpSocket::disconnected, this, [this, find] {
    if (Connection* k = find()) {
      k->closed = true;
      Process();
    }
  });
  connect(&c.idle, &QTimer::timeout, this, [this, find] {
    if (Connection* k = find()) {
      k->idle_fired = true;
      Process();
    }
  });
  if (!optimized) SetReplyTarget(PeerHost(*socket));
  if (socket->bytesAvailable() > 0) c.has_data = true;
  if (socket->state() != QAbstractSocket::ConnectedState) c.closed = true;
  Process();
}

void LinkServer::Process() {
  if (busy_) return;
  busy_ = true;
  for (bool again = true; again;) {
    again = false;
    for (auto it = connections_.begin(); it != connections_.end();) {
      Connection& c = *it->second;
      const bool had_work = !c.greeted || c.has_data || c.idle_fired || c.closed;
      if (had_work) {
        ProcessOne(c);
        again = true;
      }
      if (c.closed) {
        c.socket->deleteLater();
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  busy_ = false;
}

void LinkServer::ProcessOne(Connection& c) {
  LinkService& link = *service_;
  if (!c.greeted) {
    c.greeted = true;
    if (c.optimized)
      link.SenderConnected();
    else
      link.RequesterConnected();
  }
  auto feed = [&](bool idle) {
    if (c.optimized)
      link.FeedOptimized(c.input, idle);
    else
      link.FeedRequests(c.input, idle);
  };
  bool fed = false;
  if (c.has_data || c.closed) {
    c.has_data = false;
    const QByteArray bytes = c.socket->readAll();
    c.input.buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!c.closed) {
      feed(false);
      fed = true;
    }
  }
  if (c.idle_fired) {
    c.idle_fired = false;
    if (!c.closed) feed(true);
  }
  if (c.closed) {
    if (c.optimized)
      link.SenderClosed(c.input);
    else
      link.RequesterClosed(c.input);
    c.idle.stop();
    return;
  }
  // Something is left that may be a message whose end is only a pause.
  if (fed && !c.input.buffer.empty()) c.idle.start();
}

void LinkServer::SendReply(std::string_view message) {
  if (ReplyConnected() && pending_.empty()) {
    reply_->write(message.data(), static_cast<qint64>(message.size()));
    return;
  }
  if (static_cast<int>(pending_.size()) >= options_.max_pending_replies) {
    emit LogLine(QStringLiteral("reply dropped (%1 characters): %2 replies already wait for the reply connection")
                     .arg(message.size())
                     .arg(pending_.size()));
    return;
  }
  pending_.emplace_back(message);
  OpenReplyConnection();
}

void LinkServer::SetReplyTarget(const QString& host) {
  if (!options_.reply_host.isEmpty()) return;
  const bool same = host == reply_target_;
  if (same && reply_ && reply_->state() != QAbstractSocket::UnconnectedState) return;
  if (!same && reply_) {
    // What the old connection still holds is written out before it closes.
    QTcpSocket* old = reply_;
    reply_ = nullptr;
    disconnect(old, nullptr, this, nullptr);
    connect(old, &QTcpSocket::disconnected, old, &QObject::deleteLater);
    old->disconnectFromHost();
    if (old->state() == QAbstractSocket::UnconnectedState) old->deleteLater();
  }
  reply_target_ = host;
  reply_failure_logged_ = false;
  OpenReplyConnection();
}

void LinkServer::OpenReplyConnection() {
  if (reply_target_.isEmpty()) return;
  if (reply_ && reply_->state() != QAbstractSocket::UnconnectedState) return;
  if (!reply_) {
    reply_ = new QTcpSocket(this);
    connect(reply_, &QTcpSocket::connected, this, [this] {
      reply_failure_logged_ = false;
      emit LogLine(QStringLiteral("replies go to %1:%2").arg(reply_target_).arg(options_.reply_port));
      FlushReplies();
    });
    connect(reply_, &QTcpSocket::errorOccurred, this, [this] { ReplyLost(reply_->errorString()); });
    connect(reply_, &QTcpSocket::disconnected, this, [this] { ReplyLost(QStringLiteral("closed by the peer")); });
  }
  reply_->connectToHost(reply_target_, options_.reply_port);
}

void LinkServer::FlushReplies() {
  while (!pending_.empty() && ReplyConnected()) {
    const std::string& m = pending_.front();
    reply_->write(m.data(), static_cast<qint64>(m.size()));
    pending_.pop_front();
  }
}

void LinkServer::ReplyLost(const QString& why) {
  if (!reply_failure_logged_) {
    reply_failure_logged_ = true;
    emit LogLine(QStringLiteral("reply connection to %1:%2: %3; %4 replies wait")
                     .arg(reply_target_)
                     .arg(options_.reply_port)
                     .arg(why)
                     .arg(pending_.size()));
  }
  if (!pending_.empty() && !retry_->isActive()) retry_->start(options_.retry_ms);
}

}  // namespace korvel::net
