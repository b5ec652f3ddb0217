// The route table and the platform's dynamic pages: the verification
// endpoint in each mode, signing in and out, and the signed-in workspace.
// To add a dynamic behaviour, write a handler and add one row to kRoutes;
// to add a page, add a fixture file (see fixtures.hpp).
#include "routes.hpp"

#include "control.hpp"
#include "file_downloads.hpp"
#include "fixtures.hpp"
#include "soak.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <span>
#include <string>

namespace velmora::sample {
namespace {

using Handler = void (*)(Platform&, Exchange&);

struct Route {
  std::string_view path; // matched exactly against the path as received
  Handler handler;
};

constexpr std::string_view kSessionCookie = "hv_session";
constexpr std::string_view kCompany = "Sample Towing Co.";
constexpr std::string_view kPlatformJson =
    R"({"platform":"hv-towing","company":"Sample Towing Co."})";
constexpr std::string_view kJson = "application/json";
constexpr std::string_view kHtml = "text/html; charset=utf-8";
// Longer than the application's 12-second verification timeout.
constexpr auto kSlowAnswerDelay = std::chrono::seconds(13);

bool hasSession(const Platform& platform, const Exchange& exchange) {
  const auto id = cookieValue(exchange.header("Cookie"), kSessionCookie);
  return id && platform.sessions.isValid(*id);
}

void notFoundIn(const std::filesystem::path& root, Exchange& exchange) {
  const auto page = readFixture(root, root / "_not_found.html");
  exchange.respond(404, kHtml,
                   page.value_or("<!DOCTYPE html><title>Not found</title><h1>Not found</h1>\n"));
}

void notFound(Platform& platform, Exchange& exchange) {
  notFoundIn(platform.fixtures, exchange);
}

void methodNotAllowed(Exchange& exchange) {
  exchange.addHeader("Allow", "GET, HEAD");
  exchange.respond(405, kHtml,
                   "<!DOCTYPE html><title>Method not allowed</title><h1>Method not allowed</h1>\n");
}

// Serves the file that the request path names below `root`; false when
// there is no such file, so the caller can try elsewhere.
bool serveFileFrom(const std::filesystem::path& root, Exchange& exchange) {
  const auto file = fixturePath(root, exchange.path());
  const auto contents = file ? readFixture(root, *file) : std::nullopt;
  if (!contents) {
    return false;
  }
  if (!exchange.isRead()) {
    methodNotAllowed(exchange);
    return true;
  }
  exchange.respond(200, contentTypeFor(*file), *contents);
  return true;
}

// --- Verification endpoint ---------------------------------------------------

void answerAppInfo(Exchange& exchange, int status, std::string_view body) {
  exchange.respond(status, kJson, body);
}

void handleAppInfo(Platform& platform, Exchange& exchange) {
  switch (platform.mode) {
  case Mode::current:
    return answerAppInfo(exchange, 200, kPlatformJson);
  case Mode::noCompany:
    return answerAppInfo(exchange, 200, R"({"platform":"hv-towing"})");
  case Mode::numericCompany:
    return answerAppInfo(exchange, 200, R"({"platform":"hv-towing","company":42})");
  case Mode::emptyCompany:
    return answerAppInfo(exchange, 200, R"({"platform":"hv-towing","company":""})");
  case Mode::wrongCase:
    return answerAppInfo(exchange, 200,
                         R"({"platform":"HV-Towing","company":"Sample Towing Co."})");
  case Mode::jsonArray:
    return answerAppInfo(exchange, 200,
                         R"([{"platform":"hv-towing","company":"Sample Towing Co."}])");
  case Mode::invalidJson:
    return answerAppInfo(exchange, 200, R"({"platform":"hv-towing","company":)");
  case Mode::emptyBody:
    return answerAppInfo(exchange, 200, "");
  case Mode::hugeAnswer: {
    // Valid JSON naming the platform: only a client that stops reading at
    // a sane size refuses it.
    std::string body = R"({"platform":"hv-towing","company":"Sample Towing Co.","padding":")";
    body.append(32 * 1024 * 1024, ' ');
    body += "\"}";
    return exchange.respondSlowly(200, kJson, std::move(body), 1024 * 1024,
                                  std::chrono::milliseconds(5), false);
  }
  case Mode::appInfo404:
    return answerAppInfo(exchange, 404, kPlatformJson);
  case Mode::redirect:
    return exchange.redirect(302, "/api/v2/app-info");
  case Mode::slow:
    return exchange.answerLater(kSlowAnswerDelay,
                                [](Exchange& later) { answerAppInfo(later, 200, kPlatformJson); });
  case Mode::legacy:
  case Mode::legacyPasswordOnly:
  case Mode::legacyServerError:
  case Mode::legacyLatin1:
  case Mode::foreign:
    return notFound(platform, exchange);
  }
}

// Where the redirect mode sends the verification request.
void handleAppInfoV2(Platform&, Exchange& exchange) {
  answerAppInfo(exchange, 200, kPlatformJson);
}

// --- Signing in and out ------------------------------------------------------

void serveSignInPage(Platform& platform, Exchange& exchange, std::string_view error) {
  std::string_view fixture = "_login.html";
  int status = 200;
  if (platform.mode == Mode::legacyPasswordOnly) {
    fixture = "_login_plain.html";
  } else if (platform.mode == Mode::legacyServerError) {
    status = 500;
  }
  const auto page = readFixture(platform.fixtures, platform.fixtures / fixture);
  if (!page) {
    return exchange.respond(500, kHtml,
                            "<!DOCTYPE html><title>Error</title><p>Sign-in page missing.</p>\n");
  }
  auto html = expandTemplate(*page, [&](std::string_view key) -> std::string {
    if (key == "error")
      return std::string(error);
    return "{{" + std::string(key) + "}}";
  });
  if (platform.mode == Mode::legacyLatin1) {
    // An old install whose pages are in Latin-1: the title's middle dot
    // becomes the single byte 0xB7, which is not UTF-8.
    for (auto at = html.find("\u00B7"); at != std::string::npos; at = html.find("\u00B7", at))
      html.replace(at, 2, "\xB7");
    return exchange.respond(status, "text/html; charset=iso-8859-1", html);
  }
  exchange.respond(status, kHtml, html);
}

void startSession(Platform& platform, Exchange& exchange) {
  const auto id = platform.sessions.create();
  exchange.addHeader("Set-Cookie", std::string(kSessionCookie) + "=" + id +
                                       "; Path=/; Max-Age=2592000; HttpOnly");
  exchange.redirect(303, "/dashboard");
}

void signIn(Platform& platform, Exchange& exchange) {
  const auto email = exchange.formValue("email");
  const auto password = exchange.formValue("password");
  if (!email || email->empty() || !password || password->empty()) {
    return serveSignInPage(
        platform, exchange,
        R"(<p class="hv-login__error" role="alert">Enter your e-mail address and password.</p>)");
  }
  startSession(platform, exchange);
}

void handleLogin(Platform& platform, Exchange& exchange) {
  if (exchange.method() == "POST") {
    return signIn(platform, exchange);
  }
  if (!exchange.isRead()) {
    return methodNotAllowed(exchange);
  }
  // Someone already signed in goes straight to work, as on the real site.
  if (hasSession(platform, exchange)) {
    return exchange.redirect(302, "/dashboard");
  }
  if (platform.autoSignIn) {
    return startSession(platform, exchange);
  }
  serveSignInPage(platform, exchange, "");
}

void handleLogout(Platform& platform, Exchange& exchange) {
  if (const auto id = cookieValue(exchange.header("Cookie"), kSessionCookie)) {
    platform.sessions.remove(*id);
  }
  exchange.addHeader("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; HttpOnly");
  exchange.redirect(303, "/login");
}

// --- Workspace pages ---------------------------------------------------------

// A fragment may name its page in a first-line comment, "<!-- title: X -->";
// otherwise the page name with a capital letter serves.
std::string pageTitle(std::string_view fragment, std::string_view page) {
  constexpr std::string_view kOpen = "<!-- title:";
  if (fragment.starts_with(kOpen)) {
    const auto end = fragment.find("-->");
    const auto line = fragment.find('\n');
    if (end != std::string_view::npos && end < line) {
      auto title = fragment.substr(kOpen.size(), end - kOpen.size());
      while (!title.empty() && title.front() == ' ')
        title.remove_prefix(1);
      while (!title.empty() && title.back() == ' ')
        title.remove_suffix(1);
      return std::string(title);
    }
  }
  std::string title(page.substr(page.rfind('/') + 1));
  std::replace(title.begin(), title.end(), '-', ' ');
  if (!title.empty() && title.front() >= 'a' && title.front() <= 'z') {
    title.front() = static_cast<char>(title.front() - 'a' + 'A');
  }
  return title;
}

// What one rendering of a workspace page shows inside the shared layout.
struct WorkspaceView {
  std::string_view page;     // its name, e.g. "dashboard"
  std::string_view fragment; // its content
  int notificationCount = 0;
  std::string_view sidebarLinks; // after the sidebar's fixed links
};

void respondWithLayout(Platform& platform, Exchange& exchange, const WorkspaceView& view) {
  const auto root = platform.fixtures / "_workspace";
  const auto layout = readFixture(root, root / "_layout.html");
  if (!layout) {
    return exchange.respond(
        500, kHtml, "<!DOCTYPE html><title>Error</title><p>Workspace layout missing.</p>\n");
  }
  const std::string count = std::to_string(view.notificationCount);
  const auto html = expandTemplate(*layout, [&](std::string_view key) -> std::string {
    if (key == "title")
      return pageTitle(view.fragment, view.page);
    if (key == "content")
      return std::string(view.fragment);
    if (key == "company")
      return std::string(kCompany);
    if (key == "notification_count")
      return count;
    if (key == "notification_hidden")
      return view.notificationCount == 0 ? " hidden" : "";
    if (key == "sidebar_links")
      return std::string(view.sidebarLinks);
    if (key.starts_with("current:"))
      return key.substr(8) == view.page ? R"( aria-current="page")" : "";
    return "{{" + std::string(key) + "}}";
  });
  exchange.respond(200, kHtml, html);
}

// Serves /NAME from _workspace/NAME.html inside the shared layout, or sends
// a visitor without a session to the sign-in page.
bool serveWorkspacePage(Platform& platform, Exchange& exchange) {
  const auto root = platform.fixtures / "_workspace";
  const auto file = fixturePath(root, exchange.path());
  const auto fragment = file ? readFixture(root, *file) : std::nullopt;
  if (!fragment) {
    return false;
  }
  if (!exchange.isRead()) {
    methodNotAllowed(exchange);
    return true;
  }
  if (!hasSession(platform, exchange)) {
    exchange.redirect(302, "/login");
    return true;
  }
  auto page = exchange.path().substr(1);
  if (page.ends_with('/'))
    page.remove_suffix(1);
  // While a soak is armed, the dashboard is its self-reloading instances.
  if (page == "dashboard" && platform.soak.loads > 0) {
    const SoakDashboard board =
        soakDashboard(soakLoadNumber(platform.soak, exchange), platform.soak.loads);
    respondWithLayout(platform, exchange,
                      {"dashboard", board.content, board.notificationCount, board.sidebarLinks});
    return true;
  }
  respondWithLayout(platform, exchange, {page, *fragment, platform.notificationCount, ""});
  return true;
}

// A page the server takes its time over: ?ms=N milliseconds, at most 20 s.
void handleSlowPage(Platform&, Exchange& exchange) {
  const auto asked = exchange.queryValue("ms").value_or("1000");
  int ms = 1000;
  std::from_chars(asked.data(), asked.data() + asked.size(), ms);
  ms = std::clamp(ms, 0, 20000);
  exchange.answerLater(std::chrono::milliseconds(ms), [](Exchange& later) {
    later.respond(200, kHtml, "<!DOCTYPE html><title>Slow page</title><h1>Slow page</h1>\n");
  });
}

// --- The table ---------------------------------------------------------------

// Pages report their load event here; the request log's timestamp is what
// the launch benchmark reads.
void handleLoaded(Platform&, Exchange& exchange) {
  exchange.respond(204, "text/plain", "");
}

constexpr Route kControlRoutes[] = {
    {"/__control", handleControl}, {"/__log", handleLog},       {"/__loaded", handleLoaded},
    {"/__report", handleReport},   {"/__soak", handleSoakStep},
};

constexpr Route kRoutes[] = {
    {"/api/v1/app-info", handleAppInfo},
    {"/api/v2/app-info", handleAppInfoV2},
    {"/login", handleLogin},
    {"/logout", handleLogout},
    {"/slow", handleSlowPage},
    // Downloads (file_downloads.hpp).
    {"/files/invoice.pdf", serveInvoice},
    {"/files/statement.pdf", serveStatement},
    {"/files/dispatch-log.hvx", serveDispatchLog},
    {"/files/fleet-archive.zip", serveFleetArchive},
    {"/files/launcher.desktop", serveLauncher},
    {"/files/broken.bin", serveBrokenFile},
    {"/files/broken-chunked.bin", serveBrokenChunkedFile},
    {"/files/unended-chunked.bin", serveUnendedChunkedFile},
    {"/files/unframed.bin", serveUnframedFile},
    {"/files/hostile/dotdot", serveHostileDotDot},
    {"/files/hostile/absolute", serveHostileAbsolute},
    {"/files/hostile/empty", serveHostileEmpty},
    {"/files/hostile/long", serveHostileLong},
    {"/files/hostile/control", serveHostileControl},
};

const Route* findRoute(std::span<const Route> routes, std::string_view path) {
  const auto it =
      std::find_if(routes.begin(), routes.end(), [&](const Route& r) { return r.path == path; });
  return it != routes.end() ? &*it : nullptr;
}

} // namespace

void dispatch(Platform& platform, Exchange& exchange) {
  // Every answer depends on the mode, the session or a switch flipped between
  // two test steps; a cached copy would hide requests from the log.
  const auto path = exchange.path();
  const bool storable = platform.storable && !path.starts_with("/__") && path != "/invoices";
  exchange.addHeader("Cache-Control", storable ? "private, no-cache" : "no-store");

  if (path.starts_with("/__")) {
    const Route* route = findRoute(kControlRoutes, path);
    return route != nullptr ? route->handler(platform, exchange) : notFound(platform, exchange);
  }

  switch (platform.outage) {
  case Outage::none:
    break;
  case Outage::dropConnection:
    return exchange.dropConnection();
  case Outage::serviceUnavailable:
    return exchange.respond(
        503, kHtml,
        "<!DOCTYPE html><title>Service unavailable</title><h1>Service unavailable</h1>\n");
  case Outage::silent:
    // Held long past any client's patience; the client gives up first.
    return exchange.answerLater(std::chrono::hours(24),
                                [](Exchange& late) { late.dropConnection(); });
  }

  if (platform.mode == Mode::foreign) {
    const auto root = platform.fixtures / "_foreign";
    if (!serveFileFrom(root, exchange)) {
      notFoundIn(root, exchange);
    }
    return;
  }

  if (const Route* route = findRoute(kRoutes, path)) {
    return route->handler(platform, exchange);
  }
  if (serveWorkspacePage(platform, exchange) || serveFileFrom(platform.fixtures, exchange)) {
    return;
  }
  notFound(platform, exchange);
}

} // namespace velmora::sample
