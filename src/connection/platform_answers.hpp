// Judges what a server answered when asked whether it is the towing
// platform. The verification endpoint must name the platform in JSON; a
// server too old to have it may still be recognised by its sign-in page.
// Only these judgements decide whether an address may be stored.
#pragma once

#include "platform/http_client.hpp"

#include <string>

namespace velmora {

enum class VerificationOutcome {
  unreachable, // no answer at all; `text` is the transport error's description
  adopt,       // the endpoint names the platform; `text` is the company name to show
  probeLegacy, // an answer, but not the platform's JSON: try the sign-in page
};

struct VerificationVerdict {
  VerificationOutcome outcome;
  std::string text;

  friend bool operator==(const VerificationVerdict&, const VerificationVerdict&) = default;
};

// The verification endpoint's answer. The HTTP status is not looked at: a
// platform that answers 404 with its JSON is still the platform. The body
// must be a JSON object whose "platform" is exactly "hv-towing"; the company
// name is its "company" string (even an empty one), else "the platform". The
// name comes from the server and is shown in a dialog, so it is made one
// line of at most 80 characters without control or invisible formatting
// characters (`oneLineForDisplay`).
[[nodiscard]] VerificationVerdict judgeVerificationAnswer(const HttpResponse& response);

// The request for a server's sign-in page, which tells an older platform,
// and a server back after an outage, apart from anything else.
[[nodiscard]] HttpRequest signInPageProbe(const Url& base);

// True when the sign-in page answered 200 and its UTF-8 text contains both
// `class="hv-` and `name="password"`. A body that is not UTF-8 counts as
// empty, and so does a transport failure.
[[nodiscard]] bool isLegacySignInPage(const HttpResponse& response);

} // namespace velmora
