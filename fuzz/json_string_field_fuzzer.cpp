// The string-field reader of the service's replies. A document is generated from the input,
// written as the stub's own JSON writer writes it, and every key is read back: the reader must
// find the first string value of that key in document order, whatever the keys and values hold.
// The raw input is read as a document too, for the reader's own safety on broken text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "feedback/feedback_json.hpp"
#include "require.hpp"
#include "telemetry/json_writer.hpp"
#include "text/utf.hpp"

namespace {

using corvald::feedback::json_string_field;
using corvald::fuzz::require;

struct Field {
  std::string key;
  std::optional<std::string> value;  // nothing: a number or an object
};

// Text the writer writes and the reader reads back unchanged: the reader leaves \u escapes as
// written, so the control characters the writer spells that way are left out.
std::string readable_text(FuzzedDataProvider& fuzz) {
  std::string out;
  for (const char32_t c : corvald::text::utf8_to_u32_lossy(fuzz.ConsumeRandomLengthString(16))) {
    if (c >= 0x20 || c == U'\t' || c == U'\n' || c == U'\r') corvald::text::append_utf8(out, c);
  }
  return out;
}

void write_key(std::string& out, std::string_view key) {
  corvald::telemetry::append_json_string(out, key);
  out.push_back(':');
}

// Appends an object's members; `fields` receives them in document order.
void write_object(FuzzedDataProvider& fuzz, std::string& out, std::vector<Field>& fields,
                  int depth) {
  out.push_back('{');
  const int count = fuzz.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < count && fuzz.remaining_bytes() > 0; ++i) {
    if (i > 0) out.append(fuzz.ConsumeBool() ? "," : " ,\n ");
    std::string key = readable_text(fuzz);
    write_key(out, key);
    switch (fuzz.ConsumeIntegralInRange(0, depth < 3 ? 2 : 1)) {
      case 0: {
        std::string value = readable_text(fuzz);
        corvald::telemetry::append_json_string(out, value);
        fields.push_back({std::move(key), std::move(value)});
        break;
      }
      case 1:
        out.append(std::to_string(fuzz.ConsumeIntegral<std::uint16_t>()));
        fields.push_back({std::move(key), std::nullopt});
        break;
      default:
        fields.push_back({std::move(key), std::nullopt});
        write_object(fuzz, out, fields, depth + 1);
    }
  }
  out.push_back('}');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return -1;
  FuzzedDataProvider fuzz(data, size);
  std::string document;
  std::vector<Field> fields;
  write_object(fuzz, document, fields, 0);
  for (const Field& field : fields) {
    std::optional<std::string> expected;
    for (const Field& earlier : fields) {
      if (earlier.key == field.key && earlier.value) {
        expected = earlier.value;
        break;
      }
    }
    require(json_string_field(document, field.key) == expected, "first string value of key");
  }
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  for (const Field& field : fields) (void)json_string_field(raw, field.key);
  return 0;
}
