// Judging the platform's answers: which ones prove the platform, which send
// the attempt on to the sign-in page check, and which mean no answer at all.
#include "connection/platform_answers.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

HttpResponse answer(std::optional<int> status, std::optional<std::string> body) {
  return HttpResponse{status, std::move(body), std::nullopt};
}

TEST(PlatformAnswersTest, AdoptsOnlyAnObjectNamingThePlatform) {
  using enum VerificationOutcome;
  struct Row {
    const char* name;
    HttpResponse response;
    VerificationVerdict verdict;
  } rows[] = {
      {"company named",
       answer(200, R"({"platform":"hv-towing","company":"Acme Towing"})"),
       {adopt, "Acme Towing"}},
      {"no company", answer(200, R"({"platform":"hv-towing"})"), {adopt, "the platform"}},
      {"numeric company",
       answer(200, R"({"platform":"hv-towing","company":42})"),
       {adopt, "the platform"}},
      {"empty company", answer(200, R"({"company":"","platform":"hv-towing"})"), {adopt, ""}},
      {"company on several lines with an override",
       answer(200, R"({"platform":"hv-towing","company":"Acme\nTowing \u202Eoc"})"),
       {adopt, "Acme Towing oc"}},
      {"company too long",
       answer(200, R"({"platform":"hv-towing","company":")" + std::string(100, 'x') + R"("})"),
       {adopt, std::string(79, 'x') + "\u2026"}},
      {"extra members",
       answer(500, R"({"version":3,"platform":"hv-towing"})"),
       {adopt, "the platform"}},
      {"letter case", answer(200, R"({"platform":"HV-Towing"})"), {probeLegacy, ""}},
      {"longer name", answer(200, R"({"platform":"hv-towing-staging"})"), {probeLegacy, ""}},
      {"other prefix", answer(200, R"({"platform":"xhv-towing"})"), {probeLegacy, ""}},
      {"trailing space", answer(200, R"({"platform":"hv-towing "})"), {probeLegacy, ""}},
      {"embedded nul", answer(200, R"({"platform":"hv-towing\u0000"})"), {probeLegacy, ""}},
      {"platform not a string", answer(200, R"({"platform":["hv-towing"]})"), {probeLegacy, ""}},
      {"array", answer(200, R"([{"platform":"hv-towing"}])"), {probeLegacy, ""}},
      {"cut off", answer(200, R"({"platform":"hv-towing","company":)"), {probeLegacy, ""}},
      {"trailing comma", answer(200, R"({"platform":"hv-towing",})"), {probeLegacy, ""}},
      {"empty body", answer(200, std::nullopt), {probeLegacy, ""}},
      {"invalid utf-8",
       answer(200, "{\"platform\":\"hv-towing\",\"company\":\"\xFF\"}"),
       {probeLegacy, ""}},
      {"transport error",
       HttpResponse{std::nullopt, std::nullopt, "Connection refused"},
       {unreachable, "Connection refused"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(judgeVerificationAnswer(row.response), row.verdict) << row.name;
}

TEST(PlatformAnswersTest, RecognisesTheOlderSignInPageOnlyWithBothMarkersAnd200) {
  const std::string both = R"(<main class="hv-login"><input name="password" type="password">)";
  struct Row {
    const char* name;
    HttpResponse response;
    bool recognised;
  } rows[] = {
      {"both markers", answer(200, both), true},
      {"markers far apart",
       answer(200, R"(name="password")" + std::string(5000, ' ') + R"(<div class="hv-x">)"), true},
      {"password only", answer(200, R"(<input name="password">)"), false},
      {"hv- only", answer(200, R"(<main class="hv-login">)"), false},
      {"other letter case", answer(200, R"(<main CLASS="hv-login"><input name="Password">)"),
       false},
      {"single quotes", answer(200, R"(<main class='hv-login'><input name='password'>)"), false},
      {"status 201", answer(201, both), false},
      {"not utf-8", answer(200, both + "\xE9"), false},
      {"no body", answer(200, std::nullopt), false},
      {"no response", HttpResponse{std::nullopt, std::nullopt, "Connection refused"}, false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(isLegacySignInPage(row.response), row.recognised) << row.name;
}

} // namespace
} // namespace velmora
