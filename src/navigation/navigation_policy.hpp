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
#include <string_view>

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

// The lenient test of a platform address: the host, compared without regard
// to letter case, equals the server's host, or one of the two is the other
// with a single "www." in front. Scheme, port and path are not looked at.
// An absent URL or one without a host is never the platform.
[[nodiscard]] bool isPlatformHost(const std::optional<Url>& url, const Url& server);

// For a navigation the engine is about to start. Subframes load whatever
// they like; in the main frame or a new window, only the platform's own
// non-root pages and the page's own blob: and data: addresses (which the
// response decision then saves or drops) are allowed. Everything else goes to
// the desktop, except a new window that a script asked for without the
// user's action, which is ignored so a page cannot flood the desktop. An
// address without a scheme is allowed rather than refused.
[[nodiscard]] NavigationOutcome navigationActionOutcome(const std::optional<Url>& url,
                                                        FrameTarget target, bool userGesture,
                                                        const Url& server);

// For a response the engine is about to display. Anything the engine cannot
// show becomes a download, in any frame and from any site; a main-frame
// response for the platform's root page becomes the sign-in page, and one of
// a blob: or data: address is ignored. Foreign responses are let through:
// only the action decision sends sites away.
[[nodiscard]] NavigationOutcome navigationResponseOutcome(bool canShowMimeType, bool isForMainFrame,
                                                          const std::optional<Url>& url,
                                                          const Url& server);

// For a page asking for a new window: the platform's pages and the page's
// own blob: and data: addresses load in this window; anything else goes to
// the desktop when the user asked for it, and is dropped when a script asked
// on its own.
[[nodiscard]] PopUpOutcome popUpOutcome(const std::optional<Url>& url, bool userGesture,
                                        const Url& server);

// Location access for a page from `originHost`: granted only to the server's
// exact host (letter case aside) or that host with "www." put in front.
// Stricter than isPlatformHost: the server's host without its "www." does
// not count.
[[nodiscard]] PermissionDecision geolocationDecision(std::string_view originHost,
                                                     const Url& server);

// The strict test that guards loads the application starts on its own
// behalf (the Go menu): scheme and host must be exactly the server's, letter
// case included, with both absent counting as equal. Port, path, query and
// fragment are not compared.
[[nodiscard]] bool isSameServer(const Url& url, const Url& server);

} // namespace velmora
