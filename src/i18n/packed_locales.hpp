// The locale tables as the build packs them into the program (cmake/embed_locales.cmake).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace corvald::i18n {

struct PackedLocale {
  std::string_view code;
  std::size_t size;  // bytes of its JSON text
};

struct PackedLocales {
  std::span<const unsigned char> stream;  // raw deflate: every table's text, back to back
  std::span<const PackedLocale> tables;   // in the fixed table order, as in the stream
  std::size_t total_size;                 // what the stream expands to
};

PackedLocales packed_locales();

}  // namespace corvald::i18n
