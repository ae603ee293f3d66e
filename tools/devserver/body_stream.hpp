// Response bodies produced while they are sent, so a 1 GiB installer never sits in memory.
// Every streamed byte leaves through send_streamed: the place where bandwidth caps and cut
// connections are to be injected.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "faults.hpp"
#include "shutdown_signal.hpp"

namespace corvald::devserver {

// Writes `count` bytes of the body, starting `offset` bytes into it; false on a read failure.
using BodyFiller = std::function<bool(std::uint64_t offset, char* out, std::size_t count)>;

struct StreamedBody {
  std::uint64_t length = 0;
  BodyFiller fill;
  // Sent even when empty ("Content-Type:" with no value): httplib labels an answer without
  // the header text/plain on its own, so leaving it out is not possible.
  std::string content_type;
  bool chunked = false;  // no Content-Length; chunked transfer coding instead
  // Sent as Content-Length instead of the true length. When it differs, the connection is
  // closed after the body: the client's idea of where the next answer starts is wrong.
  std::optional<std::string> declared_length;
  // Bytes per second for this answer (see pacing_slice and pacing_wait); 0: no cap.
  std::uint64_t rate = 0;
  // The connection is cut once this many body bytes are out, if cut_here agrees then; an
  // answer that ends at or before this point is sent whole.
  std::optional<std::uint64_t> drop_after;
  std::function<bool()> cut_here;
};

void send_streamed(httplib::Response& res, StreamedBody body, ShutdownSignal& shutdown);

// Reads the file from `first` on; nullopt when it cannot be opened.
std::optional<BodyFiller> file_filler(const std::filesystem::path& file, std::uint64_t first);

// Byte i of the test pattern is 'a' + i % 26: any slice of it can be checked on its own.
BodyFiller pattern_filler();

}  // namespace corvald::devserver
