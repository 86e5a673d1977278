#include "dsbase/graph/device_provider.h"

#include <algorithm>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {
TLeafMutex& ProviderLock() {
  static TLeafMutex lock{"device provider lock"};
  return lock;
}
std::vector<std::shared_ptr<IDSDeviceProvider>>& Providers() {
  static std::vector<std::shared_ptr<IDSDeviceProvider>> providers;
  return providers;
}
}  // namespace

void DSRegisterDeviceProvider(std::shared_ptr<IDSDeviceProvider> provider) {
  if (!provider) return;
  std::lock_guard guard(ProviderLock());
  auto& all = Providers();
  if (std::find(all.begin(), all.end(), provider) == all.end()) all.push_back(std::move(provider));
}

void DSUnregisterDeviceProvider(const IDSDeviceProvider* provider) {
  std::lock_guard guard(ProviderLock());
  auto& all = Providers();
  all.erase(std::remove_if(all.begin(), all.end(), [&](const auto& p) { return p.get() == provider; }), all.end());
}

std::vector<std::shared_ptr<IDSDeviceProvider>> DSDeviceProviders(const TGUID& category) {
  std::lock_guard guard(ProviderLock());
  std::vector<std::shared_ptr<IDSDeviceProvider>> found;
  for (const auto& p : Providers())
    if (p->Category() == category) found.push_back(p);
  return found;
}

std::vector<std::shared_ptr<IDSDeviceProvider>> DSAllDeviceProviders() {
  std::lock_guard guard(ProviderLock());
  return Providers();
}

}  // namespace lumicar
