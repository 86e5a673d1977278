#pragma once
// Listeners for design tools: told when pins, pin lists and state
// dispatchers come, change and go. Every listener is called in registration
// order on the thread that made the change; an exception a listener raises is
// swallowed and the next listener is still called.

#include "runtime/interface.h"

namespace lumicar {

class TOWBasicPin;
class TOWPinObject;
class TOWPinList;
class TOWStateDispatcher;

class IOWPinNotifier : public virtual IUnknown {
 public:
  virtual void PinCreated(TOWBasicPin* pin) = 0;
  // designClosing: the pin's owner is in design mode and its window is
  // being destroyed.
  virtual void PinDestroying(TOWBasicPin* pin, bool designClosing) = 0;
  virtual void PinChanged(TOWBasicPin* pin) = 0;
  // other: the other pin of the link, or the state dispatcher.
  virtual void PinConnected(TOWBasicPin* pin, TOWPinObject* other) = 0;
  virtual void PinDisconnected(TOWBasicPin* pin, TOWPinObject* other) = 0;
  virtual void PinListCreated(TOWPinList* list) = 0;
  virtual void PinListDestroying(TOWPinList* list) = 0;
  virtual void PinListChanged(TOWPinList* list) = 0;
  virtual void PinAddedToList(TOWPinList* list, TOWBasicPin* pin, int index) = 0;
  virtual void PinRemovedFromList(TOWPinList* list, TOWBasicPin* pin, int index) = 0;
  virtual void PinsSwappedInList(TOWPinList* list, TOWBasicPin* pinA, int indexA, TOWBasicPin* pinB, int indexB) = 0;
  virtual void DispatcherCreated(TOWStateDispatcher* dispatcher) = 0;
  // flag: always false.
  virtual void DispatcherDestroying(TOWStateDispatcher* dispatcher, bool flag) = 0;
  virtual void DispatcherChanged(TOWStateDispatcher* dispatcher) = 0;
};

void OWAddPinNotifier(IOWPinNotifier* listener);
void OWRemovePinNotifier(IOWPinNotifier* listener);

// Senders used by the framework.
void OWNotifyPinCreated(TOWBasicPin* pin);
void OWNotifyPinDestroying(TOWBasicPin* pin, bool designClosing);
void OWNotifyPinChanged(TOWBasicPin* pin);
void OWNotifyPinConnected(TOWBasicPin* pin, TOWPinObject* other);
void OWNotifyPinDisconnected(TOWBasicPin* pin, TOWPinObject* other);
void OWNotifyPinListCreated(TOWPinList* list);
void OWNotifyPinListDestroying(TOWPinList* list);
void OWNotifyPinListChanged(TOWPinList* list);
void OWNotifyPinAddedToList(TOWPinList* list, TOWBasicPin* pin, int index);
void OWNotifyPinRemovedFromList(TOWPinList* list, TOWBasicPin* pin, int index);
void OWNotifyPinsSwappedInList(TOWPinList* list, TOWBasicPin* pinA, int indexA, TOWBasicPin* pinB, int indexB);
void OWNotifyDispatcherCreated(TOWStateDispatcher* dispatcher);
void OWNotifyDispatcherDestroying(TOWStateDispatcher* dispatcher, bool flag);
void OWNotifyDispatcherChanged(TOWStateDispatcher* dispatcher);

}  // namespace lumicar
