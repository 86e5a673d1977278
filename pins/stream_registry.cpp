#include "pins/stream_registry.h"

#include <mutex>
#include <shared_mutex>
#include <vector>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

struct TStreamEntry {
  TGUID id;
  QString name;
  TOWDefaultHandler handler = nullptr;
};

// The registries are meant to be filled before any pin exists, but a
// reader-writer lock costs little and keeps a late registration from
// corrupting a search that runs on another thread.
struct TRegistries {
  TLeafSharedMutex mutex{"stream registry lock"};
  std::vector<TStreamEntry> streams;
  std::vector<TOWConverterRegistration> converters;
};

// Lives until the process ends, so that pins destroyed during static
// destruction can still look up their types.
TRegistries& Registries() {
  static TRegistries* registries = new TRegistries;
  return *registries;
}

TStreamEntry& FindOrAppend(std::vector<TStreamEntry>& streams, const TGUID& id) {
  for (auto& e : streams)
    if (e.id == id) return e;
  streams.push_back(TStreamEntry{id, QString(), nullptr});
  return streams.back();
}

}  // namespace

void OWRegisterStream(const TGUID& id, const QString& name) {
  auto& r = Registries();
  std::unique_lock lock(r.mutex);
  FindOrAppend(r.streams, id).name = name;
}

void OWRegisterDefaultHandler(const TGUID& id, TOWDefaultHandler handler) {
  auto& r = Registries();
  std::unique_lock lock(r.mutex);
  FindOrAppend(r.streams, id).handler = handler;
}

TOWDefaultHandler OWGetDefaultHandler(const TGUID& id) {
  auto& r = Registries();
  std::shared_lock lock(r.mutex);
  for (const auto& e : r.streams)
    if (e.id == id) return e.handler;
  return nullptr;
}

QString OWGetStreamTypeFromID(const TGUID& id) {
  if (id.IsNull()) return QStringLiteral("NIL ID");
  {
    auto& r = Registries();
    std::shared_lock lock(r.mutex);
    for (const auto& e : r.streams)
      if (e.id == id) {
        if (!e.name.isEmpty()) return e.name;
        break;
      }
  }
  return id.ToString();
}

void OWRegisterTypeConverter(const TGUID& fromId, const TGUID& toId, TOWFormatConverterClass converterClass) {
  auto& r = Registries();
  std::unique_lock lock(r.mutex);
  for (auto& c : r.converters)
    if (c.fromId == fromId && c.toId == toId) {
      c.converterClass = converterClass;
      return;
    }
  r.converters.push_back(TOWConverterRegistration{fromId, toId, converterClass});
}

TOWFormatConverterClass OWGetConverter(const TGUID& fromId, const TGUID& toId) {
  auto& r = Registries();
  std::shared_lock lock(r.mutex);
  for (const auto& c : r.converters)
    if (c.fromId == fromId && c.toId == toId) return c.converterClass;
  return nullptr;
}

int OWGetConverterRegistrationCount() {
  auto& r = Registries();
  std::shared_lock lock(r.mutex);
  return static_cast<int>(r.converters.size());
}

TOWConverterRegistration OWGetConverterRegistration(int index) {
  auto& r = Registries();
  std::shared_lock lock(r.mutex);
  if (index < 0 || index >= static_cast<int>(r.converters.size())) return {};
  return r.converters[size_t(index)];
}

std::vector<TOWConverterRegistration> OWGetConverterRegistrations() {
  auto& r = Registries();
  std::shared_lock lock(r.mutex);
  return r.converters;
}

}  // namespace lumicar
