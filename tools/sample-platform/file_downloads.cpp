// The platform's downloadable files and the headers that make them
// downloads.
#include "file_downloads.hpp"

#include <chrono>

namespace velmora::sample {
namespace {

constexpr std::string_view kOctetStream = "application/octet-stream";
constexpr std::size_t kKiB = 1024;
constexpr std::string_view kHostileBody = "This file must land inside the Downloads folder.\n";

constexpr std::string_view kInvoice = "%PDF-1.4\n"
                                      "% Sample Towing Co. - invoice INV-2231\n"
                                      "% Job 4471, tow from I-95 exit 12 to Reyes Auto Body\n"
                                      "% Amount due: 185.00 USD\n"
                                      "%%EOF\n";

void attachAs(Exchange& exchange, std::string_view filename) {
  exchange.addHeader("Content-Disposition",
                     "attachment; filename=\"" + std::string(filename) + "\"");
}

bool refuseWrites(Exchange& exchange) {
  if (exchange.isRead()) {
    return false;
  }
  exchange.addHeader("Allow", "GET, HEAD");
  exchange.respond(405, "text/plain; charset=utf-8", "Method not allowed\n");
  return true;
}

void serveHostile(Exchange& exchange, std::string_view disposition) {
  if (refuseWrites(exchange)) {
    return;
  }
  exchange.addHeader("Content-Disposition", disposition);
  exchange.respond(200, kOctetStream, kHostileBody);
}

} // namespace

std::string patternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(i % 251);
  }
  return bytes;
}

void serveLauncher(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "launcher.desktop");
  exchange.respond(200, kOctetStream,
                   "[Desktop Entry]\nType=Application\nName=Invoice\nExec=sh -c 'echo owned'\n");
}

void serveInvoice(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "invoice.pdf");
  exchange.respond(200, kOctetStream, kInvoice);
}

void serveStatement(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "statement.pdf");
  exchange.respond(200, "application/pdf", kInvoice);
}

void serveDispatchLog(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  exchange.respond(200, "application/x-haulvane-dispatch-log",
                   "job,driver,truck,status\n4471,Dana Reyes,T-12,delivered\n");
}

void serveFleetArchive(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "fleet-archive.zip");
  exchange.respondSlowly(200, "application/zip", patternBytes(4 * kKiB * kKiB), 128 * kKiB,
                         std::chrono::milliseconds(50));
}

void serveBrokenFile(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "broken.bin");
  exchange.breakOff(200, kOctetStream, 256 * kKiB, patternBytes(64 * kKiB));
}

void serveBrokenChunkedFile(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "broken-chunked.bin");
  exchange.breakOffChunked(200, kOctetStream, patternBytes(256 * kKiB), 72 * kKiB);
}

void serveUnendedChunkedFile(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "unended-chunked.bin");
  exchange.breakOffChunked(200, kOctetStream, patternBytes(256 * kKiB), 64 * kKiB);
}

void serveUnframedFile(Platform&, Exchange& exchange) {
  if (refuseWrites(exchange)) {
    return;
  }
  attachAs(exchange, "unframed.bin");
  exchange.respondUntilClose(200, kOctetStream, patternBytes(64 * kKiB));
}

void serveHostileDotDot(Platform&, Exchange& exchange) {
  serveHostile(exchange, "attachment; filename=\"../../evil.sh\"");
}

void serveHostileAbsolute(Platform&, Exchange& exchange) {
  serveHostile(exchange, "attachment; filename=\"/tmp/velmora-evil.sh\"");
}

void serveHostileEmpty(Platform&, Exchange& exchange) {
  serveHostile(exchange, "attachment; filename=\"\"");
}

void serveHostileLong(Platform&, Exchange& exchange) {
  serveHostile(exchange, "attachment; filename=\"" + std::string(300, 'n') + ".txt\"");
}

void serveHostileControl(Platform&, Exchange& exchange) {
  // Control characters cannot travel raw in a header; the extended form
  // carries them percent-encoded.
  serveHostile(exchange, "attachment; filename=\"control.txt\"; "
                         "filename*=UTF-8''bell%07esc%1B%5B31mline%0Abreak.txt");
}

} // namespace velmora::sample
