#pragma once
// The two-flag sets that travel with every delivery (notify state) and come
// back from every receiver (dispatch result), and the bound callable that
// carries a delivery over a link of one stream type (submit function).

#include <QFlags>
#include <cstdint>

#include "runtime/guid.h"

namespace lumicar {

class IOWStream;
class IOWNotifyOperation;

enum TOWNotifyStateFlag : uint8_t {
  // The delivery announces a new or changed link or a refreshed state value.
  nsConnectionNotice = 1,
  // This receiver is the last one of the delivery.
  nsLastReceiver = 2,
};
Q_DECLARE_FLAGS(TOWNotifyState, TOWNotifyStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOWNotifyState)

enum TOWDispatchResultFlag : uint8_t {
  // The receiver changed the data it was handed; such receivers are moved
  // towards the end of the delivery order.
  drDataChanged = 1,
};
Q_DECLARE_FLAGS(TOWDispatchResult, TOWDispatchResultFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOWDispatchResult)

// Code and context, two words, like a bound method. The context is normally
// the sending pin; the receiver is the stream interface of the pin the
// operation is handed to (none when the link has no such pin).
struct TOWSubmitFunction {
  using Code = TOWDispatchResult (*)(void* context, IOWStream* receiver, const TGUID& streamId,
                                     IOWNotifyOperation* operation, TOWNotifyState state);
  Code code = nullptr;
  void* context = nullptr;

  explicit operator bool() const { return code != nullptr; }
  TOWDispatchResult operator()(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                               TOWNotifyState state) const {
    return code(context, receiver, streamId, operation, state);
  }
  friend bool operator==(const TOWSubmitFunction& a, const TOWSubmitFunction& b) {
    return a.code == b.code && a.context == b.context;
  }

  // Binds a member function of shape
  //   TOWDispatchResult T::Method(IOWStream*, const TGUID&, IOWNotifyOperation*, TOWNotifyState)
  // to an object.
  template <auto Method, typename T>
  static TOWSubmitFunction Bind(T* object) {
    return {[](void* c, IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state)
                -> TOWDispatchResult { return (static_cast<T*>(c)->*Method)(receiver, streamId, operation, state); },
            static_cast<void*>(object)};
  }
};

}  // namespace lumicar
