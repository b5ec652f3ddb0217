#include "soak.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace velmora::sample {
namespace {

constexpr int kRows = 200;

constexpr std::array<std::string_view, 8> kCustomers{
    "Harbor Motor Club", "City Police, impound", "Walk-in",         "Northside Body Shop",
    "Eastgate Dealers",  "Metro Transit",        "Campus Security", "Lakeside Apartments"};
constexpr std::array<std::string_view, 8> kVehicles{
    "2019 Honda Civic",  "2012 Ford F-150",  "2016 Subaru Outback", "2021 Tesla Model 3",
    "2008 Toyota Camry", "2015 Chevy Tahoe", "2020 Kia Soul",       "2011 Mazda 3"};
constexpr std::array<std::string_view, 6> kDrivers{"M. Okafor",   "S. Lindqvist", "J. Moreno",
                                                   "A. Nakamura", "R. Duarte",    "Unassigned"};
constexpr std::array<std::string_view, 5> kStatuses{"enroute", "onscene", "towing", "waiting",
                                                    "done"};
constexpr std::array<std::string_view, 5> kStatusLabels{"En route", "On scene", "Towing", "Waiting",
                                                        "Done"};

// A cheap, fixed scramble, so each dashboard differs from the last and the
// same one is the same in every run.
unsigned scramble(int n, int i) {
  return static_cast<unsigned>(n) * 2654435761U ^ static_cast<unsigned>(i) * 40503U;
}

template <std::size_t N>
std::string_view pick(const std::array<std::string_view, N>& list, unsigned value) {
  return list[value % N];
}

std::string card(std::string_view value, std::string_view label) {
  return "  <div class=\"hv-card\"><div class=\"hv-card__value\">" + std::string(value) +
         "</div><div class=\"hv-card__label\">" + std::string(label) + "</div></div>\n";
}

// The i-th job that came in for the n-th dashboard.
std::string jobId(int n, int i) {
  return "J-" + std::to_string(20000 + n * kRows + i);
}

std::string row(int n, int i) {
  const unsigned mix = scramble(n, i);
  const std::string job = jobId(n, i);
  const std::size_t status = (mix >> 3) % kStatuses.size();
  return "    <tr><td><a href=\"/jobs#" + job + "\">" + job + "</a></td><td>" +
         std::string(pick(kCustomers, mix)) + "</td><td>" + std::string(pick(kVehicles, mix >> 5)) +
         "</td><td>" + std::to_string(100 + mix % 900) + " Route " + std::to_string(1 + i % 99) +
         "</td><td>" + std::string(pick(kDrivers, mix >> 9)) +
         "</td><td><span class=\"hv-status hv-status--" + std::string(kStatuses[status]) + "\">" +
         std::string(kStatusLabels[status]) + "</span></td></tr>\n";
}

// The link to the next instance, which static/soak.js follows.
std::string nextLink(int n, int loads) {
  if (n >= loads)
    return "";
  return "<a id=\"hv-soak-next\" href=\"/dashboard?n=" + std::to_string(n + 1) +
         "\" hidden>Refresh</a>\n";
}

} // namespace

SoakDashboard soakDashboard(int n, int loads) {
  SoakDashboard page;
  page.notificationCount = 1 + static_cast<int>(scramble(n, 0) % 40);
  const unsigned open = 5 + scramble(n, 1) % 30;
  page.content = "<!-- title: Dashboard -->\n<section class=\"hv-cards\" aria-label=\"Today\">\n" +
                 card(std::to_string(open), "Open jobs") +
                 card(std::to_string(2 + n % 7), "Drivers on shift") +
                 card(std::to_string(10 + scramble(n, 2) % 30) + " min", "Average arrival") +
                 card("$" + std::to_string(1000 + n * 37 % 9000), "Billed today") +
                 "</section>\n<h2>Active jobs</h2>\n<table class=\"hv-table hv-jobs\">\n  <thead>\n"
                 "    <tr><th>Job</th><th>Customer</th><th>Vehicle</th><th>Pick-up</th>"
                 "<th>Driver</th><th>Status</th></tr>\n  </thead>\n  <tbody>\n";
  for (int i = 0; i < kRows; ++i)
    page.content += row(n, i);
  page.content +=
      "  </tbody>\n</table>\n" + nextLink(n, loads) + "<script src=\"/static/soak.js\"></script>\n";
  // The sidebar follows the day too: the jobs that came in last.
  for (int i = 0; i < 3; ++i) {
    const std::string job = jobId(n, i);
    page.sidebarLinks += "\n    <a href=\"/jobs#" + job + "\">" + job +
                         " <span class=\"hv-badge\">" + std::to_string(1 + scramble(n, i) % 9) +
                         "</span></a>";
  }
  return page;
}

int soakLoadNumber(const Soak& soak, const Exchange& exchange) {
  const std::string text = exchange.queryValue("n").value_or("");
  int n = 1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc{} || end != text.data() + text.size())
    n = 1;
  return std::clamp(n, 1, std::max(soak.loads, 1));
}

void handleSoakStep(Platform& platform, Exchange& exchange) {
  const int n = soakLoadNumber(platform.soak, exchange);
  const auto released = [&platform, n] {
    return std::ranges::find(platform.soak.held, n) == platform.soak.held.end();
  };
  if (released())
    return exchange.respond(204, "text/plain", "");
  exchange.answerWhen(released, [](Exchange& later) { later.respond(204, "text/plain", ""); });
}

} // namespace velmora::sample
