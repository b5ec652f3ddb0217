// Whatever a server answers, the verification verdict must follow only from
// that answer: adopt only on the platform's own JSON, unreachable only when
// no answer came, and the legacy sign-in page recognised only on a 200.
#include "connection/platform_answers.hpp"
#include "fuzz_check.hpp"
#include "platform/text.hpp"

#include <boost/json/parse.hpp>

using namespace velmora;
using fuzz::check;

namespace {

// The first byte says which parts of the answer exist and its status; the
// rest is a transport error text and a body, separated by a NUL.
HttpResponse responseFrom(std::string_view bytes) {
  const std::uint8_t shape = fuzz::takeByte(bytes);
  const std::uint8_t statusByte = fuzz::takeByte(bytes);
  HttpResponse response;
  if (shape & 1) {
    static constexpr int statuses[] = {200, 201, 204, 301, 302, 400, 401, 403,
                                       404, 500, 502, 503, 0,   -1,  999, 100};
    response.status = statuses[statusByte % std::size(statuses)];
  }
  if (shape & 2)
    response.transportError = std::string(fuzz::takeField(bytes));
  if (shape & 4)
    response.body = std::string(bytes);
  return response;
}

bool namesThePlatform(const std::string& body) {
  boost::system::error_code error;
  const auto json = boost::json::parse(body, error);
  if (error || !json.is_object())
    return false;
  const auto* platform = json.get_object().if_contains("platform");
  return platform && platform->is_string() && platform->get_string() == "hv-towing";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);
  const HttpResponse response = responseFrom(text);

  const VerificationVerdict verdict = judgeVerificationAnswer(response);
  switch (verdict.outcome) {
  case VerificationOutcome::unreachable:
    check(response.transportError.has_value(), "unreachable only without an answer", text);
    break;
  case VerificationOutcome::adopt:
    check(!response.transportError && response.body && namesThePlatform(*response.body),
          "adopted only when the body names the platform", text);
    // The company name goes into a dialog as it is.
    check(isValidUtf8(verdict.text) && verdict.text.find_first_of("\n\r\t") == std::string::npos &&
              verdict.text.find("\u202E") == std::string::npos &&
              userPerceivedLength(verdict.text) <= 80,
          "the company name is one short line", text);
    break;
  case VerificationOutcome::probeLegacy:
    check(!response.transportError, "a transport failure is never probed further", text);
    break;
  }

  if (isLegacySignInPage(response)) {
    check(response.status == 200, "a sign-in page answered 200", text);
    check(response.body && response.body->find(R"(name="password")") != std::string::npos,
          "a sign-in page has a password field", text);
  }
  return 0;
}
