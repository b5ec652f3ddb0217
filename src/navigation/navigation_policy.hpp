// Which addresses belong in the window. The window shows one platform and
// nothing else: its pages stay, every other site and every non-web scheme
// goes to the default browser, the platform's public root page is swapped
// for its sign-in page, and whatever the engine cannot display is saved as a
// download. Data the page made itself (blob: and data: addresses) is never
// handed to the desktop, where no other program could open it: it is saved
// when the engine would save it and dropped otherwise. Each decision is a
// pure function of the address, the engine's flags and the server address,
// read afresh by the caller at every decision.
#pragma once

#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class NavigationOutcome {
  allow,         // the engine goes ahead; nothing else happens
  openInBrowser, // the address goes to the desktop first, then the engine is told to cancel
  signIn,        // the engine is told to cancel, then the platform's sign-in page is loaded
  download,      // the engine saves the response as a file instead of showing it
  ignore,        // the engine is told to cancel; nothing else happens
};

// What becomes of a page's request for a new window. The application has one
// window and never opens a second.
enum class PopUpOutcome {
  loadInWindow,  // the request replaces the page in the one window
  openInBrowser, // the address goes to the desktop
  nothing,       // dropped: no address, or a foreign page no one asked for
};

// The origins that are the platform: the server address's own (scheme,
// host and port) and its "www." twin (the host with one "www." put in
// front, or taken off), written as Url::origin writes them. Empty for a
// server address without a web origin.
[[nodiscard]] std::vector<std::string> platformOrigins(const Url& server);

// True when the address's origin is one of platformOrigins: same scheme,
// host (letter case aside, "www." twin included) and port. An http page of
// an https platform, or the platform's host on another port, is another
// site. A blob: address counts by the page that made it. An absent URL or
// one without a web origin is never the platform.
[[nodiscard]] bool isPlatformOrigin(const std::optional<Url>& url, const Url& server);

// For a navigation the engine is about to start. Subframes load whatever
// they like; in the main frame or a new window, only the platform's own
// non-root pages and the page's own blob: and data: addresses (which the
// response decision then saves or drops) are allowed. A set-up link is
// ignored: one the user clicks in the platform's own page arrives through
// the page scripts instead, so no frame can raise the question by itself.
// Everything else goes to the desktop, except a new window that a script
// asked for without the user's action, which is ignored so a page cannot
// flood the desktop. An address without a scheme is allowed rather than
// refused.
[[nodiscard]] NavigationOutcome navigationActionOutcome(const std::optional<Url>& url,
                                                        FrameTarget target, bool userGesture,
                                                        const Url& server);

// For a response the engine is about to display. Anything the engine cannot
// show becomes a download, in any frame and from any site (whether it may
// be saved is decided when it starts). Subframes show what they like. In
// the main frame only the platform is ever shown: its root page becomes the
// sign-in page, and any other response (another site, the page's own blob:
// or data: address, an address that cannot be read) is ignored, whatever
// the engine said of the navigation that led to it.
[[nodiscard]] NavigationOutcome navigationResponseOutcome(bool canShowMimeType, bool isForMainFrame,
                                                          const std::optional<Url>& url,
                                                          const Url& server);

// For a page asking for a new window: the platform's pages and the page's
// own blob: and data: addresses load in this window; a set-up link is
// dropped (see navigationActionOutcome); anything else goes to the desktop
// when the user asked for it, and is dropped when a script asked on its
// own.
[[nodiscard]] PopUpOutcome popUpOutcome(const std::optional<Url>& url, bool userGesture,
                                        const Url& server);

// Location access for the page at `page`: granted only to the server's
// own origin, or to that origin with "www." put in front of the host.
// Stricter than isPlatformOrigin: the server's host without its "www." does
// not count.
[[nodiscard]] PermissionDecision geolocationDecision(const std::optional<Url>& page,
                                                     const Url& server);

// Whether a download may start. One the user started with a click or key
// may, from any frame; without the user, only the platform may start one:
// the engine says the request came from the platform's own origin (a
// same-origin request for a platform address, or one the application made
// itself), the page that asked is a platform page, or the address is the
// platform's own blob:. Anything else, such as a frame of another site
// saving files on its own, is refused.
[[nodiscard]] bool mayStartDownload(const DownloadStart& start, const Url& server);

// The strict test that guards loads the application starts on its own
// behalf (the Go menu): scheme and host must be exactly the server's, letter
// case included, with both absent counting as equal, and the port the same
// once the scheme's own is filled in. Path, query and fragment are not
// compared.
[[nodiscard]] bool isSameServer(const Url& url, const Url& server);

} // namespace velmora
