// The small part of libyaml the feed needs: load exactly one document, find the listed keys
// of a mapping, and read scalars as text or unsigned integers. Every failure is a parse
// error whose text starts with "yaml: ".
#pragma once

#include <yaml.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"

namespace corvald::feed {

// Collections (mappings and sequences, the top-level one included) may be nested this deep.
inline constexpr int kMaxYamlNesting = 64;

// libyaml's loader keeps an alias as a reference to the anchored node rather than a copy,
// and it composes with explicit stacks rather than recursion, so alias bombs cost no more
// memory than their text. Readers of a YamlDocument keep that property by looking only at
// the nodes they need and never walking a value they ignore: aliases may form cycles.
class YamlDocument {
 public:
  // Anything but one UTF-8 document (nothing at all, a second document, a syntax error,
  // other encodings, nesting beyond kMaxYamlNesting) fails.
  static Result<YamlDocument> load_single(std::string_view bytes);

  const yaml_node_t& root() const;
  // The node a sequence item or mapping pair refers to; nullptr for an index out of range.
  const yaml_node_t* node(int index) const;

 private:
  struct Free {
    void operator()(yaml_document_t* document) const;
  };
  explicit YamlDocument(std::unique_ptr<yaml_document_t, Free> document);

  std::unique_ptr<yaml_document_t, Free> document_;
};

// "line 3 column 7", counted from 1, where the node starts.
std::string position_of(const yaml_node_t& node);

// The values of the `keys` found in `mapping`, in the order of `keys` (nullptr when absent).
// Other keys, whatever their values, are skipped unread; a listed key given twice fails
// with "yaml: duplicate field `key`".
Result<std::vector<const yaml_node_t*>> listed_fields(const YamlDocument& document,
                                                      const yaml_node_t& mapping,
                                                      std::span<const std::string_view> keys);

// Any scalar is text, as written (so version 1.10 stays "1.10"); YAML's null is "absent".
// `field` names the value in error texts.
Result<std::optional<std::string>> read_text(const yaml_node_t& value, std::string_view field);

// Only a plain decimal scalar without sign or leading zero fits; null is "absent".
Result<std::optional<std::uint64_t>> read_unsigned(const yaml_node_t& value,
                                                   std::string_view field);

// Error text for a value of the wrong kind: "yaml: invalid type for `field` at line L column
// C: expected <expected>, found <found>".
StubError type_error(const yaml_node_t& value, std::string_view field, std::string_view expected,
                     std::string_view found);

// A plain empty, ~, null, Null or NULL scalar: YAML's way of saying "nothing here".
bool is_null(const yaml_node_t& node);

// "a mapping", "a sequence", "null", "a string".
std::string_view kind_of(const yaml_node_t& node);

}  // namespace corvald::feed
