#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "i18n/locale_data.hpp"
#include "i18n/packed_locales.hpp"
#include "text/inflate.hpp"

namespace corvald::i18n {
namespace {

struct Unpacked {
  std::string texts;
  std::vector<EmbeddedLocale> tables;
};

// A stream that does not expand to the recorded tables leaves no table at all, so every text
// shows as its key, rather than some tables cut short at an arbitrary byte.
Unpacked unpack(const PackedLocales& packed) {
  Unpacked out;
  std::optional<std::string> texts = text::inflate_raw(packed.stream, packed.total_size);
  if (!texts) return out;
  out.texts = std::move(*texts);
  std::size_t at = 0;
  for (const auto& table : packed.tables) {
    if (table.size > out.texts.size() - at) return {};
    out.tables.push_back({table.code, std::string_view(out.texts).substr(at, table.size)});
    at += table.size;
  }
  return out;
}

}  // namespace

std::span<const EmbeddedLocale> embedded_locales() {
  // Expanded once, under the language's guard for statics, and read-only after.
  static const Unpacked unpacked = unpack(packed_locales());
  return unpacked.tables;
}

}  // namespace corvald::i18n
