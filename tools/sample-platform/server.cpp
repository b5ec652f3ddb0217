// libsoup server set-up and the one callback through which every request
// enters: log it, then route it.
#include "server.hpp"

#include "exchange.hpp"
#include "routes.hpp"

#include <gio/gio.h>

namespace velmora::sample {
namespace {

std::string messageOf(const GErrorPtr& error) {
  return error ? std::string(error->message) : std::string("unknown error");
}

// The port the system picked when we asked for port 0.
std::optional<std::uint16_t> boundPort(SoupServer* server) {
  GSList* listeners = soup_server_get_listeners(server);
  std::optional<std::uint16_t> port;
  if (listeners != nullptr) {
    const auto address = GObjectPtr<GSocketAddress>::adopt(
        g_socket_get_local_address(G_SOCKET(listeners->data), nullptr));
    if (address && G_IS_INET_SOCKET_ADDRESS(address.get())) {
      port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(address.get()));
    }
  }
  g_slist_free(listeners);
  return port;
}

} // namespace

std::optional<std::string> Server::listen(const Options& options, std::string& error) {
  // Checked again here so that no caller can bind beyond loopback.
  if (!isLoopbackAddress(options.host)) {
    error = "refusing to listen on non-loopback host " + options.host;
    return std::nullopt;
  }

  GObjectPtr<GTlsCertificate> certificate;
  if (options.tlsCertificate && options.tlsKey) {
    GErrorPtr failure;
    certificate = GObjectPtr<GTlsCertificate>::adopt(g_tls_certificate_new_from_files(
        options.tlsCertificate->c_str(), options.tlsKey->c_str(), out(failure)));
    if (!certificate) {
      error = "cannot load TLS certificate: " + messageOf(failure);
      return std::nullopt;
    }
  }

  server_ = GObjectPtr<SoupServer>::adopt(soup_server_new(
      "server-header", "velmora-sample-platform ", "tls-certificate", certificate.get(), nullptr));
  soup_server_add_handler(server_.get(), nullptr, onRequest, this, nullptr);

  const auto address = GObjectPtr<GSocketAddress>::adopt(
      g_inet_socket_address_new_from_string(options.host.c_str(), options.port));
  if (!address) {
    error = "invalid address " + options.host;
    return std::nullopt;
  }
  const auto listenOptions =
      certificate ? SOUP_SERVER_LISTEN_HTTPS : static_cast<SoupServerListenOptions>(0);
  GErrorPtr failure;
  if (!soup_server_listen(server_.get(), address.get(), listenOptions, out(failure))) {
    error = "cannot listen on " + urlHost(options.host) + ":" + std::to_string(options.port) +
            ": " + messageOf(failure);
    return std::nullopt;
  }

  const auto port = boundPort(server_.get());
  if (!port) {
    error = "cannot tell which port the server is listening on";
    return std::nullopt;
  }
  return std::string(certificate ? "https://" : "http://") + urlHost(options.host) + ":" +
         std::to_string(*port) + "/";
}

void Server::onRequest(SoupServer*, SoupServerMessage* message, const char* path, GHashTable* query,
                       gpointer self) {
  auto& platform = static_cast<Server*>(self)->platform_;
  GUri* uri = soup_server_message_get_uri(message);
  const char* rawQuery = uri != nullptr ? g_uri_get_query(uri) : nullptr;

  Exchange exchange(message, path != nullptr ? path : "/", query);
  platform.log.append(RequestRecord{
      .method = std::string(exchange.method()),
      .path = std::string(exchange.path()),
      .query = rawQuery != nullptr ? rawQuery : "",
      .userAgent = exchange.header("User-Agent"),
      .accept = exchange.header("Accept"),
      .cookie = exchange.header("Cookie"),
      .time = secondsSinceEpoch(),
  });
  dispatch(platform, exchange);
}

} // namespace velmora::sample
