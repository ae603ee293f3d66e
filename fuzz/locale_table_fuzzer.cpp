// The locale-table reader. Whatever it makes of the input, the table it read, written back as
// JSON, must read back as the same table: nothing the reader accepts is lost or changed on the
// way through the format.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "i18n/locale_table.hpp"
#include "require.hpp"
#include "telemetry/json_writer.hpp"
#include "text/utf.hpp"

using corvald::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return -1;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const corvald::i18n::LocaleTable table = corvald::i18n::parse_locale_table(input);

  std::vector<std::pair<std::string, std::string>> pairs(table.begin(), table.end());
  std::sort(pairs.begin(), pairs.end());
  std::string written = "{";
  for (const auto& [key, value] : pairs) {
    require(corvald::text::is_valid_utf8(key) && corvald::text::is_valid_utf8(value),
            "table text is UTF-8");
    if (written.size() > 1) written.push_back(',');
    corvald::telemetry::append_json_string(written, key);
    written.push_back(':');
    corvald::telemetry::append_json_string(written, value);
  }
  written.push_back('}');
  require(corvald::i18n::parse_locale_table(written) == table, "written table reads back");
  return 0;
}
