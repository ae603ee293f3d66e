// The log-safe rendering of bodies and headers. The first byte picks the mode: arbitrary bytes,
// checked for what every log text promises, or a generated text of noise and secret fields,
// checked that no secret value survives whatever the noise around it does.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/log_safe_text.hpp"
#include "require.hpp"
#include "text/utf.hpp"

namespace {

using corvald::fuzz::require;
using corvald::net::log_safe_text;
using corvald::net::mask_secret;

constexpr std::size_t max_chars = 512;
constexpr std::string_view truncation_marker = "...[truncated]";
// The secret keys of the HTTP layer, in some of the spellings a server may use.
constexpr std::string_view secret_keys[] = {"sig", "token", "signature", "access_token",
                                            "SIG", "Token", "Signature", "ACCESS_TOKEN"};
// Marks the middle of every generated secret and appears nowhere else.
constexpr char32_t secret_mark = U'~';

void check_promises(std::string_view input) {
  const std::string safe = log_safe_text(input);
  require(corvald::text::is_valid_utf8(safe), "log text is UTF-8");
  const std::u32string chars = corvald::text::utf8_to_u32_lossy(safe);
  for (const char32_t c : chars) {
    require(c > 0x1F && (c < 0x7F || c > 0x9F), "log text has no control characters");
  }
  require(chars.size() <= max_chars + truncation_marker.size(), "log text length cap");
  if (!chars.empty()) {
    require(!corvald::text::is_unicode_space(chars.front()) &&
                !corvald::text::is_unicode_space(chars.back()),
            "log text is trimmed");
  }
  // A truncated text may end in the middle of a value, which a second pass masks again.
  if (!safe.ends_with(truncation_marker)) {
    require(log_safe_text(safe) == safe, "masking is idempotent");
  }
  const std::string masked = mask_secret(input);
  require(mask_secret(masked) == masked, "mask_secret is idempotent");
}

// Characters from the fuzzer's bytes that `allowed` lets through, at least `min_length` of
// them (padded with `pad`) and at most `max_length`.
template <class Allowed>
std::u32string chars_from(FuzzedDataProvider& fuzz, std::size_t min_length, std::size_t max_length,
                          Allowed allowed, char32_t pad) {
  std::u32string out;
  for (const char32_t c :
       corvald::text::utf8_to_u32_lossy(fuzz.ConsumeRandomLengthString(4 * max_length))) {
    if (allowed(c) && out.size() < max_length) out.push_back(c);
  }
  out.resize(std::max(out.size(), min_length), pad);
  return out;
}

std::string utf8(std::u32string_view chars) { return corvald::text::u32_to_utf8(chars); }

bool is_control(char32_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

bool ends_key_value(char32_t c) {
  return c == U'"' || c == U'&' || c == U',' || c == U'}' || corvald::text::is_unicode_space(c);
}

// Backslashes and quotes included: the generator escapes them as JSON does.
bool fits_json_secret(char32_t c) { return c != secret_mark && c != U'\uFFFD' && !is_control(c); }

bool fits_key_value_secret(char32_t c) { return fits_json_secret(c) && !ends_key_value(c); }

std::string json_escaped(std::string_view value) {
  std::string out;
  for (const char c : value) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// A secret is three characters the mask may show, a marked middle, and three more it may
// show: from seven characters on only the first and last three are kept, so a marked middle in
// the output is a secret shown. The first and last three hold no mark, so however the mask
// cuts a value, its kept ends cannot make up a marked middle.
void check_generated(FuzzedDataProvider& fuzz) {
  std::string text;
  std::vector<std::string> middles;
  while (fuzz.remaining_bytes() > 0 && text.size() < 400) {
    text += utf8(chars_from(
        fuzz, 0, 24, [](char32_t c) { return c != secret_mark; }, U' '));
    const std::string_view key = fuzz.PickValueInArray(secret_keys);
    const bool json = fuzz.ConsumeBool();
    const auto allowed = json ? fits_json_secret : fits_key_value_secret;
    // The log text is never unescaped, so a secret would show as written.
    const auto written = [&](std::u32string_view chars) {
      return json ? json_escaped(utf8(chars)) : utf8(chars);
    };
    const std::string shown_start = written(chars_from(fuzz, 3, 3, allowed, U'a'));
    const std::string middle = utf8(std::u32string(1, secret_mark)) +
                               written(chars_from(fuzz, 2, 16, allowed, U'm')) +
                               utf8(std::u32string(1, secret_mark));
    const std::string shown_end = written(chars_from(fuzz, 3, 3, allowed, U'z'));
    const std::string secret = shown_start + middle + shown_end;
    if (json) {
      text += "\"" + std::string(key) + "\"" + (fuzz.ConsumeBool() ? " : " : ":") + "\"" + secret +
              "\"";
    } else {
      text += std::string(key) + "=" + secret + "&";
    }
    middles.push_back(middle);
  }
  const std::string safe = log_safe_text(text);
  for (const std::string& middle : middles) {
    require(safe.find(middle) == std::string::npos, "no secret value in the log text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bodies are cut to 1 KiB before they are rendered.
  if (size > 4096) return -1;
  FuzzedDataProvider fuzz(data, size);
  if (fuzz.ConsumeBool()) {
    check_generated(fuzz);
  } else {
    const std::string rest = fuzz.ConsumeRemainingBytesAsString();
    check_promises(rest);
  }
  return 0;
}
