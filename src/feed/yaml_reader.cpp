#include "feed/yaml_reader.hpp"

#include <charconv>

#include "text/format.hpp"
#include "text/utf.hpp"

namespace corvald::feed {
namespace {

std::string mark_text(const yaml_mark_t& mark) {
  return text::format("line {} column {}", mark.line + 1, mark.column + 1);
}

StubError libyaml_error(const yaml_parser_t& parser) {
  const char* problem = parser.problem != nullptr ? parser.problem : "unknown error";
  switch (parser.error) {
    case YAML_MEMORY_ERROR: return StubError::parse("yaml: out of memory");
    case YAML_READER_ERROR:
      // The reader reports bytes, not lines: it fails before it knows where lines are.
      return StubError::parse(text::format("yaml: {} at byte {}", problem, parser.problem_offset));
    default: break;
  }
  std::string message = "yaml: ";
  if (parser.context != nullptr) {
    message += text::format("{} at {}, ", parser.context, mark_text(parser.context_mark));
  }
  message += text::format("{} at {}", problem, mark_text(parser.problem_mark));
  return StubError::parse(std::move(message));
}

struct ParserDeleter {
  void operator()(yaml_parser_t* parser) const {
    yaml_parser_delete(parser);
    delete parser;
  }
};
using ParserPtr = std::unique_ptr<yaml_parser_t, ParserDeleter>;

ParserPtr open_parser(std::string_view bytes) {
  ParserPtr parser(new yaml_parser_t{});
  if (yaml_parser_initialize(parser.get()) == 0) return nullptr;
  // libyaml insists on a non-null input pointer even for no input.
  static constexpr unsigned char kNothing[1] = {0};
  const auto* input =
      bytes.empty() ? kNothing : reinterpret_cast<const unsigned char*>(bytes.data());
  yaml_parser_set_input_string(parser.get(), input, bytes.size());
  return parser;
}

struct EventDeleter {
  yaml_event_t* event;
  ~EventDeleter() { yaml_event_delete(event); }
};

// libyaml does not recurse, but its scanner revisits every open flow collection for each
// token, so 64 KiB of "[" costs seconds of CPU. Walking the events first and stopping at
// the first collection too deep keeps that cost small; real feeds nest four levels at most.
Result<void> check_nesting(std::string_view bytes) {
  ParserPtr parser = open_parser(bytes);
  if (!parser) return StubError::parse("yaml: out of memory");
  int depth = 0;
  for (;;) {
    yaml_event_t event;
    if (yaml_parser_parse(parser.get(), &event) == 0) return libyaml_error(*parser);
    const EventDeleter release{&event};
    switch (event.type) {
      case YAML_STREAM_END_EVENT: return Ok{};
      case YAML_SEQUENCE_START_EVENT:
      case YAML_MAPPING_START_EVENT:
        if (++depth > kMaxYamlNesting) {
          return StubError::parse(text::format("yaml: nested deeper than {} levels at {}",
                                               kMaxYamlNesting, mark_text(event.start_mark)));
        }
        break;
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT: --depth; break;
      default: break;
    }
  }
}

bool is_plain(const yaml_node_t& node) {
  return node.data.scalar.style == YAML_PLAIN_SCALAR_STYLE ||
         node.data.scalar.style == YAML_ANY_SCALAR_STYLE;
}

std::string_view scalar_text(const yaml_node_t& node) {
  return {reinterpret_cast<const char*>(node.data.scalar.value), node.data.scalar.length};
}

// What a plain scalar that is not an unsigned decimal integer looks like, for the message.
std::string_view non_integer_kind(std::string_view text) {
  const bool signed_number =
      text.size() > 1 && (text[0] == '-' || text[0] == '+') && text[1] >= '0' && text[1] <= '9';
  if (signed_number) return text[0] == '-' ? "a negative number" : "a number with a sign";
  if (text.starts_with("0x") || text.starts_with("0o") || text.starts_with("0b")) {
    return "a hexadecimal, octal or binary number";
  }
  // Only what reads as one: a base64 digest has digits and an "e" too.
  if (text.find_first_not_of("0123456789.eE+-") == std::string_view::npos &&
      text.find_first_of(".eE") != std::string_view::npos &&
      text.find_first_of("0123456789") != std::string_view::npos) {
    return "a floating-point number";
  }
  return "text that is not a number";
}

}  // namespace

bool is_null(const yaml_node_t& node) {
  if (node.type != YAML_SCALAR_NODE || !is_plain(node)) return false;
  const std::string_view text = scalar_text(node);
  return text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL";
}

void YamlDocument::Free::operator()(yaml_document_t* document) const {
  yaml_document_delete(document);
  delete document;
}

YamlDocument::YamlDocument(std::unique_ptr<yaml_document_t, Free> document)
    : document_(std::move(document)) {}

Result<YamlDocument> YamlDocument::load_single(std::string_view bytes) {
  // libyaml would switch to UTF-16 after its byte-order mark; the feed is UTF-8 only.
  // (Forcing UTF-8 in libyaml instead would make it misread a UTF-8 byte-order mark as
  // indentation of the first line.)
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return StubError::parse("yaml: UTF-16 byte-order mark found, the feed must be UTF-8");
  }
  if (auto shallow = check_nesting(bytes); !shallow) return shallow.error();
  ParserPtr parser = open_parser(bytes);
  if (!parser) return StubError::parse("yaml: out of memory");

  // yaml_parser_load zeroes the document first and deletes it again when it fails, so the
  // deleter is safe on every path.
  std::unique_ptr<yaml_document_t, Free> first(new yaml_document_t{});
  if (yaml_parser_load(parser.get(), first.get()) == 0) return libyaml_error(*parser);
  if (yaml_document_get_root_node(first.get()) == nullptr) {
    return StubError::parse("yaml: the body holds no YAML document");
  }

  std::unique_ptr<yaml_document_t, Free> second(new yaml_document_t{});
  if (yaml_parser_load(parser.get(), second.get()) == 0) return libyaml_error(*parser);
  if (yaml_document_get_root_node(second.get()) != nullptr) {
    return StubError::parse(text::format("yaml: expected a single document, found another at {}",
                                         mark_text(second->start_mark)));
  }
  return YamlDocument(std::move(first));
}

const yaml_node_t& YamlDocument::root() const {
  // load_single only hands out documents that have a root.
  return *yaml_document_get_root_node(document_.get());
}

const yaml_node_t* YamlDocument::node(int index) const {
  return yaml_document_get_node(document_.get(), index);
}

std::string position_of(const yaml_node_t& node) { return mark_text(node.start_mark); }

std::string_view kind_of(const yaml_node_t& node) {
  switch (node.type) {
    case YAML_MAPPING_NODE: return "a mapping";
    case YAML_SEQUENCE_NODE: return "a sequence";
    default: return is_null(node) ? "null" : "a string";
  }
}

StubError type_error(const yaml_node_t& value, std::string_view field, std::string_view expected,
                     std::string_view found) {
  return StubError::parse(text::format("yaml: invalid type for `{}` at {}: expected {}, found {}",
                                       field, position_of(value), expected, found));
}

Result<std::vector<const yaml_node_t*>> listed_fields(const YamlDocument& document,
                                                      const yaml_node_t& mapping,
                                                      std::span<const std::string_view> keys) {
  std::vector<const yaml_node_t*> values(keys.size(), nullptr);
  for (const yaml_node_pair_t* pair = mapping.data.mapping.pairs.start;
       pair != mapping.data.mapping.pairs.top; ++pair) {
    const yaml_node_t* key = document.node(pair->key);
    // Keys that are collections cannot be one of ours; like any unknown key they are skipped.
    if (key == nullptr || key->type != YAML_SCALAR_NODE) continue;
    const std::string_view name = scalar_text(*key);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (name != keys[i]) continue;
      if (values[i] != nullptr) {
        return StubError::parse(text::format("yaml: duplicate field `{}`", keys[i]));
      }
      const yaml_node_t* value = document.node(pair->value);
      if (value == nullptr) return StubError::parse("yaml: mapping key without a value");
      values[i] = value;
    }
  }
  return values;
}

Result<std::optional<std::string>> read_text(const yaml_node_t& value, std::string_view field) {
  if (is_null(value)) return std::optional<std::string>();
  if (value.type != YAML_SCALAR_NODE) return type_error(value, field, "a string", kind_of(value));
  const std::string_view text = scalar_text(value);
  // Escapes in quoted scalars can produce any byte, NUL included; none belongs in a version,
  // URL, digest or date, and they would truncate the URL or break log lines downstream.
  if (text::has_control_character(text)) {
    return StubError::parse(
        text::format("yaml: invalid value for `{}` at {}: control characters are not allowed",
                     field, position_of(value)));
  }
  return std::optional<std::string>(std::string(text));
}

Result<std::optional<std::uint64_t>> read_unsigned(const yaml_node_t& value,
                                                   std::string_view field) {
  constexpr std::string_view expected = "an unsigned decimal integer";
  if (is_null(value)) return std::optional<std::uint64_t>();
  if (value.type != YAML_SCALAR_NODE) return type_error(value, field, expected, kind_of(value));
  if (!is_plain(value)) {
    const bool block = value.data.scalar.style == YAML_LITERAL_SCALAR_STYLE ||
                       value.data.scalar.style == YAML_FOLDED_SCALAR_STYLE;
    return type_error(value, field, expected, block ? "a block scalar" : "a quoted string");
  }
  const std::string_view text = scalar_text(value);
  if (text.find_first_not_of("0123456789") != std::string_view::npos) {
    return type_error(value, field, expected, non_integer_kind(text));
  }
  // YAML 1.1 reads 0755 as octal and YAML 1.2 as decimal; refuse rather than guess.
  if (text.size() > 1 && text.front() == '0') {
    return type_error(value, field, expected, "a number with a leading zero");
  }
  std::uint64_t number = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (status == std::errc::result_out_of_range) {
    return type_error(value, field, expected, "a number above 18446744073709551615");
  }
  if (status != std::errc() || end != text.data() + text.size()) {
    return type_error(value, field, expected, non_integer_kind(text));
  }
  return std::optional<std::uint64_t>(number);
}

}  // namespace corvald::feed
