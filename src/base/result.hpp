// Result<T>: a value or a StubError. Errors are values; nothing is thrown across subsystems.
#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "base/stub_error.hpp"

namespace corvald {

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(StubError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const StubError& error() const& { return std::get<1>(state_); }
  StubError&& error() && { return std::get<1>(std::move(state_)); }

 private:
  std::variant<T, StubError> state_;
};

struct Ok {};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Ok) {}
  Result(StubError error) : error_(std::move(error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Like Result<T>, asking a success for its error throws.
  const StubError& error() const { return error_.value(); }

 private:
  std::optional<StubError> error_;
};

}  // namespace corvald
