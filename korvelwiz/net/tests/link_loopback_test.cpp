#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "link/link_messages.h"
#include "link_fixture.h"
#include "loopback.h"
#include "net/link_server.h"

using namespace korvel;
using namespace korvel::link_test;
using namespace korvel::net;
using namespace korvel::net::test;

namespace {

// A link on loopback with free ports, serving a project built in code.
class Loopback : public ::testing::Test {
 protected:
  void Start(int experiments = 3, bool fixed_reply_host = false, quint16 reply_port = 0) {
    session_ = MakeLinkSession(experiments);
    replies_ = std::make_unique<ReplyListener>();
    if (reply_port == 0) {
      ASSERT_TRUE(replies_->Listen());
      reply_port = replies_->Port();
    }
    LinkOptions o;
    o.listen = QHostAddress(QHostAddress::LocalHost);
    o.request_port = 0;
    o.parameters_port = 0;
    o.reply_port = reply_port;
    if (fixed_reply_host) o.reply_host = QStringLiteral("127.0.0.1");
    o.idle_ms = 100;
    o.retry_ms = 50;
    server_ = std::make_unique<LinkServer>(*session_, FakeShow, o);
    QObject::connect(server_.get(), &LinkServer::StatusChanged,
                     [this](int panel, const QString& t) { status_.push_back(QString::number(panel) + ":" + t); });
    QObject::connect(server_.get(), &LinkServer::LogLine, [this](const QString& t) { logs_.push_back(t); });
    QObject::connect(server_.get(), &LinkServer::ParametersTaken, [this](int i) { taken_.push_back(i); });
    QString error;
    ASSERT_TRUE(server_->Listen(&error)) << error.toStdString();
  }

  // The replies the link must send, computed from the project as it is now.
  std::string Parameters(int i) const {
    const Project& p = session_->project;
    return ParametersMessage(WorkingCopy(p, i), i, p.ExperimentCount, p.DomainTypeCount);
  }
  std::string Spectra(int i, std::string_view echoed, int m) const {
    auto shown = MakeLinkSession(3);
    FakeShow(*shown, i);
    return SpectraMessage(i, echoed, m, *shown->buffers);
  }

  bool HasStatus(const QString& s) const { return status_.contains(s); }

  std::unique_ptr<ReplyListener> replies_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<LinkServer> server_;
  QStringList status_, logs_;
  std::vector<int> taken_;
};

}  // namespace

TEST_F(Loopback, RequestsAndADeliveryAreAnsweredOnTheReplyConnection) {
  Start();
  std::size_t at = 0;
  Client requester;
  ASSERT_TRUE(requester.Connect(server_->RequestPort()));
  EXPECT_EQ(replies_->Next(at, 7), "0000002");

  const std::string p1 = Parameters(1);
  requester.Write("Nbb=2");
  EXPECT_TRUE(replies_->Next(at, p1.size()) == p1) << "the parameters message of experiment 1";
  EXPECT_TRUE(HasStatus("1:2 BB"));

  for (int m = 1; m <= 4; ++m) {
    const std::string expected = Spectra(1, "q" + std::to_string(m), m);
    requester.Write("Spcq" + std::to_string(m));
    EXPECT_TRUE(replies_->Next(at, expected.size()) == expected) << "spectra message " << m;
  }
  EXPECT_EQ(server_->Service().Panel(4), "No messages");

  const std::string p2 = Parameters(2);
  requester.Write("Next");
  EXPECT_TRUE(replies_->Next(at, p2.size()) == p2) << "the parameters message of experiment 2";
  const std::string first_of_two = Spectra(2, "zz", 1);
  requester.Write("Spczz");
  EXPECT_TRUE(replies_->Next(at, first_of_two.size()) == first_of_two) << "the count restarts";

  // Experiment 3 is shown; a delivery for experiment 2 changes it alone and
  // makes it the current one.
  FakeShow(*session_, 3);
  const Tspcmf before1 = session_->project.Experiment(1);
  const Tspcmf before3 = session_->project.Experiment(3);
  Client sender;
  ASSERT_TRUE(sender.Connect(server_->ParametersPort()));
  EXPECT_EQ(replies_->Next(at, 7), "0000004");
  EXPECT_TRUE(HasStatus("4:Receiving optimized parameters"));
  sender.Write(OptimizedMessage(session_->project, 2, 4.125, 6) + "\r\n");
  EXPECT_EQ(replies_->Next(at, 7), "0000005");
  const Project& p = session_->project;
  EXPECT_EQ(taken_, std::vector<int>{2});
  EXPECT_EQ(p.CurrentExperiment, 2);
  EXPECT_DOUBLE_EQ(p.Experiment(2).Domains[1].Values[2], 4.125);
  EXPECT_EQ(p.Experiment(2).GroupNumber, 6);
  EXPECT_EQ(p.Experiment(1).Domains[1].Values, before1.Domains[1].Values);
  EXPECT_EQ(p.Experiment(3).Domains[1].Values, before3.Domains[1].Values);
  EXPECT_EQ(server_->Service().Panel(2), "1 optimizing");
  EXPECT_EQ(replies_->Connections(), 1);
  EXPECT_TRUE(logs_.filter("refused").isEmpty()) << logs_.join("\n").toStdString();
}

TEST_F(Loopback, SplitAndCoalescedWritesGiveTheSameReplies) {
  const std::string requests = "Nbb=12Spc01Spc02Spc03Spc04NextSpcab";
  for (int split = 0; split < 2; ++split) {
    SCOPED_TRACE(split ? "split" : "coalesced");
    Start();
    std::string expected = "0000002" + Parameters(1);
    for (int m = 1; m <= 4; ++m) expected += Spectra(1, "0" + std::to_string(m), m);
    expected += Parameters(2) + Spectra(2, "ab", 1);
    const std::string delivery = OptimizedMessage(session_->project, 3, 0.5, 3);

    Client requester;
    ASSERT_TRUE(requester.Connect(server_->RequestPort()));
    if (split)
      requester.WriteSplit(requests, 3);
    else
      requester.Write(requests);
    ASSERT_TRUE(WaitFor([&] { return replies_->Received().size() >= expected.size(); }))
        << replies_->Received().size() << " of " << expected.size();
    EXPECT_TRUE(replies_->Received() == expected);

    Client sender;
    ASSERT_TRUE(sender.Connect(server_->ParametersPort()));
    // No terminator: the pause after the group number ends the message.
    if (split)
      sender.WriteSplit(delivery, 101);
    else
      sender.Write(delivery);
    ASSERT_TRUE(WaitFor([&] { return taken_.size() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return replies_->Received().size() >= expected.size() + 14; }));
    EXPECT_EQ(replies_->Received().substr(expected.size()), "00000040000005");
    EXPECT_DOUBLE_EQ(session_->project.Experiment(3).Domains[1].Values[2], 0.5);
    EXPECT_EQ(server_->Service().Panel(1), "12 BB");
    EXPECT_TRUE(logs_.filter("refused").isEmpty() && logs_.filter("ignored").isEmpty())
        << logs_.join("\n").toStdString();
    server_.reset();
    taken_.clear();
    logs_.clear();
  }
}

TEST_F(Loopback, RepliesWaitInOrderUntilTheReplyConnectionOpens) {
  // A free port that nothing listens on yet.
  quint16 port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }
  Start(3, true, port);
  Client requester;
  ASSERT_TRUE(requester.Connect(server_->RequestPort()));
  requester.Write("Nbb=1Spc01");
  ASSERT_TRUE(WaitFor([&] { return server_->PendingReplies() == 3; }));
  EXPECT_FALSE(server_->ReplyConnected());

  ASSERT_TRUE(replies_->Listen(port));
  const std::string expected = "0000002" + Parameters(1) + Spectra(1, "01", 1);
  std::size_t at = 0;
  EXPECT_TRUE(replies_->Next(at, expected.size()) == expected);
  EXPECT_EQ(server_->PendingReplies(), 0);
  EXPECT_TRUE(server_->ReplyConnected());
}

TEST_F(Loopback, MalformedInputIsLoggedAndChangesNothing) {
  Start();
  const double before = session_->project.Experiment(2).Domains[1].Values[2];
  Client sender;
  ASSERT_TRUE(sender.Connect(server_->ParametersPort()));
  std::string bad = OptimizedMessage(session_->project, 2, 9.75, 2);
  bad.replace(bad.find(";9.75;"), 6, ";9.7.5;");
  sender.Write(bad);
  sender.Close();
  Client requester;
  ASSERT_TRUE(requester.Connect(server_->RequestPort()));
  requester.Write("Hello\r\nNext");
  ASSERT_TRUE(WaitFor([&] { return logs_.filter("refused").size() >= 1 && logs_.filter("ignored").size() >= 1; }))
      << logs_.join("\n").toStdString();
  EXPECT_TRUE(taken_.empty());
  EXPECT_EQ(session_->project.Experiment(2).Domains[1].Values[2], before);
}

TEST_F(Loopback, FiftyClientsEachCompleteASequenceAndADelivery) {
  constexpr int kClients = 50;
  Start(kClients);
  const Project snapshot = session_->project;
  std::vector<std::unique_ptr<QTcpSocket>> sockets;
  QElapsedTimer clock;
  clock.start();
  for (int k = 1; k <= kClients; ++k) {
    auto requester = std::make_unique<QTcpSocket>();
    auto sender = std::make_unique<QTcpSocket>();
    QTcpSocket* r = requester.get();
    QTcpSocket* s = sender.get();
    QObject::connect(r, &QTcpSocket::connected, [r] { r->write("Nbb=1Spc01Spc02Spc03Spc04Next"); });
    const std::string delivery = OptimizedMessage(snapshot, k, 1.0 + k / 100.0, k);
    QObject::connect(s, &QTcpSocket::connected, [s, delivery] {
      s->write(delivery.data(), static_cast<qint64>(delivery.size()));
      s->disconnectFromHost();  // the close ends the group number
    });
    r->connectToHost(QHostAddress::LocalHost, server_->RequestPort());
    s->connectToHost(QHostAddress::LocalHost, server_->ParametersPort());
    sockets.push_back(std::move(requester));
    sockets.push_back(std::move(sender));
  }
  ASSERT_TRUE(WaitFor([&] { return taken_.size() == kClients; }, 60000))
      << taken_.size() << " of " << kClients << " deliveries";
  std::size_t acks = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        acks = 0;
        for (std::size_t pos = 0; (pos = replies_->Received().find("0000005", pos)) != std::string::npos; ++pos)
          ++acks;
        return acks >= kClients;
      },
      60000));
  const qint64 elapsed = clock.elapsed();
  for (int k = 1; k <= kClients; ++k) {
    EXPECT_DOUBLE_EQ(session_->project.Experiment(k).Domains[1].Values[2], 1.0 + k / 100.0) << k;
    EXPECT_EQ(session_->project.Experiment(k).GroupNumber, k);
  }
  RecordProperty("milliseconds", static_cast<int>(elapsed));
  std::printf("50 clients, 50 deliveries on loopback: %lld ms\n", static_cast<long long>(elapsed));
}
