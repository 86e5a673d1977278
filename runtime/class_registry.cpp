#include "runtime/class_registry.h"

#include <QMetaMethod>
#include <map>
#include <mutex>

#include "runtime/exception.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

struct Entry {
  const QMetaObject* meta;
  TComponentFactory factory;
};

struct Registry {
  TLeafMutex mutex{"class registry lock"};
  std::map<QString, Entry> classes;  // key: lower-case class name
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

QObject* ConstructWithPointer(const QMetaObject* meta, const char* paramType, void* argument) {
  const QByteArray wanted(paramType);
  for (int i = 0; i < meta->constructorCount(); ++i) {
    const QMetaMethod ctor = meta->constructor(i);
    if (ctor.parameterCount() != 1) continue;
    const QByteArray type = ctor.parameterTypes().value(0);
    if (type != wanted && !type.endsWith("::" + wanted)) continue;
    QObject* result = nullptr;
    void* argv[] = {&result, &argument};
    meta->static_metacall(QMetaObject::CreateInstance, i, argv);
    return result;
  }
  return nullptr;
}

void RegisterClass(const QMetaObject* meta, TComponentFactory factory) {
  if (meta == nullptr) return;
  if (!meta->inherits(&TComponent::staticMetaObject)) {
    throw EFilerError(QStringLiteral("%1 is not a component class").arg(ClassNameOf(meta)));
  }
  if (!factory) {
    factory = [meta](TComponent* owner) -> TComponent* {
      QObject* o = ConstructWithPointer(meta, "TComponent*", owner);
      if (o == nullptr) {
        throw EFilerError(QStringLiteral("%1 has no invokable constructor taking an owner").arg(ClassNameOf(meta)));
      }
      return static_cast<TComponent*>(o);
    };
  }
  const QString name = ClassNameOf(meta);
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.classes.find(name.toLower());
  if (it != r.classes.end()) {
    if (it->second.meta == meta || qstrcmp(it->second.meta->className(), meta->className()) == 0) {
      it->second = Entry{meta, std::move(factory)};
      return;
    }
    throw EFilerError(QStringLiteral("A class named %1 already exists").arg(name));
  }
  r.classes.emplace(name.toLower(), Entry{meta, std::move(factory)});
}

void UnRegisterClass(const QMetaObject* meta) {
  if (meta == nullptr) return;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.classes.find(ClassNameOf(meta).toLower());
  if (it != r.classes.end() && it->second.meta == meta) r.classes.erase(it);
}

const QMetaObject* GetClass(const QString& name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.classes.find(name.toLower());
  return it == r.classes.end() ? nullptr : it->second.meta;
}

const QMetaObject* FindClass(const QString& name) {
  const QMetaObject* meta = GetClass(name);
  if (meta == nullptr) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
  return meta;
}

TComponent* CreateComponent(const QString& className, TComponent* owner) {
  TComponentFactory factory;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(className.toLower());
    if (it == r.classes.end()) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
    factory = it->second.factory;
  }
  TComponent* c = factory(owner);
  try {
    c->AfterConstruction();
  } catch (...) {
    delete c;
    throw;
  }
  return c;
}

}  // namespace lumicar
