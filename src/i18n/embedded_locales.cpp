#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "i18n/locale_data.hpp"
#include "i18n/packed_locales.hpp"
#include "text/inflate.hpp"

namespace corvald::i18n {
namespace {

// The tables' texts, expanded once into this object's own string, and a view of each table
// into that string. Built in place and never copied or moved, so the views stay valid.
// A stream that does not expand to the recorded tables leaves no table at all, so every text
// shows as its key, rather than some tables cut short at an arbitrary byte.
class Unpacked {
 public:
  explicit Unpacked(const PackedLocales& packed) {
    std::optional<std::string> texts = text::inflate_raw(packed.stream, packed.total_size);
    if (!texts) return;
    texts_ = std::move(*texts);
    std::size_t at = 0;
    for (const auto& table : packed.tables) {
      if (table.size > texts_.size() - at) {
        tables_.clear();
        return;
      }
      tables_.push_back({table.code, std::string_view(texts_).substr(at, table.size)});
      at += table.size;
    }
  }
  Unpacked(const Unpacked&) = delete;
  Unpacked& operator=(const Unpacked&) = delete;

  std::span<const EmbeddedLocale> tables() const { return tables_; }

 private:
  std::string texts_;
  std::vector<EmbeddedLocale> tables_;
};

}  // namespace

std::span<const EmbeddedLocale> embedded_locales() {
  // Expanded once, under the language's guard for statics, and read-only after.
  static const Unpacked unpacked(packed_locales());
  return unpacked.tables();
}

}  // namespace corvald::i18n
