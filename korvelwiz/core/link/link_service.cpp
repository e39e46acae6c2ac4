#include "link/link_service.h"

#include <fmt/format.h>

#include <exception>
#include <utility>

#include "link/link_messages.h"

namespace korvel {

LinkService::LinkService(Session& session, LinkHooks hooks)
    : session_(session),
      hooks_(std::move(hooks)),
      panels_{"0 Master", "0 BB", "0 optimizing", "", std::string(kNoMessages)} {}

void LinkService::SetPanel(int panel, std::string text) {
  panels_[static_cast<std::size_t>(panel)] = std::move(text);
  if (hooks_.status) hooks_.status(panel, panels_[static_cast<std::size_t>(panel)]);
}

void LinkService::Log(std::string_view line) {
  if (hooks_.log) hooks_.log(line);
}

void LinkService::Send(std::string_view message) {
  if (hooks_.send) hooks_.send(message);
}

bool LinkService::Show(int i) {
  if (!hooks_.show) return true;
  try {
    hooks_.show(session_, i);
    return true;
  } catch (const std::exception& e) {
    Log(fmt::format("experiment {} could not be shown: {}", i, e.what()));
    return false;
  }
}

void LinkService::RequesterConnected() { Send(kAckRequester); }

void LinkService::SenderConnected() {
  SetPanel(4, "Receiving optimized parameters");
  Send(kAckSender);
}

void LinkService::SendParameters() {
  const Project& p = session_.project;
  // The counter is kept as a number: reading it back from the first
  // character of the panel's text would break at 10.
  ++optimizing_;
  SetPanel(2, fmt::format("{} optimizing", optimizing_));
  SetPanel(4, fmt::format("Launching optimization - parameters for {}", index_));
  const Tvrecica work = WorkingCopy(p, index_);
  spectra_sent_ = 0;
  Send(ParametersMessage(work, index_, p.ExperimentCount, p.DomainTypeCount));
}

void LinkService::Workers(int n) {
  SetPanel(1, fmt::format("{} BB", n));
  index_ = 1;
  if (n <= 0) return;
  if (session_.project.ExperimentCount < 1) {
    Log("Nbb refused: the project has no experiment");
    return;
  }
  SendParameters();
}

void LinkService::Next() {
  const int count = session_.project.ExperimentCount;
  if (index_ + 1 > count) {
    Log(fmt::format("Next refused: experiment {} is the last of {}", index_, count));
    return;
  }
  ++index_;
  SendParameters();
}

void LinkService::Spectra(std::string_view echoed) {
  const Project& p = session_.project;
  if (index_ < 1 || index_ > p.ExperimentCount) {
    Log(fmt::format("Spc refused: experiment {} is outside 1..{}", index_, p.ExperimentCount));
    return;
  }
  const int available = 4 * p.Experiment(index_).SpectrumCount;
  if (spectra_sent_ >= available) {
    Log(fmt::format("Spc refused: all {} spectra messages of experiment {} were sent", available, index_));
    return;
  }
  SetPanel(4, fmt::format("Launching optimization - spectra for {}", index_));
  if (!Show(index_)) {
    SetPanel(4, std::string(kNoMessages));
    return;
  }
  ++spectra_sent_;
  if (spectra_sent_ % 4 == 0) SetPanel(4, std::string(kNoMessages));
  Send(SpectraMessage(index_, echoed, spectra_sent_, *session_.buffers));
}

void LinkService::TakeOptimized(const OptimizedParse& parse) {
  CommitOptimizedParameters(session_.project, parse);
  // Deliveries without a matching parameters message (an optimizer that
  // outlived an earlier run of this program) do not make the count negative.
  if (optimizing_ > 0) --optimizing_;
  SetPanel(2, fmt::format("{} optimizing", optimizing_));
  Show(parse.index);
  if (hooks_.taken) {
    try {
      hooks_.taken(session_, parse.index);
    } catch (const std::exception& e) {
      Log(fmt::format("optimized parameters of experiment {}: {}", parse.index, e.what()));
    }
  }
  SetPanel(4, std::string(kNoMessages));
  Send(kAckTaken);
}

void LinkService::FeedRequests(LinkInput& input, bool idle) {
  std::size_t used = 0;
  for (;;) {
    const RequestStep step = TakeRequest(std::string_view(input.buffer).substr(used), idle);
    used += step.length;
    if (step.status == RequestStatus::kIncomplete) break;
    if (step.status == RequestStatus::kJunk) {
      Log(fmt::format("request ignored: {}", step.problem));
      continue;
    }
    switch (step.request.kind) {
      case RequestKind::kWorkers: Workers(step.request.workers); break;
      case RequestKind::kSpectra: Spectra(step.request.echoed); break;
      case RequestKind::kNext: Next(); break;
    }
  }
  input.buffer.erase(0, used);
  if (input.buffer.size() > kMaxInput) {
    Log(fmt::format("request input of {} characters dropped: no request in it", input.buffer.size()));
    input.buffer.clear();
  }
}

void LinkService::FeedOptimized(LinkInput& input, bool idle) {
  if (input.discarding) {
    input.buffer.clear();
    if (idle) input.discarding = false;
    return;
  }
  std::size_t used = 0;
  while (used < input.buffer.size()) {
    // Line ends and blanks between messages are not part of them.
    const char c = input.buffer[used];
    if (c == '\r' || c == '\n' || c == '\0' || c == ' ' || c == '\t') {
      ++used;
      continue;
    }
    const OptimizedParse parse =
        ParseOptimizedParameters(std::string_view(input.buffer).substr(used), idle, session_.project);
    if (parse.status == OptimizedStatus::kIncomplete) break;
    if (parse.status == OptimizedStatus::kMalformed) {
      Log(fmt::format("optimized parameters refused: {}", parse.problem));
      // Nothing after a broken field can be trusted to start a message.
      input.buffer.clear();
      input.discarding = !idle;
      SetPanel(4, std::string(kNoMessages));
      return;
    }
    used += parse.length;
    TakeOptimized(parse);
  }
  input.buffer.erase(0, used);
  if (input.buffer.size() > kMaxInput) {
    Log(fmt::format("optimized parameters of {} characters dropped: longer than any message",
                    input.buffer.size()));
    input.buffer.clear();
    input.discarding = true;
  }
}

void LinkService::RequesterClosed(LinkInput& input) {
  FeedRequests(input, true);
  if (input.buffer.find_first_not_of(std::string_view("\r\n \t\0;", 6)) != std::string::npos)
    Log(fmt::format("unfinished request dropped at close: {} characters", input.buffer.size()));
  input.buffer.clear();
}

void LinkService::SenderClosed(LinkInput& input) {
  if (!input.discarding) FeedOptimized(input, true);
  if (input.buffer.find_first_not_of(std::string_view("\r\n \t\0", 5)) != std::string::npos) {
    Log(fmt::format("unfinished optimized parameters dropped at close: {} characters", input.buffer.size()));
    SetPanel(4, std::string(kNoMessages));
  }
  input.buffer.clear();
  input.discarding = false;
}

}  // namespace korvel
