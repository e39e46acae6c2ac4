#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <string>

#include "link/link_messages.h"
#include "link_fixture.h"
#include "loopback.h"
#include "project/mtp_reader.h"
#include "session/session.h"

using namespace korvel;
using namespace korvel::net::test;

// korvel-serve on a copy of the bundled example: the real loader and engine
// behind the link, the log on standard output, --save and a clean stop.
TEST(KorvelServe, ServesTheExampleProjectSavesADeliveryAndStopsOnSigterm) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QDir examples(QStringLiteral(KORVEL_EXAMPLES));
  for (const QString& name :
       examples.entryList({"*.mtp", "*.dat", "*.asc", "*.spc", "*.dsp", "*.fls"}, QDir::Files))
    ASSERT_TRUE(QFile::copy(examples.filePath(name), dir.filePath(name))) << name.toStdString();
  const std::string project = dir.filePath("example.mtp").toStdString();
  const std::string saved = dir.filePath("out.mtp").toStdString();

  // The replies the program must send, from the same project opened here.
  auto expected = MakeSession();
  OpenProject(*expected, project);
  const Project& p = expected->project;
  const std::string parameters = ParametersMessage(WorkingCopy(p, 1), 1, p.ExperimentCount, p.DomainTypeCount);

  ReplyListener replies;
  ASSERT_TRUE(replies.Listen());
  QProcess serve;
  std::string log;
  QObject::connect(&serve, &QProcess::readyReadStandardOutput,
                   [&] { log += serve.readAllStandardOutput().toStdString(); });
  serve.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  serve.start(QStringLiteral(KORVEL_SERVE_EXE),
              {QString::fromStdString(project), "--listen", "127.0.0.1", "--ports",
               QStringLiteral("0,0,%1").arg(replies.Port()), "--save", QString::fromStdString(saved)});
  const QRegularExpression ports(QStringLiteral("requests on port (\\d+), optimized parameters on port (\\d+)"));
  QRegularExpressionMatch m;
  ASSERT_TRUE(WaitFor([&] {
    m = ports.match(QString::fromStdString(log));
    return m.hasMatch() || serve.state() == QProcess::NotRunning;
  }, 60000));
  ASSERT_TRUE(m.hasMatch()) << log;

  std::size_t at = 0;
  Client requester;
  ASSERT_TRUE(requester.Connect(static_cast<quint16>(m.captured(1).toUInt())));
  requester.Write("Nbb=1;");
  EXPECT_EQ(replies.Next(at, 7), "0000002");
  EXPECT_TRUE(replies.Next(at, parameters.size()) == parameters) << "the parameters message of experiment 1";
  requester.Write("Spc01");
  const std::string spectra = replies.Next(at, 7 + 256 * 6);
  EXPECT_EQ(spectra.substr(0, 7), "0010101");

  Client sender;
  ASSERT_TRUE(sender.Connect(static_cast<quint16>(m.captured(2).toUInt())));
  sender.Write(link_test::OptimizedMessage(WorkingCopy(p, 1), 1, 9));
  sender.Close();
  ASSERT_TRUE(WaitFor([&] { return replies.Received().find("00000040000005", at) != std::string::npos; }))
      << log;
  ASSERT_TRUE(WaitFor([&] { return log.find("saved to") != std::string::npos; })) << log;

  auto reread = MakeSession();
  ReadProject(reread->project, saved);
  EXPECT_EQ(reread->project.ExperimentCount, p.ExperimentCount);
  EXPECT_EQ(reread->project.Experiment(1).GroupNumber, 9);
  EXPECT_EQ(reread->project.Experiment(1).Spectra[1].FileName, p.Experiment(1).Spectra[1].FileName);

  serve.terminate();  // SIGTERM
  ASSERT_TRUE(WaitFor([&] { return serve.state() == QProcess::NotRunning; }, 30000));
  EXPECT_EQ(serve.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(serve.exitCode(), 0);
  log += serve.readAllStandardOutput().toStdString();
  EXPECT_NE(log.find("panel 1: 1 BB"), std::string::npos) << log;
  EXPECT_NE(log.find(" stopped"), std::string::npos) << log;
}

TEST(KorvelServe, BadArgumentsAndAMissingProjectFail) {
  struct Case {
    QStringList args;
    int code;
  };
  const Case cases[] = {
      {{QStringLiteral(KORVEL_EXAMPLES "/example.mtp"), "--ports", "1,2"}, 2},
      {{QStringLiteral(KORVEL_EXAMPLES "/example.mtp"), "--listen", "not-an-address"}, 2},
      {{"no-such-project.mtp"}, 2},
  };
  for (const Case& c : cases) {
    QProcess serve;
    serve.start(QStringLiteral(KORVEL_SERVE_EXE), c.args);
    ASSERT_TRUE(serve.waitForFinished(30000));
    EXPECT_EQ(serve.exitCode(), c.code) << c.args.join(' ').toStdString();
  }
}
