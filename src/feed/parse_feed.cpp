#include "feed/parse_feed.hpp"

#include <array>
#include <unordered_set>
#include <utility>

#include "feed/feed_url.hpp"
#include "feed/yaml_reader.hpp"
#include "text/format.hpp"

namespace corvald::feed {
namespace {

enum FeedKey : std::size_t { kVersion, kPath, kSha512, kSize, kReleaseDate, kFiles };
constexpr std::array<std::string_view, 6> kFeedKeys = {"version", "path",        "sha512",
                                                       "size",    "releaseDate", "files"};

enum FileKey : std::size_t { kFileUrl, kFileSha512, kFileSize };
constexpr std::array<std::string_view, 3> kFileKeys = {"url", "sha512", "size"};

struct RawFile {
  std::string url;
  std::optional<std::string> sha512;
  std::optional<std::uint64_t> size;
};

struct RawFeed {
  std::string version;
  std::optional<std::string> path;
  std::optional<std::string> sha512;
  std::optional<std::uint64_t> size;
  std::optional<std::string> release_date;
  // Only the first entry is ever used; the others are read for their shape alone.
  std::optional<RawFile> first_file;
};

// Reads an optional field into `out`, leaving it empty when the key is absent or null.
template <class T, class Reader>
Result<void> read_optional(const yaml_node_t* value, std::string_view field, Reader reader,
                           std::optional<T>& out) {
  if (value == nullptr) return Ok{};
  auto read = reader(*value, field);
  if (!read) return read.error();
  out = std::move(*read);
  return Ok{};
}

Result<std::string> read_required_text(const yaml_node_t* value, std::string_view key,
                                       std::string_view field) {
  if (value == nullptr) return StubError::parse(text::format("yaml: missing field `{}`", key));
  auto read = read_text(*value, field);
  if (!read) return read.error();
  if (!*read) return type_error(*value, field, "a string", "null");
  return std::move(**read);
}

Result<RawFile> read_file_entry(const YamlDocument& document, const yaml_node_t& entry,
                                std::size_t index) {
  const std::string where = text::format("files[{}]", index);
  if (entry.type != YAML_MAPPING_NODE) {
    return type_error(entry, where, "a mapping", kind_of(entry));
  }
  auto fields = listed_fields(document, entry, kFileKeys);
  if (!fields) return fields.error();
  const auto& values = *fields;

  RawFile file;
  if (auto r = read_optional(values[kFileSha512], where + ".sha512", read_text, file.sha512); !r) {
    return r.error();
  }
  if (auto r = read_optional(values[kFileSize], where + ".size", read_unsigned, file.size); !r) {
    return r.error();
  }
  auto url = read_required_text(values[kFileUrl], "url", where + ".url");
  if (!url) return url.error();
  file.url = std::move(*url);
  return file;
}

Result<std::optional<RawFile>> read_files(const YamlDocument& document, const yaml_node_t& files) {
  if (files.type != YAML_SEQUENCE_NODE) {
    return type_error(files, "files", "a sequence", kind_of(files));
  }
  std::optional<RawFile> first;
  // Aliases let one entry stand in the sequence many times; checking each distinct entry
  // once keeps the work linear in the size of the text.
  std::unordered_set<const yaml_node_t*> checked;
  std::size_t index = 0;
  for (const yaml_node_item_t* item = files.data.sequence.items.start;
       item != files.data.sequence.items.top; ++item, ++index) {
    const yaml_node_t* entry = document.node(*item);
    if (entry == nullptr) return StubError::parse("yaml: sequence item without a node");
    if (!checked.insert(entry).second) continue;
    auto file = read_file_entry(document, *entry, index);
    if (!file) return file.error();
    if (index == 0) first = std::move(*file);
  }
  return first;
}

Result<RawFeed> read_raw_feed(const YamlDocument& document) {
  const yaml_node_t& root = document.root();
  if (root.type != YAML_MAPPING_NODE) {
    return StubError::parse(
        text::format("yaml: expected a mapping at the top level, found {} at {}", kind_of(root),
                     position_of(root)));
  }
  auto fields = listed_fields(document, root, kFeedKeys);
  if (!fields) return fields.error();
  const auto& values = *fields;

  RawFeed raw;
  for (auto [key, target] : {std::pair{kPath, &raw.path}, std::pair{kSha512, &raw.sha512},
                             std::pair{kReleaseDate, &raw.release_date}}) {
    if (auto r = read_optional(values[key], kFeedKeys[key], read_text, *target); !r) {
      return r.error();
    }
  }
  if (auto r = read_optional(values[kSize], "size", read_unsigned, raw.size); !r) {
    return r.error();
  }
  if (values[kFiles] != nullptr && !is_null(*values[kFiles])) {
    auto first = read_files(document, *values[kFiles]);
    if (!first) return first.error();
    raw.first_file = std::move(*first);
  }
  auto version = read_required_text(values[kVersion], "version", "version");
  if (!version) return version.error();
  raw.version = std::move(*version);
  return raw;
}

Result<Feed> select_download(std::string_view installer_base, RawFeed raw) {
  std::optional<std::string> url;
  std::optional<std::string> sha512 = std::move(raw.sha512);
  std::optional<std::uint64_t> size = raw.size;
  if (raw.first_file) {
    url = std::move(raw.first_file->url);
    if (raw.first_file->sha512) sha512 = std::move(raw.first_file->sha512);
    if (raw.first_file->size) size = raw.first_file->size;
  } else {
    url = std::move(raw.path);
  }
  if (!url) return StubError::parse("feed: missing path and files[]");
  if (!sha512) return StubError::parse("feed: missing sha512");
  if (!size) return StubError::parse("feed: missing size");

  Feed feed;
  feed.version = std::move(raw.version);
  feed.url = resolve_installer_url(*url, installer_base);
  feed.sha512 = std::move(*sha512);
  feed.release_date = std::move(raw.release_date);
  feed.size = *size;
  return feed;
}

}  // namespace

Result<Feed> parse_feed(std::string_view body, std::string_view installer_base) {
  auto document = YamlDocument::load_single(body);
  if (!document) return document.error();
  auto raw = read_raw_feed(*document);
  if (!raw) return raw.error();
  return select_download(installer_base, std::move(*raw));
}

}  // namespace corvald::feed
