// The last copy of each platform page, for the desk to read while the
// server is down: which pages are worth keeping, how many copies stay, which
// copy the error screen offers, and where a link inside a copy leads. A copy
// is the page as it was on screen, saved as one archive and shown again
// under an address scheme of the application's own, so the navigation
// policy can tell a copy from the live platform and keep it from reaching
// the network. Everything here is a pure function of its arguments.
#pragma once

#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Copies are shown at velmora-copy://last-copy/PATH, PATH being the
// platform page's own path.
inline constexpr std::string_view lastCopyScheme = "velmora-copy";

// The newest copies kept, and the most room they take together. A copy of
// an everyday page is tens of kilobytes; a big table a few megabytes.
inline constexpr std::size_t lastCopiesKept = 20;
inline constexpr std::uint64_t lastCopiesBytes = 50ull * 1024 * 1024;

// A page is saved this long after its load ends, so what its scripts build
// just after the load is in the copy, and then again at most this often
// while it stays on show and changes.
inline constexpr std::chrono::seconds firstCopyDelay{2};
inline constexpr std::chrono::seconds nextCopyInterval{60};

// One kept copy, as the index lists it.
struct LastCopy {
  std::string path;         // the platform path it stands for, "/dashboard"
  std::string address;      // the live address it was saved from
  std::int64_t savedAt = 0; // seconds since the epoch when it was last known current
  std::uint64_t size = 0;   // bytes of its archive
  std::string fingerprint;  // archiveFingerprint of its archive
  friend bool operator==(const LastCopy&, const LastCopy&) = default;
};

// Every copy, all of one server's: copies of another server are never
// offered, and are forgotten once the address changes.
struct LastCopyIndex {
  std::string server; // the server address the copies were made of
  std::vector<LastCopy> copies;
  friend bool operator==(const LastCopyIndex&, const LastCopyIndex&) = default;
};

// The key a page's copy is kept under: the percent-encoded path, without a
// trailing "/". None for anything that is not one of the platform's own
// pages (another site, the public root page, a copy itself).
[[nodiscard]] std::optional<std::string> copyPath(const std::optional<Url>& page,
                                                  const Url& server);

// Whether a page that has finished loading is kept: a platform page, but
// never the sign-in page (whose form is all it holds, and which a signed-out
// desk must not be led past) nor one whose answer said Cache-Control:
// no-store.
[[nodiscard]] bool shouldKeepCopy(const std::optional<Url>& page, const Url& server,
                                  bool forbidsStoring);

// Whether the page is the platform's sign-in page.
[[nodiscard]] bool isSignInPage(const std::optional<Url>& page, const Url& server);

// Whether a Cache-Control header value forbids keeping the answer: it holds
// a "no-store" directive (any letter case, any place in the list).
[[nodiscard]] bool forbidsStoring(std::string_view cacheControl);

// The address a copy is shown at, and back: the path of a copy's address,
// none for any other address.
[[nodiscard]] Url copyAddress(std::string_view path);
[[nodiscard]] std::optional<std::string> pathOfCopyAddress(const std::optional<Url>& address);
[[nodiscard]] bool isCopyAddress(const std::optional<Url>& address);

// The name of a copy's file: a hash of its path, so no page text ever makes
// part of a file name. Always 16 hexadecimal digits and ".mhtml".
[[nodiscard]] std::string copyFileName(std::string_view path);

// The copy the error screen offers for a failed load: the failed page's own
// when there is one, else the dashboard's; none when the copies are of
// another server.
[[nodiscard]] std::optional<LastCopy>
copyToOffer(const LastCopyIndex& index, const std::optional<Url>& failedPage, const Url& server);

// The copy kept for a path; none when there is none.
[[nodiscard]] std::optional<LastCopy> copyFor(const LastCopyIndex& index, std::string_view path);

// The index with `copy` in place of any older copy of the same path, newest
// first, then trimmed: the newest lastCopiesKept copies that fit within
// lastCopiesBytes together. A copy bigger than the whole budget is never
// kept. `dropped` gets the paths whose files must go.
[[nodiscard]] LastCopyIndex withCopy(LastCopyIndex index, LastCopy copy,
                                     std::vector<std::string>& dropped);

// What a navigation does while a copy is on show, or when it heads for a
// copy's address. `notACopy` leaves it to the live navigation policy.
enum class CopyNavigation {
  notACopy,      // neither on nor to a copy: the live policy decides
  allow,         // the copy's address loads; everything comes from its archive
  showCopy,      // cancelled; the copy of the linked page loads instead
  errorScreen,   // cancelled; the error screen shows, with the linked page to come back
  openInBrowser, // another site or a mail or phone link: the desktop opens it
  ignore,        // cancelled, nothing else happens
};
struct CopyNavigationOutcome {
  CopyNavigation kind = CopyNavigation::notACopy;
  std::optional<Url> target{}; // the copy to show, or the page the error screen brings back
  friend bool operator==(const CopyNavigationOutcome&, const CopyNavigationOutcome&) = default;
};

// A click in a copy leads to the copy of the page it names, or to the error
// screen when none is kept; a form sent from a copy is such a click too, so
// nothing of it is ever sent. A copy's own address loads in the main frame
// or as a step in the history, and only while its copy exists. Anything
// that starts without the user on a copy (a refresh, a frame) is refused,
// except a main-frame load the application asks for itself (reconnecting,
// Try Again) and a step back or forward, which the live policy then judges.
[[nodiscard]] CopyNavigationOutcome
copyNavigationOutcome(const std::optional<Url>& target, FrameTarget frame, bool userGesture,
                      bool historyStep, bool onCopy, const LastCopyIndex& index, const Url& server);

// When a copy was last known current, for "Last copy from 14:02": the hour
// and minute on the day it was made, with the day and month in front on any
// other day ("3 Dec 14:02"). Both times are local.
[[nodiscard]] std::string copyTimeLabel(const std::tm& saved, const std::tm& now);

// What tells two archives of the same page apart: a hash of the archive
// without its date line and with its part boundary (chosen afresh at every
// save) taken out. Equal fingerprints mean the page did not change.
[[nodiscard]] std::string archiveFingerprint(std::string_view archive);

// Whether the bytes begin like an archive of a page (a MIME message of
// multipart/related parts).
[[nodiscard]] bool looksLikeArchive(std::string_view archive);

// The archive with "<!DOCTYPE html>" in front of its page where the
// engine's archive left the declaration out: without it the copy would be
// drawn in the engine's quirks mode, where tables, among much else, lose
// the page's font size. Anything else is left as it is.
[[nodiscard]] std::string withDoctype(std::string archive);

// The addresses of the parts an archive holds (its Content-Location
// headers): the only requests a copy may make, each answered from the
// archive itself.
[[nodiscard]] std::vector<std::string> archiveLocations(std::string_view archive);

// The index as it is stored, and read back. Text that is not an index, or
// entries that are not whole, give what can be read and nothing more.
[[nodiscard]] std::string serializeCopyIndex(const LastCopyIndex& index);
[[nodiscard]] LastCopyIndex parseCopyIndex(std::string_view text);

} // namespace velmora
