#pragma once
// TEvent: a method-pointer property value. It holds a bound callable and, when it was
// bound by name (a form design's "OnClick = Button1Click"), the method's name and
// target, so that designs can be read and written again.

#include <QMetaMethod>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace lumicar {

using TObject = QObject;

// What the design reader needs to know of one event type.
struct TEventTypeInfo {
  QMetaType type;
  std::vector<QMetaType> parameters;
  // A value of the event type that calls method on target.
  QVariant (*bind)(QObject* target, const QMetaMethod& method) = nullptr;
  // The method name and target kept in a value of the event type.
  QString (*methodName)(const QVariant& value) = nullptr;
  QObject* (*target)(const QVariant& value) = nullptr;
};

// Every TEvent instantiation registers itself; the registry answers whether a
// property's type is an event.
bool RegisterEventType(const TEventTypeInfo& info);
const TEventTypeInfo* FindEventType(QMetaType type);
// True when method (returning void) takes exactly the event's parameters.
bool MethodMatchesEvent(const TEventTypeInfo& info, const QMetaMethod& method);

template <typename... Args>
class TEvent {
 public:
  using Function = std::function<void(Args...)>;

  TEvent() { (void)kRegistered; }
  // A callable set by code; without a method name it is not stored in designs.
  TEvent(Function function, QString methodName = {}, QObject* target = nullptr)
      : function_(std::move(function)), method_name_(std::move(methodName)), target_(target) {
    (void)kRegistered;
  }
  // A member function of a QObject, named so that designs can store it.
  template <typename C>
  TEvent(C* target, void (C::*method)(Args...), QString methodName)
      : function_([target, method](Args... args) { (target->*method)(args...); }),
        method_name_(std::move(methodName)),
        target_(target) {
    (void)kRegistered;
  }

  // Binds an invokable method (Q_INVOKABLE or slot) found by name; the call goes
  // through the meta-object system and is skipped once target is gone.
  static TEvent Bind(QObject* target, const QMetaMethod& method) {
    QPointer<QObject> guard(target);
    const int index = method.methodIndex();
    TEvent e(
        [guard, index](Args... args) {
          if (guard.isNull()) return;
          void* argv[] = {nullptr, const_cast<void*>(static_cast<const void*>(&args))...};
          QMetaObject::metacall(guard.data(), QMetaObject::InvokeMetaMethod, index, argv);
        },
        QString::fromLatin1(method.name()), target);
    return e;
  }

  explicit operator bool() const { return static_cast<bool>(function_); }
  void operator()(Args... args) const {
    if (function_) function_(std::forward<Args>(args)...);
  }

  const QString& MethodName() const { return method_name_; }
  QObject* Target() const { return target_.data(); }

  // Two events are equal when both are empty or both name the same method of the
  // same target (callables themselves cannot be compared).
  friend bool operator==(const TEvent& a, const TEvent& b) {
    if (!a.function_ || !b.function_) return !a.function_ && !b.function_;
    return !a.method_name_.isEmpty() && a.method_name_ == b.method_name_ && a.target_ == b.target_;
  }

 private:
  static TEventTypeInfo MakeInfo() {
    TEventTypeInfo info;
    info.type = QMetaType::fromType<TEvent>();
    info.parameters = {QMetaType::fromType<Args>()...};
    info.bind = [](QObject* target, const QMetaMethod& method) {
      return QVariant::fromValue(TEvent::Bind(target, method));
    };
    info.methodName = [](const QVariant& v) { return v.value<TEvent>().MethodName(); };
    info.target = [](const QVariant& v) { return v.value<TEvent>().Target(); };
    return info;
  }

  static inline const bool kRegistered = RegisterEventType(MakeInfo());

  Function function_;
  QString method_name_;
  QPointer<QObject> target_;
};

// The event of clicks, double-clicks and plain changes: the sender as argument.
using TNotifyEvent = TEvent<TObject*>;

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TNotifyEvent)
