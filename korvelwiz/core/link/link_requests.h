#pragma once
// Splitting the byte stream of a requester connection into requests. The
// requests have fixed forms and no terminator: "Nbb=" followed by the worker
// count, "Spc" followed by two characters that the reply echoes, and
// "Next". Over TCP one request may arrive in several pieces and several may
// arrive in one, so requests are taken from a buffer as they complete.
#include <cstddef>
#include <string>
#include <string_view>

namespace korvel {

enum class RequestKind { kWorkers, kSpectra, kNext };

struct LinkRequest {
  RequestKind kind = RequestKind::kNext;
  int workers = 0;      // kWorkers: the count after "Nbb="
  std::string echoed;   // kSpectra: characters 4 and 5 of the request
};

enum class RequestStatus {
  kRequest,     // `request` is complete
  kIncomplete,  // the buffer holds the start of a request, or nothing
  kJunk,        // characters that form no request; `problem` says what
};

struct RequestStep {
  RequestStatus status = RequestStatus::kIncomplete;
  LinkRequest request;
  std::size_t length = 0;  // characters to drop from the front of the buffer
  std::string problem;
};

// Looks at the start of `buffer`. Line ends, blanks, NUL and ";" between
// requests are skipped without complaint (they count in `length`). A worker
// count ends at the first character that is not a digit, or, when
// `at_end` says that the sender has paused or closed, at the end of the
// buffer. The start of a request stays kIncomplete whatever `at_end` says:
// the caller drops it when the connection closes. "Nbb=" without digits and
// counts longer than 9 digits are junk; other junk is dropped up to the next
// "N" or "S".
RequestStep TakeRequest(std::string_view buffer, bool at_end);

}  // namespace korvel
