#include "dsbase/graph/converter_registry.h"

#include <algorithm>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {
TLeafMutex& ConverterLock() {
  static TLeafMutex lock{"converter registry lock"};
  return lock;
}
std::vector<TGUID>& Classes() {
  static std::vector<TGUID> classes;
  return classes;
}
}  // namespace

void DSRegisterConverter(const TGUID& clsid) {
  std::lock_guard guard(ConverterLock());
  auto& classes = Classes();
  if (std::find(classes.begin(), classes.end(), clsid) == classes.end()) classes.push_back(clsid);
}

std::vector<TGUID> DSConverterClasses() {
  std::lock_guard guard(ConverterLock());
  return Classes();
}

}  // namespace lumicar
