// Move-only owner of a Win32 handle. Traits name the handle type, its invalid value and the
// function that closes it, so every path closes what it opened.
#pragma once

#include <utility>

namespace corvald::platform {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::is_valid(handle_); }
  explicit operator bool() const { return valid(); }

  [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) {
    if (Traits::is_valid(handle_)) Traits::close(handle_);
    handle_ = h;
  }
  // For out-parameters of Win32 calls: releases what is held and exposes the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::invalid();
};

}  // namespace corvald::platform
