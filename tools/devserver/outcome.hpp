// A value or the reason there is none. Start-up and request parsing report plain sentences
// that end up on stderr or in a 400 answer, so a message string is all an error needs.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace corvald::devserver {

template <class T>
class [[nodiscard]] Outcome {
 public:
  static Outcome ok(T value) {
    Outcome o;
    o.value_ = std::move(value);
    return o;
  }
  static Outcome fail(std::string why) {
    Outcome o;
    o.error_ = std::move(why);
    return o;
  }

  explicit operator bool() const { return value_.has_value(); }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  const std::string& error() const { return error_; }

 private:
  Outcome() = default;
  std::optional<T> value_;
  std::string error_;
};

}  // namespace corvald::devserver
