#include "platform/single_instance.hpp"

#include "platform/wide.hpp"
#include "platform/win_handles.hpp"

namespace corvald::platform {

struct SingleInstance::Handle {
  UniqueKernelHandle mutex;
};

SingleInstance::SingleInstance(State state, std::unique_ptr<Handle> handle)
    : state_(state), handle_(std::move(handle)) {}
SingleInstance::SingleInstance(SingleInstance&&) noexcept = default;
SingleInstance& SingleInstance::operator=(SingleInstance&&) noexcept = default;
SingleInstance::~SingleInstance() = default;

SingleInstance SingleInstance::acquire(std::string_view name) {
  UniqueKernelHandle mutex(CreateMutexW(nullptr, TRUE, widen(name).c_str()));
  const DWORD error = GetLastError();
  if (!mutex) return SingleInstance(State::unguarded, nullptr);
  if (error == ERROR_ALREADY_EXISTS) return SingleInstance(State::already_running, nullptr);
  return SingleInstance(State::owned, std::make_unique<Handle>(Handle{std::move(mutex)}));
}

}  // namespace corvald::platform
