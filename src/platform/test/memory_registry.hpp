// An in-memory registry for native tests, with chosen failures. Key paths are kept exactly as
// written (no case folding); a key exists when it was created or lies above one that was.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "platform/registry.hpp"
#include "text/utf.hpp"

namespace corvald::platform::testing {

class MemoryRegistry final : public Registry {
 public:
  using Value = std::variant<std::uint32_t, std::string>;
  using Values = std::map<std::string, Value>;
  using Path = std::pair<RegistryRoot, std::string>;

  static constexpr std::uint32_t kNotFound = 2;

  OpenedKey create_key(RegistryRoot root, std::string_view path) override {
    ++create_calls;
    if (create_rc != 0) return {create_rc, nullptr};
    return open_existing({root, std::string(path)});
  }

  OpenedKey open_key(RegistryRoot root, std::string_view path, RegistryAccess) override {
    return open_if_present({root, std::string(path)});
  }

  bool has_key(RegistryRoot root, const std::string& path) const {
    return keys.count({root, path}) != 0;
  }
  const Values& values(RegistryRoot root, const std::string& path) { return keys[{root, path}]; }

  std::map<Path, Values> keys;
  std::uint32_t create_rc = 0;
  std::map<std::string, std::uint32_t> set_rc;   // value name -> failure code for writes
  std::map<std::string, std::uint32_t> open_rc;  // key path -> failure code for opens
  int create_calls = 0;
  int writes = 0;

 private:
  class Key;

  bool exists(const Path& path) const {
    if (keys.count(path) != 0) return true;
    const std::string prefix = path.second + "\\";
    auto it = keys.lower_bound({path.first, prefix});
    return it != keys.end() && it->first.first == path.first &&
           it->first.second.compare(0, prefix.size(), prefix) == 0;
  }

  OpenedKey open_if_present(const Path& path) {
    auto failure = open_rc.find(path.second);
    if (failure != open_rc.end()) return {failure->second, nullptr};
    if (!exists(path)) return {kNotFound, nullptr};
    return open_existing(path);
  }

  OpenedKey open_existing(const Path& path);

  // Immediate children in name order, as the real registry enumerates them.
  std::set<std::string> children(const Path& path) const {
    std::set<std::string> names;
    const std::string prefix = path.second + "\\";
    for (auto it = keys.lower_bound({path.first, prefix});
         it != keys.end() && it->first.first == path.first &&
         it->first.second.compare(0, prefix.size(), prefix) == 0;
         ++it) {
      const std::string rest = it->first.second.substr(prefix.size());
      names.insert(rest.substr(0, rest.find('\\')));
    }
    return names;
  }

  class Key final : public RegistryKey {
   public:
    Key(MemoryRegistry& owner, Path path)
        : owner_(owner), path_(std::move(path)), values_(owner.keys[path_]) {}

    std::optional<std::uint32_t> query_dword(std::string_view name) override {
      auto it = values_.find(std::string(name));
      if (it == values_.end() || !std::holds_alternative<std::uint32_t>(it->second)) {
        return std::nullopt;
      }
      return std::get<std::uint32_t>(it->second);
    }
    std::optional<std::string> query_string(std::string_view name) override {
      auto it = values_.find(std::string(name));
      if (it == values_.end() || !std::holds_alternative<std::string>(it->second)) {
        return std::nullopt;
      }
      return std::get<std::string>(it->second);
    }
    std::uint32_t set_dword(std::string_view name, std::uint32_t value) override {
      return store(name, value);
    }
    std::uint32_t set_string(std::string_view name, std::string_view value) override {
      return store(name, std::string(value));
    }

    // Strings only: the probe never meets other types in the tests, and a text read of a
    // DWORD would just be two arbitrary code units.
    std::optional<std::string> read_text(std::string_view name) override {
      auto text = query_string(name);
      if (!text) return std::nullopt;
      return text->substr(0, text->find('\0'));
    }
    std::optional<std::string> subkey_name(std::uint32_t index) override {
      const auto names = owner_.children(path_);
      if (index >= names.size()) return std::nullopt;
      const std::string& name = *std::next(names.begin(), index);
      // Room for 255 units and the NUL, like the real 256-character buffer.
      if (text::utf8_to_utf16(name).size() > 255) return std::nullopt;
      return name;
    }
    OpenedKey open_subkey(std::string_view name, RegistryAccess) override {
      return owner_.open_if_present({path_.first, path_.second + "\\" + std::string(name)});
    }

   private:
    std::uint32_t store(std::string_view name, Value value) {
      auto failure = owner_.set_rc.find(std::string(name));
      if (failure != owner_.set_rc.end()) return failure->second;
      ++owner_.writes;
      values_[std::string(name)] = std::move(value);
      return 0;
    }

    MemoryRegistry& owner_;
    Path path_;
    Values& values_;
  };
};

inline OpenedKey MemoryRegistry::open_existing(const Path& path) {
  return {0, std::make_unique<Key>(*this, path)};
}

}  // namespace corvald::platform::testing
