#pragma once
// Small components and property objects on the component bases, used by the tests:
// they publish one property of each kind and log their starts and notifications.

#include <QString>
#include <QStringList>
#include <ostream>

#include "components/lp_collection.h"
#include "components/lp_component.h"
#include "components/lp_locked_persistent_notify.h"
#include "components/lp_persistent.h"
#include "pins/ow_object.h"
#include "runtime/date_time.h"
#include "runtime/event.h"

// Readable test failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace lumicar::test {

// What happened, in order ("start:Name", "notify:Name", "loaded:Form1", ...).
QStringList& Log();

// A framework object published by a component, as pins are.
class TTestPin : public TOWObject {
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE SetValue)
 public:
  using TOWObject::TOWObject;
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }
  // Copies like any property object would, so that a copy attempt shows.
  void Assign(TPersistent* source) override;

 private:
  int value_ = 0;
};

// A property object with its owner's lock.
class TTestSize : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(quint32 Width READ Width WRITE SetWidth)
  Q_CLASSINFO("Default.Width", "320")
  Q_PROPERTY(double Scale READ Scale WRITE SetScale)
 public:
  using TLPPersistent::TLPPersistent;
  quint32 Width() const { return Lock()->Getter(width_); }
  void SetWidth(quint32 v) { Lock()->Setter(width_, v); }
  double Scale() const { return Lock()->Getter(scale_); }
  void SetScale(double v) { Lock()->Setter(scale_, v); }
  void NotifyProp() override;
  int notifications = 0;

 private:
  quint32 width_ = 320;
  double scale_ = 1.0;  // not 0, and no declared default: only "_Floats" keeps a 0
};

class TTestComponent : public TLPComponent {
  Q_OBJECT
  Q_PROPERTY(int Count READ Count WRITE SetCount)
  Q_CLASSINFO("Default.Count", "0")
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_CLASSINFO("Default.Rate", "30")
  Q_PROPERTY(float Gain READ Gain WRITE SetGain)
  Q_PROPERTY(lumicar::TDateTime Stamp READ Stamp WRITE SetStamp)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(TTestMode Mode READ Mode WRITE SetMode)
  Q_CLASSINFO("Default.Mode", "tmOff")
  Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
  Q_CLASSINFO("Default.Flag", "False")
  Q_PROPERTY(double ReadOnlyRate READ ReadOnlyRate)
  Q_PROPERTY(lumicar::test::TTestSize* Size READ Size WRITE SetSize)
  Q_PROPERTY(lumicar::test::TTestPin* Pin READ Pin WRITE SetPin)
  Q_PROPERTY(lumicar::TComponent* Buddy READ Buddy WRITE SetBuddy)
  Q_PROPERTY(lumicar::TNotifyEvent OnChanged READ OnChanged WRITE SetOnChanged)
  // Setting it makes a component by code, owned by this component's owner.
  Q_PROPERTY(bool MakeHelper READ MakeHelper WRITE SetMakeHelper STORED false)

 public:
  enum TTestMode { tmOff, tmSlow, tmFast };
  Q_ENUM(TTestMode)

  Q_INVOKABLE explicit TTestComponent(lumicar::TComponent* owner = nullptr);
  ~TTestComponent() override;

  int Count() const { return Lock()->Getter(count_); }
  void SetCount(int v) { Lock()->Setter(count_, v); }
  double Rate() const { return Lock()->Getter(rate_); }
  void SetRate(double v) { Lock()->SetterMin(rate_, v, 0.0); }
  float Gain() const { return Lock()->Getter(gain_); }
  void SetGain(float v) { Lock()->Setter(gain_, v); }
  TDateTime Stamp() const { return Lock()->Getter(stamp_); }
  void SetStamp(TDateTime v) { Lock()->Setter(stamp_, v); }
  QString Caption() const { return Lock()->Getter(caption_); }
  void SetCaption(const QString& v) { Lock()->Setter(caption_, v); }
  TTestMode Mode() const { return mode_; }
  void SetMode(TTestMode v) { mode_ = v; }
  bool Flag() const { return Lock()->Getter(flag_); }
  void SetFlag(bool v) { Lock()->Setter(flag_, v); }
  double ReadOnlyRate() const { return 0.0; }
  TTestSize* Size() const { return size_; }
  void SetSize(TTestSize* v) { size_->Assign(v); }
  TTestPin* Pin() const { return pin_; }
  void SetPin(TTestPin* v) { pin_->Assign(v); }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* v) { buddy_ = v; }
  TNotifyEvent OnChanged() const { return on_changed_; }
  void SetOnChanged(const TNotifyEvent& v) { on_changed_ = v; }
  bool MakeHelper() const { return false; }
  void SetMakeHelper(bool make);

  void NotifyProp() override;
  int notifications = 0;
  int starts = 0;
  // Whether the component and its owners were loading when CreateStart ran.
  bool loadingAtStart = false;

 protected:
  void CreateStart() override;

 private:
  int count_ = 0;
  double rate_ = 30.0;
  float gain_ = 1.0f;
  TDateTime stamp_;
  QString caption_;
  TTestMode mode_ = tmOff;
  bool flag_ = false;
  TTestSize* size_;
  TTestPin* pin_;
  TComponent* buddy_ = nullptr;
  TNotifyEvent on_changed_;
};

// A form that is itself a component of the family.
class TTestForm : public TLPComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TTestForm(lumicar::TComponent* owner = nullptr) : TLPComponent(owner) {}
  void Loaded() override;
  void MakeDesigning() { IncludeState(csDesigning); }

 protected:
  void CreateStart() override;
};

// A form of the plain runtime, as a window of the windowing layer would be.
class TPlainForm : public TComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TPlainForm(lumicar::TComponent* owner = nullptr) : TComponent(owner) {}
};

class TTestItem : public TLPCollectionItem {
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_PROPERTY(QString Name READ Name WRITE SetName)
 public:
  Q_INVOKABLE explicit TTestItem(lumicar::TCollection* collection = nullptr) : TLPCollectionItem(collection) {}
  int Value() const { return Lock()->Getter(value_); }
  void SetValue(int v) { Lock()->Setter(value_, v); }
  QString Name() const { return name_; }
  void SetName(const QString& v) { name_ = v; }

 private:
  int value_ = 0;
  QString name_;
};

class TTestCollection : public TLPCollection {
  Q_OBJECT
  Q_PROPERTY(int Limit READ Limit WRITE SetLimit)
 public:
  template <typename Owner>
  explicit TTestCollection(Owner* owner) : TLPCollection(&TTestItem::staticMetaObject, owner) {}
  int Limit() const { return Lock()->Getter(limit_); }
  void SetLimit(int v) { Lock()->Setter(limit_, v); }
  QStringList created;  // NewItemCreated calls, by class name

 protected:
  void NewItemCreated(TCollectionItem* item) override;

 private:
  int limit_ = 0;
};

void RegisterTestClasses();

}  // namespace lumicar::test
