#pragma once
// The optimization link over Qt Network, in the event loop of the caller's
// thread: two listeners for the remote optimizers and the one outgoing
// connection on which every reply goes out. The message logic is the
// core's LinkService; this class owns the sockets, buffers each
// connection's bytes and publishes the status texts and log lines as
// signals, so that a window can show them and the command line can log them.
//
//   request listener     (53934)  "Nbb=", "Spc", "Next"
//   parameters listener  (53935)  optimized parameters
//   reply connection     (53939 on the requester's host, or on --reply-host)
//
// The reply connection is opened to the host of the requester that
// connected last (it is reopened only when that host differs or the
// connection is down), or to a fixed host. Replies made while it is not
// connected wait in order and go out once it connects; beyond
// `max_pending_replies` they are dropped with a log line. While replies
// wait and a target is known, connecting is retried every `retry_ms`.
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "link/link_service.h"

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace korvel::net {

struct LinkOptions {
  QHostAddress listen = QHostAddress(QHostAddress::Any);
  quint16 request_port = 53934;     // 0: any free port (see RequestPort)
  quint16 parameters_port = 53935;  // 0: any free port
  quint16 reply_port = 53939;
  QString reply_host;               // empty: the latest requester's host
  int max_pending_replies = 4096;
  int idle_ms = 150;   // a pause that ends a message without a terminator
  int retry_ms = 1000;
};

class LinkServer : public QObject {
  Q_OBJECT

 public:
  using ShowFn = std::function<void(Session&, int)>;

  // `show` loads and simulates an experiment (ShowExperiment in the program).
  LinkServer(Session& session, ShowFn show, LinkOptions options, QObject* parent = nullptr);
  ~LinkServer() override;

  // Starts both listeners. On failure returns false with the reason.
  bool Listen(QString* error);

  quint16 RequestPort() const;
  quint16 ParametersPort() const;
  // Host the replies go to ("" until a requester connected or one is fixed).
  QString ReplyHost() const { return reply_target_; }
  bool ReplyConnected() const;
  int PendingReplies() const { return static_cast<int>(pending_.size()); }

  const LinkService& Service() const { return *service_; }

 signals:
  // Panel 1 ("N BB"), 2 ("N optimizing") or 4 (messages) shows `text`.
  void StatusChanged(int panel, const QString& text);
  // A refusal, a dropped input or the state of the reply connection.
  void LogLine(const QString& line);
  // Optimized parameters of `experiment` were taken into the project; sent
  // before the acknowledgement goes out, so a receiver may save them first.
  void ParametersTaken(int experiment);

 private:
  struct Connection;

  void AcceptRequesters();
  void AcceptSenders();
  void Adopt(QTcpSocket* socket, bool optimized);
  void Process();
  void ProcessOne(Connection& c);

  void SendReply(std::string_view message);
  void SetReplyTarget(const QString& host);
  void OpenReplyConnection();
  void FlushReplies();
  void ReplyLost(const QString& why);

  Session& session_;
  LinkOptions options_;
  std::unique_ptr<LinkService> service_;
  QTcpServer* requests_ = nullptr;
  QTcpServer* parameters_ = nullptr;
  std::map<QTcpSocket*, std::unique_ptr<Connection>> connections_;
  bool busy_ = false;

  QTcpSocket* reply_ = nullptr;
  QString reply_target_;
  QTimer* retry_ = nullptr;
  bool reply_failure_logged_ = false;
  std::deque<std::string> pending_;
  bool overflow_logged_ = false;
};

}  // namespace korvel::net
