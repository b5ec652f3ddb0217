#include "connection/platform_answers.hpp"

#include "platform/text.hpp"

#include <boost/json/parse.hpp>

namespace velmora {
namespace {

// Enough for any real company's name in the dialog's title line, and short
// enough that a server cannot fill the screen with it.
constexpr std::size_t companyNameLength = 80;

} // namespace

VerificationVerdict judgeVerificationAnswer(const HttpResponse& response) {
  if (response.transportError)
    return {VerificationOutcome::unreachable, *response.transportError};
  if (!response.body)
    return {VerificationOutcome::probeLegacy, {}};

  boost::system::error_code error;
  const boost::json::value json = boost::json::parse(*response.body, error);
  if (error || !json.is_object())
    return {VerificationOutcome::probeLegacy, {}};
  const boost::json::object& object = json.get_object();
  const auto* platform = object.if_contains("platform");
  if (!platform || !platform->is_string() || platform->get_string() != "hv-towing")
    return {VerificationOutcome::probeLegacy, {}};

  const auto* company = object.if_contains("company");
  if (company && company->is_string())
    return {VerificationOutcome::adopt,
            oneLineForDisplay(std::string_view(company->get_string()), companyNameLength)};
  return {VerificationOutcome::adopt, "the platform"};
}

bool isLegacySignInPage(const HttpResponse& response) {
  if (response.status != 200)
    return false;
  const std::string_view text =
      response.body && isValidUtf8(*response.body) ? std::string_view(*response.body) : "";
  return text.find(R"(class="hv-)") != std::string_view::npos &&
         text.find(R"(name="password")") != std::string_view::npos;
}

HttpRequest signInPageProbe(const Url& base) {
  return HttpRequest{.url = base.appendingPathComponent("login"),
                     .headers = {{"Accept", "text/html"}},
                     .timeout = std::chrono::seconds(12)};
}

} // namespace velmora
