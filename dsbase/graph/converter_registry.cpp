#include "dsbase/graph/converter_registry.h"

#include <algorithm>
#include <mutex>

namespace lumicar {

namespace {
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::vector<TGUID>& Classes() {
  static std::vector<TGUID> classes;
  return classes;
}
}  // namespace

void DSRegisterConverter(const TGUID& clsid) {
  std::lock_guard guard(Lock());
  auto& classes = Classes();
  if (std::find(classes.begin(), classes.end(), clsid) == classes.end()) classes.push_back(clsid);
}

std::vector<TGUID> DSConverterClasses() {
  std::lock_guard guard(Lock());
  return Classes();
}

}  // namespace lumicar
