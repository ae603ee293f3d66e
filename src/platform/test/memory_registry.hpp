// An in-memory registry for native tests, with chosen failures.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <variant>

#include "platform/registry.hpp"

namespace corvald::platform::testing {

class MemoryRegistry final : public Registry {
 public:
  using Value = std::variant<std::uint32_t, std::string>;
  using Values = std::map<std::string, Value>;

  OpenedKey create_key(RegistryRoot root, std::string_view path) override {
    ++create_calls;
    if (create_rc != 0) return {create_rc, nullptr};
    auto& values = keys[{root, std::string(path)}];
    return {0, std::make_unique<Key>(*this, values)};
  }

  bool has_key(RegistryRoot root, const std::string& path) const {
    return keys.count({root, path}) != 0;
  }
  const Values& values(RegistryRoot root, const std::string& path) { return keys[{root, path}]; }

  std::map<std::pair<RegistryRoot, std::string>, Values> keys;
  std::uint32_t create_rc = 0;
  std::map<std::string, std::uint32_t> set_rc;  // value name -> failure code for writes
  int create_calls = 0;
  int writes = 0;

 private:
  class Key final : public RegistryKey {
   public:
    Key(MemoryRegistry& owner, Values& values) : owner_(owner), values_(values) {}

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

   private:
    std::uint32_t store(std::string_view name, Value value) {
      auto failure = owner_.set_rc.find(std::string(name));
      if (failure != owner_.set_rc.end()) return failure->second;
      ++owner_.writes;
      values_[std::string(name)] = std::move(value);
      return 0;
    }

    MemoryRegistry& owner_;
    Values& values_;
  };
};

}  // namespace corvald::platform::testing
