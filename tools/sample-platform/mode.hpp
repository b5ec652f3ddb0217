// The personalities the sample platform can put on. Each mode changes how
// the verification endpoint and the sign-in page answer, so one server can
// play the current platform, an older install, a server that is not the
// platform at all, or a broken one.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace velmora::sample {

enum class Mode {
  current,            // app-info names the platform and the company
  noCompany,          // app-info has no "company" member
  numericCompany,     // "company" is a number, not a string
  emptyCompany,       // "company" is the empty string
  legacy,             // an older install: no app-info, a recognisable sign-in page
  legacyPasswordOnly, // no app-info; the sign-in page lacks the hv- markup
  legacyServerError,  // no app-info; the sign-in page answers 500
  legacyLatin1,       // no app-info; the sign-in page is sent in Latin-1, not UTF-8
  foreign,            // some other web server: none of the platform's pages
  appInfo404,         // app-info answers 404, with the platform's JSON body
  redirect,           // app-info redirects to a second address that answers
  slow,               // app-info answers only after a delay longer than a client's patience
  wrongCase,          // "platform" differs from the expected name in letter case
  jsonArray,          // app-info is a JSON array holding the right object
  invalidJson,        // app-info is cut-off JSON
  emptyBody,          // app-info answers 200 with no body at all
  hugeAnswer,         // app-info names the platform inside 32 MiB of JSON, sent without a length
};

// Reads a mode from its command-line / control name, e.g. "no-company".
// Gives nothing for an unknown name; names are case-sensitive.
[[nodiscard]] std::optional<Mode> parseMode(std::string_view name);

// The name `parseMode` accepts for `mode`.
[[nodiscard]] std::string_view modeName(Mode mode);

// Every mode, in declaration order (for help texts and error messages).
[[nodiscard]] std::span<const Mode> allModes();

} // namespace velmora::sample
