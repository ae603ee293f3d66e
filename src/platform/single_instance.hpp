// The single-instance guard: a named mutex per stub version.
#pragma once

#include <memory>
#include <string_view>

namespace corvald::platform {

class SingleInstance {
 public:
  enum class State { owned, already_running, unguarded };

  // Creates the named mutex with initial ownership requested.
  static SingleInstance acquire(std::string_view name);

  State state() const { return state_; }

  SingleInstance(SingleInstance&&) noexcept;
  SingleInstance& operator=(SingleInstance&&) noexcept;
  ~SingleInstance();  // closes the mutex handle, if held

 private:
  struct Handle;
  SingleInstance(State state, std::unique_ptr<Handle> handle);

  State state_;
  std::unique_ptr<Handle> handle_;
};

}  // namespace corvald::platform
