// The files the platform hands out for download, each one a way a download
// can go: an attachment, a type no browser shows, a large file on a slow
// line, a connection that dies halfway (with a declared length or in
// chunks), a body only the connection's close ends, and names chosen to
// climb out of the Downloads folder or to trip up the file system. All live
// below /files/; the page /downloads links to every one of them.
#pragma once

#include "exchange.hpp"
#include "platform.hpp"

#include <cstddef>
#include <string>

namespace velmora::sample {

// The generated files' contents: byte i is i % 251, so a test can rebuild
// them and tell a whole file from a cut or shuffled one.
[[nodiscard]] std::string patternBytes(std::size_t size);

// /files/invoice.pdf: an attachment named "invoice.pdf", sent as opaque
// bytes (application/octet-stream), as download buttons usually are.
void serveInvoice(Platform& platform, Exchange& exchange);
// /files/statement.pdf: an attachment sent as application/pdf, a type the
// engine can also show by itself.
void serveStatement(Platform& platform, Exchange& exchange);
// /files/dispatch-log.hvx: no Content-Disposition, a type no browser shows;
// the name comes from the address.
void serveDispatchLog(Platform& platform, Exchange& exchange);
// /files/fleet-archive.zip: 4 MiB of patternBytes, 128 KiB every 50 ms.
void serveFleetArchive(Platform& platform, Exchange& exchange);
// /files/broken.bin: declares 256 KiB of patternBytes, sends 64 KiB and
// closes the connection.
void serveBrokenFile(Platform& platform, Exchange& exchange);
// /files/launcher.desktop: an attachment named "launcher.desktop", a
// desktop entry that would run a command: what a hostile frame would plant
// in Downloads.
void serveLauncher(Platform& platform, Exchange& exchange);
// /files/broken-chunked.bin: 256 KiB of patternBytes in 16 KiB chunks; the
// connection closes 8 KiB into the fifth chunk.
void serveBrokenChunkedFile(Platform& platform, Exchange& exchange);
// /files/unended-chunked.bin: the same, but the connection closes right
// after the fourth chunk, where the fifth one's size is due.
void serveUnendedChunkedFile(Platform& platform, Exchange& exchange);
// /files/unframed.bin: 64 KiB of patternBytes with neither a length nor
// chunks; the connection's close ends it.
void serveUnframedFile(Platform& platform, Exchange& exchange);
// /files/hostile/NAME: attachments whose suggested names are hostile:
// dotdot "../../evil.sh", absolute "/tmp/velmora-evil.sh", empty "",
// long (300 characters), control (bell, escape and a line break).
void serveHostileDotDot(Platform& platform, Exchange& exchange);
void serveHostileAbsolute(Platform& platform, Exchange& exchange);
void serveHostileEmpty(Platform& platform, Exchange& exchange);
void serveHostileLong(Platform& platform, Exchange& exchange);
void serveHostileControl(Platform& platform, Exchange& exchange);

} // namespace velmora::sample
