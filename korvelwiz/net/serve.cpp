#include "net/serve.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>

#include <csignal>
#include <clocale>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "net/link_server.h"
#include "project/mtp_writer.h"
#include "session/session.h"

namespace korvel::net {
namespace {

int signal_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char c = 1;
  // Nothing else is safe in a signal handler; the event loop reads the pipe.
  [[maybe_unused]] const ssize_t n = ::write(signal_pipe[1], &c, 1);
}

void LogLine(const QString& text) {
  const QByteArray stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
  std::printf("%s %s\n", stamp.constData(), text.toUtf8().constData());
  std::fflush(stdout);
}

void OpenProgress(int done, int total, void*) {
  std::fprintf(stderr, "\ropening: experiment %d of %d", done, total);
  if (done >= total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

// "A,B,C": the request, parameters and reply ports (0 = any free port for
// the two listeners).
std::string ParsePorts(const std::string& text, LinkOptions& options) {
  std::vector<int> ports;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    char* end = nullptr;
    const long v = std::strtol(part.c_str(), &end, 10);
    if (part.empty() || *end != '\0' || v < 0 || v > 65535) return "a port is a number in 0..65535";
    ports.push_back(static_cast<int>(v));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (ports.size() != 3) return "three ports are needed: requests, optimized parameters, replies";
  if (ports[2] == 0) return "the reply port cannot be 0";
  options.request_port = static_cast<quint16>(ports[0]);
  options.parameters_port = static_cast<quint16>(ports[1]);
  options.reply_port = static_cast<quint16>(ports[2]);
  return "";
}

}  // namespace

int ServeMain(int argc, char** argv) {
  CLI::App cli{
      "korvel serve - hand the experiments of a project to remote optimizers over TCP and take their\n"
      "optimized parameters back. Requests (\"Nbb=\", \"Spc\", \"Next\") arrive on the first port,\n"
      "optimized parameters on the second; every reply goes to the third port on the host of the\n"
      "requester that connected last, or on --reply-host. Stop it with Ctrl-C (SIGINT) or SIGTERM.",
      "korvel serve"};
  std::string project_path, save_path, listen_text, ports_text, reply_host;
  cli.add_option("PROJECT", project_path, "the .mtp project to serve")->required()->check(CLI::ExistingFile);
  cli.add_option("--save", save_path,
                 "write the project to OUT.mtp each time optimized parameters are taken over");
  cli.add_option("--listen", listen_text, "listen on this address only (default: all interfaces)");
  cli.add_option("--ports", ports_text, "A,B,C: request, optimized-parameters and reply ports (default 53934,53935,53939)");
  cli.add_option("--reply-host", reply_host, "send replies to this host instead of the requester's");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is a success; every other argument problem is status 2.
    return cli.exit(e) == 0 ? 0 : 2;
  }

  LinkOptions options;
  if (!listen_text.empty() && !options.listen.setAddress(QString::fromStdString(listen_text))) {
    std::fprintf(stderr, "korvel serve: --listen: \"%s\" is not an IP address\n", listen_text.c_str());
    return 2;
  }
  if (!ports_text.empty()) {
    const std::string problem = ParsePorts(ports_text, options);
    if (!problem.empty()) {
      std::fprintf(stderr, "korvel serve: --ports %s: %s\n", ports_text.c_str(), problem.c_str());
      return 2;
    }
  }
  options.reply_host = QString::fromStdString(reply_host);

  QCoreApplication app(argc, argv);
  // Qt takes the user's locale; files and messages always use ".".
  std::setlocale(LC_ALL, "C");

  auto session = MakeSession();
  try {
    OpenProject(*session, project_path, true, isatty(STDERR_FILENO) ? OpenProgress : nullptr, nullptr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvel serve: %s\n", e.what());
    return 1;
  }
  LogLine(QStringLiteral("opened %1: %2 experiments")
              .arg(QString::fromStdString(project_path))
              .arg(session->project.ExperimentCount));

  LinkServer server(*session, [](Session& s, int i) { ShowExperiment(s, i); }, options);
  QObject::connect(&server, &LinkServer::StatusChanged, [](int panel, const QString& text) {
    LogLine(QStringLiteral("panel %1: %2").arg(panel).arg(text));
  });
  QObject::connect(&server, &LinkServer::LogLine, [](const QString& text) { LogLine(text); });
  if (!save_path.empty()) {
    QObject::connect(&server, &LinkServer::ParametersTaken, [&](int i) {
      try {
        SelectAllForSave(session->project);
        WriteProject(session->project, save_path);
        LogLine(QStringLiteral("experiment %1 saved to %2").arg(i).arg(QString::fromStdString(save_path)));
      } catch (const std::exception& e) {
        LogLine(QStringLiteral("saving %1 failed: %2").arg(QString::fromStdString(save_path), e.what()));
      }
    });
  }

  QString error;
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "korvel serve: %s\n", error.toUtf8().constData());
    return 1;
  }
  LogLine(QStringLiteral("listening on %1: requests on port %2, optimized parameters on port %3; replies to %4 port %5")
              .arg(options.listen.toString())
              .arg(server.RequestPort())
              .arg(server.ParametersPort())
              .arg(options.reply_host.isEmpty() ? QStringLiteral("the requester's host") : options.reply_host)
              .arg(options.reply_port));

  if (::pipe(signal_pipe) != 0) {
    std::perror("korvel serve: pipe");
    return 1;
  }
  ::fcntl(signal_pipe[1], F_SETFL, O_NONBLOCK);
  QSocketNotifier stop(signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
    char c = 0;
    [[maybe_unused]] const ssize_t n = ::read(signal_pipe[0], &c, 1);
    LogLine(QStringLiteral("stopping"));
    app.quit();
  });
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  const int status = app.exec();
  LogLine(QStringLiteral("stopped"));
  return status;
}

}  // namespace korvel::net
