#include "recorder.hpp"

#include "text_codec.hpp"

namespace corvald::devserver {

std::pair<std::string_view, std::string_view> split_target(std::string_view target) {
  const auto mark = target.find('?');
  if (mark == std::string_view::npos) return {target, {}};
  return {target.substr(0, mark), target.substr(mark + 1)};
}

bool is_control_path(std::string_view path) { return path.substr(0, 11) == "/__control/"; }

std::string format_record_line(std::uint64_t seq, const RecordedRequest& request) {
  const auto [path, query] = split_target(request.target);
  std::string line =
      "{\"seq\":" + std::to_string(seq) + ",\"method\":" + json_string(request.method) +
      ",\"path\":" + json_string(path) + ",\"query\":" + json_string(query) + ",\"headers\":[";
  bool first = true;
  for (const auto& [name, value] : request.headers) {
    if (!first) line += ',';
    first = false;
    line += '[' + json_string(name) + ',' + json_string(value) + ']';
  }
  line += "],\"body\":";
  const bool as_text = is_valid_utf8(request.body);
  line += json_string(as_text ? request.body : base64_encode(request.body));
  line += as_text ? ",\"body_base64\":false}" : ",\"body_base64\":true}";
  return line;
}

Outcome<std::unique_ptr<Recorder>> Recorder::open(
    const std::optional<std::filesystem::path>& file) {
  std::FILE* handle = nullptr;
  if (file) {
    handle = std::fopen(file->c_str(), "ab");
    if (!handle) {
      return Outcome<std::unique_ptr<Recorder>>::fail("cannot open the record file " +
                                                      file->string());
    }
  }
  return Outcome<std::unique_ptr<Recorder>>::ok(std::unique_ptr<Recorder>(new Recorder(handle)));
}

Recorder::~Recorder() { close_file(); }

void Recorder::close_file() {
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::uint64_t Recorder::record(const RecordedRequest& request) {
  const bool control = is_control_path(split_target(request.target).first);
  std::lock_guard lock(mutex_);
  const std::uint64_t seq = next_seq_++;
  std::string line = format_record_line(seq, request);
  if (file_) {
    // Flushed per line: a test may read the file while the server is still running, and a
    // killed server must not lose what it already answered.
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
    line.pop_back();
  }
  if (!control) lines_.push_back(std::move(line));
  return seq;
}

std::string Recorder::lines() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const auto& line : lines_) out += line + '\n';
  return out;
}

void Recorder::reset() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

}  // namespace corvald::devserver
