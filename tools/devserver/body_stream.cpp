#include "body_stream.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <vector>

namespace corvald::devserver {
namespace {

constexpr std::size_t piece_size = 64 * 1024;

struct Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() { ::close(fd); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  const int fd;
};

struct StreamState {
  StreamedBody body;
  std::vector<char> buffer;
  bool close_after_body = false;
  std::optional<std::chrono::steady_clock::time_point> started;  // the first paced slice
};

// The size of the next piece: never across the cut, and one pacing slice when capped.
std::size_t next_piece(const StreamedBody& body, std::uint64_t offset) {
  std::uint64_t count = std::min<std::uint64_t>(piece_size, body.length - offset);
  if (body.drop_after && offset < *body.drop_after) {
    count = std::min(count, *body.drop_after - offset);
  }
  if (body.rate > 0) count = std::min<std::uint64_t>(count, pacing_slice(body.rate));
  return static_cast<std::size_t>(count);
}

// False when the server began stopping during the wait.
bool wait_for_pace(StreamState& state, std::uint64_t offset, ShutdownSignal& shutdown) {
  const auto now = std::chrono::steady_clock::now();
  if (!state.started) state.started = now;
  const auto wait = pacing_wait(offset, state.body.rate, now - *state.started);
  if (wait.count() == 0) return true;
  // Rounded up: a wait cut short would let the body run ahead of its rate.
  return shutdown.sleep_for(std::chrono::ceil<std::chrono::milliseconds>(wait));
}

}  // namespace

void send_streamed(httplib::Response& res, StreamedBody body, ShutdownSignal& shutdown) {
  auto state = std::make_shared<StreamState>();
  const std::string true_length = std::to_string(body.length);
  state->close_after_body = body.declared_length && *body.declared_length != true_length;
  if (!body.chunked) res.set_header("Content-Length", body.declared_length.value_or(true_length));
  const std::string content_type = body.content_type;
  const bool chunked = body.chunked;
  state->body = std::move(body);

  // httplib's length-less provider is used even when the length is known: with a length,
  // httplib would cut the body to the request's Range on its own and add its own
  // Content-Length, and the handlers decide both.
  auto provider = [state, &shutdown](std::size_t offset, httplib::DataSink& sink) {
    const std::uint64_t length = state->body.length;
    if (offset >= length) {
      if (state->close_after_body) return false;  // returning false ends the connection
      sink.done();
      return true;
    }
    if (shutdown.triggered()) return false;
    const StreamedBody& body = state->body;
    // Returning false drops the connection with the bytes so far on their way.
    if (body.drop_after && offset == *body.drop_after && (!body.cut_here || body.cut_here())) {
      return false;
    }
    if (body.rate > 0 && !wait_for_pace(*state, offset, shutdown)) return false;
    const std::size_t count = next_piece(body, offset);
    state->buffer.resize(count);
    if (!state->body.fill(offset, state->buffer.data(), count)) return false;
    return sink.write(state->buffer.data(), count);
  };
  if (chunked) {
    res.set_chunked_content_provider(content_type, std::move(provider));
  } else {
    res.set_content_provider(content_type, std::move(provider));
  }
}

std::optional<BodyFiller> file_filler(const std::filesystem::path& file, std::uint64_t first) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  auto descriptor = std::make_shared<Descriptor>(fd);
  return BodyFiller([descriptor, first](std::uint64_t offset, char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      const ssize_t got = ::pread(descriptor->fd, out + done, count - done,
                                  static_cast<off_t>(first + offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // an error, or the file shrank since it was measured
      done += static_cast<std::size_t>(got);
    }
    return true;
  });
}

BodyFiller pattern_filler() {
  return [](std::uint64_t offset, char* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<char>('a' + (offset + i) % 26);
    return true;
  };
}

}  // namespace corvald::devserver
