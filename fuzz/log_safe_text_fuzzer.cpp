// The log-safe rendering of bodies and headers. The first byte picks the mode: arbitrary bytes,
// checked for what every log text promises, or a generated text of noise and secret fields,
// checked that no secret value survives whatever the noise around it does.
#include <fuzzer/FuzzedDataProvider.h>

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
constexpr std::string_view secret_keys[] = {"sig",       "token",        "signature",
                                            "access_token", "SIG",      "Token",
                                            "Signature", "ACCESS_TOKEN"};
// Secrets are marked with this character and noise never holds it, so a secret found in the
// output came from a secret. Stars are left out of secrets, so no secret can be assembled from
// the kept ends of masked values.
constexpr char secret_mark = '~';

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

// Valid UTF-8 from the fuzzer's bytes; `allowed` decides which characters may appear.
template <class Allowed>
std::string text_from(FuzzedDataProvider& fuzz, std::size_t max_length, Allowed allowed) {
  const std::u32string chars =
      corvald::text::utf8_to_u32_lossy(fuzz.ConsumeRandomLengthString(max_length));
  std::string out;
  for (const char32_t c : chars) {
    if (allowed(c)) corvald::text::append_utf8(out, c);
  }
  return out;
}

bool is_control(char32_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

bool ends_key_value(char32_t c) {
  return c == U'"' || c == U'&' || c == U',' || c == U'}' || corvald::text::is_unicode_space(c);
}

// Backslashes and quotes included: the generator escapes them as JSON does.
bool fits_json_secret(char32_t c) {
  return c != U'*' && c != U'~' && c != U'\uFFFD' && !is_control(c);
}

bool fits_key_value_secret(char32_t c) { return fits_json_secret(c) && !ends_key_value(c); }

std::string json_escaped(std::string_view value) {
  std::string out;
  for (const char c : value) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void check_generated(FuzzedDataProvider& fuzz) {
  std::string text;
  std::vector<std::string> secrets;
  while (fuzz.remaining_bytes() > 0 && text.size() < 400) {
    text += text_from(fuzz, 24, [](char32_t c) { return c != U'~'; });
    const std::string_view key = fuzz.PickValueInArray(secret_keys);
    const bool json = fuzz.ConsumeBool();
    // Short values are shown as they are; from seven characters on nothing of them may show.
    std::string secret(1, secret_mark);
    secret += text_from(fuzz, 24, json ? fits_json_secret : fits_key_value_secret);
    secret.push_back(secret_mark);
    while (corvald::text::utf8_to_u32_lossy(secret).size() < 7) secret.push_back(secret_mark);
    // The log text is never unescaped, so a secret would show as written. Unescaped, a quote
    // in it could be pieced together from the quotes around masked values.
    if (json) secret = json_escaped(secret);
    if (json) {
      text += "\"" + std::string(key) + "\"" + (fuzz.ConsumeBool() ? " : " : ":") + "\"" +
              secret + "\"";
    } else {
      text += std::string(key) + "=" + secret + "&";
    }
    secrets.push_back(secret);
  }
  const std::string safe = log_safe_text(text);
  for (const std::string& secret : secrets) {
    require(safe.find(secret) == std::string::npos, "no secret value in the log text");
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
