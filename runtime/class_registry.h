#pragma once
// The class registry: component classes register under their name (without
// namespace), and designs create components by class name.

#include <QMetaObject>
#include <QString>
#include <functional>

#include "runtime/component.h"

namespace lumicar {

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Registers a TComponent descendant under its class name. The factory makes an
// instance with the given owner; without one the class needs a Q_INVOKABLE
// constructor taking (TComponent* owner). Registering the same class again is
// harmless; another class under a taken name raises EFilerError.
void RegisterClass(const QMetaObject* meta, TComponentFactory factory = {});
template <typename T>
void RegisterClass() {
  RegisterClass(&T::staticMetaObject, [](TComponent* owner) -> TComponent* { return new T(owner); });
}
void UnRegisterClass(const QMetaObject* meta);

// The class registered under name (ignoring case), or none.
const QMetaObject* GetClass(const QString& name);
// The same, raising EClassNotFound "Class <name> not found" when there is none.
const QMetaObject* FindClass(const QString& name);

// Creates a component of a registered class with owner and runs AfterConstruction.
// EClassNotFound for an unknown name.
TComponent* CreateComponent(const QString& className, TComponent* owner);

// Runs a Q_INVOKABLE one-argument constructor of meta whose parameter type name ends
// with paramType (e.g. "TComponent*"); none when the class has no such constructor.
QObject* ConstructWithPointer(const QMetaObject* meta, const char* paramType, void* argument);

}  // namespace lumicar
