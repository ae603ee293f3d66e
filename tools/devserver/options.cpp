#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <map>

namespace corvald::devserver {
namespace {

using Setter = Outcome<bool> (*)(Options&, const std::string&);

Outcome<bool> done() { return Outcome<bool>::ok(true); }

Outcome<bool> set_status(std::optional<int>& field, const std::string& value,
                         std::string_view name) {
  const auto status = parse_bounded(value, 0, 999);
  if (!status || !is_answerable_status(*status)) {
    return Outcome<bool>::fail(std::string(name) + ": a status from 200 to 599 is expected, not '" +
                               value + "'");
  }
  field = static_cast<int>(*status);
  return done();
}

const std::map<std::string, Setter, std::less<>>& setters() {
  static const std::map<std::string, Setter, std::less<>> table{
      {"--port",
       [](Options& o, const std::string& v) {
         const auto port = parse_bounded(v, 0, 65535);
         if (!port) return Outcome<bool>::fail("--port: a number from 0 to 65535 is expected");
         o.port = static_cast<int>(*port);
         return done();
       }},
      {"--port-file",
       [](Options& o, const std::string& v) {
         o.port_file = v;
         return done();
       }},
      {"--record",
       [](Options& o, const std::string& v) {
         o.record_file = v;
         return done();
       }},
      {"--release",
       [](Options& o, const std::string& v) {
         o.release_dir = v;
         return done();
       }},
      {"--release-version",
       [](Options& o, const std::string& v) {
         o.release_version = v;
         return done();
       }},
      {"--release-date",
       [](Options& o, const std::string& v) {
         o.release_date = v;
         return done();
       }},
      {"--feed-file",
       [](Options& o, const std::string& v) {
         o.feed_file = v;
         return done();
       }},
      {"--feed-status",
       [](Options& o, const std::string& v) {
         return set_status(o.feed_status, v, "--feed-status");
       }},
      {"--feed-body",
       [](Options& o, const std::string& v) {
         o.feed_body = v;
         return done();
       }},
      {"--feed-content-type",
       [](Options& o, const std::string& v) {
         o.feed_content_type = v;
         return done();
       }},
      {"--telemetry-status",
       [](Options& o, const std::string& v) {
         std::optional<int> status;
         auto result = set_status(status, v, "--telemetry-status");
         if (status) o.telemetry_status = *status;
         return result;
       }},
      {"--telemetry-stall-ms",
       [](Options& o, const std::string& v) {
         const auto ms = parse_bounded(v, 0, max_stall_ms);
         if (!ms) {
           return Outcome<bool>::fail("--telemetry-stall-ms: milliseconds from 0 to " +
                                      std::to_string(max_stall_ms) + " are expected");
         }
         o.telemetry_stall_ms = static_cast<int>(*ms);
         return done();
       }},
  };
  return table;
}

// Combinations that would otherwise be silently ignored.
Outcome<Options> check_combinations(Options options) {
  if (options.release_dir && !options.release_version) {
    return Outcome<Options>::fail("--release needs --release-version");
  }
  if (!options.release_dir && (options.release_version || options.release_date)) {
    return Outcome<Options>::fail("--release-version and --release-date need --release");
  }
  if (!options.release_dir && !(options.faults == DownloadFaults{})) {
    return Outcome<Options>::fail("the download faults need --release");
  }
  if (options.release_version && options.release_version->empty()) {
    return Outcome<Options>::fail("--release-version must not be empty");
  }
  return Outcome<Options>::ok(std::move(options));
}

// "--drop-after" names the control key "drop_after"; "" when the name is none of them.
std::string fault_key_of(std::string_view name) {
  if (name.rfind("--", 0) != 0) return {};
  std::string key(name.substr(2));
  std::replace(key.begin(), key.end(), '-', '_');
  if (name.find('_') != std::string_view::npos) return {};
  return is_fault_key(key) ? key : std::string();
}

}  // namespace

bool is_answerable_status(std::int64_t status) { return status >= 200 && status <= 599; }

std::optional<std::int64_t> parse_bounded(std::string_view text, std::int64_t low,
                                          std::int64_t high) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value < low || value > high) return std::nullopt;
  return value;
}

Outcome<Options> parse_options(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    std::optional<std::string> value;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const auto setter = setters().find(name);
    const std::string fault_key = fault_key_of(name);
    if (setter == setters().end() && fault_key.empty()) {
      return Outcome<Options>::fail("unknown argument '" + args[i] + "'");
    }
    if (!value) {
      if (i + 1 >= args.size()) return Outcome<Options>::fail(name + " needs a value");
      value = args[++i];
    }
    const auto applied = fault_key.empty() ? setter->second(options, *value)
                                           : apply_fault(options.faults, fault_key, *value);
    if (!applied) return Outcome<Options>::fail(applied.error());
  }
  return check_combinations(std::move(options));
}

std::string usage_text() {
  return "usage: corvald-devserver [--port N] [--port-file PATH] [--record PATH]\n"
         "                         [--release DIR --release-version V [--release-date D]]\n"
         "                         [--feed-file PATH] [--feed-status N] [--feed-body TEXT]\n"
         "                         [--feed-content-type T]\n"
         "                         [--telemetry-status N] [--telemetry-stall-ms N]\n"
         "Faults of the release file (each also a /__control/set key, '-' read as '_'):\n"
         "  --rate BYTES_PER_S     cap every connection (0: no cap)\n"
         "  --drop-after N         cut the connection after N body bytes of an answer\n"
         "  --drop-mode once|always  cut only the first answer that gets there, or every one\n"
         "  --ignore-range 0|1     answer ranged requests with 200 and the whole file\n"
         "  --html 0|1             answer with a captive-portal HTML page instead of the file\n"
         "  --wrong-digest 0|1     announce the SHA-512 of other bytes of the same size\n"
         "  --stall-ms N           wait N ms before answering\n"
         "POST /__control/chaos?seed=S[&odds=N] arms a seeded mixture of faults for the release\n"
         "and its feed, one request in N hit (default 4, 0: none), and answers with what to\n"
         "leave in the cache before the run; GET /__control/chaos lists every draw.\n"
         "Plays the update service on 127.0.0.1 only; prints 'listening on "
         "http://127.0.0.1:PORT'\n"
         "once connections are accepted and runs until SIGTERM or SIGINT.\n";
}

}  // namespace corvald::devserver
