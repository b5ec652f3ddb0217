// Everything the sample platform remembers while it runs: where its pages
// are, which personality it plays, whether it is pretending to be down, who
// is signed in, and the request log. Route handlers get this one object.
#pragma once

#include "mode.hpp"
#include "request_log.hpp"
#include "sessions.hpp"

#include <filesystem>
#include <vector>

namespace velmora::sample {

// How the server behaves when switched "down" by /__control.
enum class Outage {
  none,               // serving normally
  dropConnection,     // every request loses its connection without an answer
  serviceUnavailable, // every request is answered 503
  silent,             // every connection is accepted and held without an answer
};

// A working day compressed: while `loads` is set, the dashboard moves on to
// its next instance by itself until it has been loaded that many times.
struct Soak {
  int loads = 0;
  // Loads after which the page waits, settled, until the harness has taken
  // its measurements and releases it.
  std::vector<int> held;
};

struct Platform {
  std::filesystem::path fixtures;
  Mode mode = Mode::current;
  Outage outage = Outage::none;
  // The unread count the workspace pages show; 0 renders the element hidden.
  int notificationCount = 3;
  // Signs every visitor of the sign-in page in at once, for tests that need
  // a session without typing into the form.
  bool autoSignIn = false;
  // Answers say "no-cache" rather than "no-store", so a client may keep a
  // copy of a page (each view still reaches the server and its log); the
  // invoices stay "no-store", a page the platform wants kept nowhere.
  bool storable = false;
  Soak soak{};
  RequestLog log;
  SessionStore sessions;
};

} // namespace velmora::sample
