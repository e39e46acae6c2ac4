#pragma once
// The optimization link without its sockets: the link state, the answers to
// the requests of the remote optimizers, the take-over of optimized
// parameters and the status texts. A front end owns the connections and
// feeds each one's bytes here; everything runs on the caller's thread.
//
// Requests (port 53934 by default): a connection gets "0000002"; "Nbb=N"
// shows N in panel 1, sets the link's experiment to 1 and, when N > 0,
// sends that experiment's parameters message; "Spc" + two characters shows
// the link's experiment (load and simulate) and sends the next quarter of
// its spectra; "Next" moves to the following experiment and sends its
// parameters message. Optimized parameters (port 53935 by default): a
// connection gets "0000004"; a complete message replaces the project's
// settings and the experiment it names, makes that experiment current,
// shows it and gets "0000005". Every reply goes through `send`, which the
// front end writes to its outgoing connection.
//
// Refused, with a log line and no other change: a request for an experiment
// outside 1..ExperimentCount, more than 4 * SpectrumCount spectra messages
// after one parameters message, unknown requests and malformed optimized
// parameters. The project is only changed by a fully parsed message.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "link/link_requests.h"
#include "link/optimized_parameters.h"
#include "session/session.h"

namespace korvel {

struct LinkHooks {
  // Sends one reply on the outgoing connection.
  std::function<void(std::string_view message)> send;
  // Panel 1, 2 or 4 shows a new text.
  std::function<void(int panel, std::string_view text)> status;
  // A refusal, a dropped input or a failure, for the log.
  std::function<void(std::string_view line)> log;
  // Shows experiment i: loads its spectra into the session's buffers and
  // simulates (ShowExperiment in the program). May throw std::exception.
  std::function<void(Session& session, int i)> show;
  // Optional: optimized parameters of experiment i were taken over (called
  // before "0000005" is sent, so a front end can save them first).
  std::function<void(Session& session, int i)> taken;
};

// Bytes received on one connection and not taken yet.
struct LinkInput {
  std::string buffer;
  bool discarding = false;  // the rest of a malformed message, until the sender pauses
};

class LinkService {
 public:
  // An input that grows past this without forming a message is dropped.
  static constexpr std::size_t kMaxInput = 256 * 1024;

  LinkService(Session& session, LinkHooks hooks);

  // Requester connections.
  void RequesterConnected();
  // Takes every complete request from the front of `input`. `idle`: the
  // sender has paused, so a worker count at the end is complete.
  void FeedRequests(LinkInput& input, bool idle);

  // Connections that deliver optimized parameters.
  void SenderConnected();
  // Takes every complete message from the front of `input`. `idle`: the
  // sender has paused, so a GroupNumber at the end is complete.
  void FeedOptimized(LinkInput& input, bool idle);

  // A connection closed: whatever it left unfinished is dropped (logged).
  void RequesterClosed(LinkInput& input);
  void SenderClosed(LinkInput& input);

  // The single requests, as the feeds call them.
  void Workers(int n);
  void Spectra(std::string_view echoed);
  void Next();
  // Commits a complete parse, shows the experiment and acknowledges.
  void TakeOptimized(const OptimizedParse& parse);

  int ExperimentIndex() const { return index_; }
  int SpectraSent() const { return spectra_sent_; }
  int Optimizing() const { return optimizing_; }
  // Status panel texts 0..4 ("0 Master", "0 BB", "0 optimizing", the
  // window's panel 3, "No messages").
  const std::string& Panel(int panel) const { return panels_[static_cast<std::size_t>(panel)]; }

 private:
  void SetPanel(int panel, std::string text);
  void Log(std::string_view line);
  void Send(std::string_view message);
  bool Show(int i);
  void SendParameters();

  Session& session_;
  LinkHooks hooks_;
  int index_ = 1;
  int spectra_sent_ = 0;
  int optimizing_ = 0;
  std::array<std::string, 5> panels_;
};

inline constexpr std::string_view kNoMessages = "No messages";

}  // namespace korvel
