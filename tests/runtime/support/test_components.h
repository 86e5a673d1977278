#pragma once
// Small components and persistent objects with published properties of every kind,
// stored-property hooks, collections and events, for the runtime and form tests and
// the form reader's fuzz target.

#include <QByteArray>
#include <QStringList>
#include <vector>

#include "runtime/collection.h"
#include "runtime/component.h"
#include "runtime/date_time.h"
#include "runtime/event.h"
#include "runtime/filer.h"

namespace lumicar::test {

// What the components did, in order: "Loaded:Name", "Destroyed:Name", ...
std::vector<QString>& Log();

// A nested property object ("Size.Width").
class TTestSize : public TPersistent {
  Q_OBJECT
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(bool Current READ Current WRITE SetCurrent)
  Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
  Q_CLASSINFO("Default.Width", "640")
  Q_CLASSINFO("Default.Height", "480")
  Q_CLASSINFO("Default.Current", "True")

 public:
  explicit TTestSize(TPersistent* owner = nullptr) : owner_(owner) {}
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  int Height() const { return height_; }
  void SetHeight(int v) { height_ = v; }
  bool Current() const { return current_; }
  void SetCurrent(bool v) { current_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  TPersistent* GetOwner() const override { return owner_; }

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  TPersistent* owner_;
  int width_ = 640;
  int height_ = 480;
  bool current_ = true;
  double ratio_ = 0;
};

// A pin-like object whose links are stored through hooks: "Form" (identifier),
// "SourcePin" (identifier or list) and "SinkPins" (list of identifiers or lists).
class TTestPin : public TPersistent {
  Q_OBJECT
  Q_PROPERTY(int Priority READ Priority WRITE SetPriority)
  Q_CLASSINFO("Default.Priority", "0")

 public:
  int Priority() const { return priority_; }
  void SetPriority(int v) { priority_ = v; }
  void DefineProperties(TFiler& filer) override;

  QString form;
  QString source;     // flattened: "A" or "(A B)"
  QStringList sinks;  // one flattened entry per sink
  bool saw_reader_root = false;

 private:
  static QString ReadEntry(TReader& reader);
  static void WriteEntry(TWriter& writer, const QString& entry);
  int priority_ = 0;
};

class TTestItem : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_PROPERTY(lumicar::test::TTestSize* Size READ Size)

 public:
  Q_INVOKABLE explicit TTestItem(lumicar::TCollection* collection = nullptr)
      : TCollectionItem(collection), size_(new TTestSize(this)) {}
  ~TTestItem() override { delete size_; }
  QString Caption() const { return caption_; }
  void SetCaption(const QString& v) {
    caption_ = v;
    Changed(false);
  }
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }
  TTestSize* Size() const { return size_; }
  QString GetDisplayName() const override { return caption_.isEmpty() ? TCollectionItem::GetDisplayName() : caption_; }

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  QString caption_;
  int value_ = 0;
  TTestSize* size_;
};

class TTestItems : public TCollection {
  Q_OBJECT
 public:
  explicit TTestItems(TPersistent* owner) : TCollection(&TTestItem::staticMetaObject, owner) {}
  int updates = 0;
  std::vector<QString> notices;

 protected:
  void Update(TCollectionItem* item) override {
    (void)item;
    ++updates;
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    notices.push_back(QStringLiteral("%1:%2").arg(action).arg(item->ID()));
  }
};

class TTestKinds : public TComponent {
  Q_OBJECT
 public:
  enum TTestColor { tcRed, tcGreen, tcBlue };
  Q_ENUM(TTestColor)
  enum TTestOption { toBold = 1, toItalic = 2, toUnderline = 4 };
  Q_DECLARE_FLAGS(TTestOptions, TTestOption)
  Q_FLAG(TTestOptions)

 private:
  Q_PROPERTY(qint8 Int8 READ Int8 WRITE SetInt8)
  Q_PROPERTY(quint8 UInt8 READ UInt8 WRITE SetUInt8)
  Q_PROPERTY(qint16 Int16 READ Int16 WRITE SetInt16)
  Q_PROPERTY(quint16 UInt16 READ UInt16 WRITE SetUInt16)
  Q_PROPERTY(qint32 Int32 READ Int32 WRITE SetInt32)
  Q_PROPERTY(quint32 UInt32 READ UInt32 WRITE SetUInt32)
  Q_PROPERTY(qint64 Int64 READ Int64 WRITE SetInt64)
  Q_PROPERTY(quint64 UInt64 READ UInt64 WRITE SetUInt64)
  Q_PROPERTY(float Single READ Single WRITE SetSingle)
  Q_PROPERTY(double Double READ Double WRITE SetDouble)
  Q_PROPERTY(lumicar::TDateTime When READ When WRITE SetWhen)
  Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
  Q_PROPERTY(TTestColor Color READ Color WRITE SetColor)
  Q_PROPERTY(TTestOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(QByteArray Blob READ Blob WRITE SetBlob)
  Q_PROPERTY(lumicar::test::TTestSize* Size READ Size)
  Q_PROPERTY(lumicar::TComponent* Buddy READ Buddy WRITE SetBuddy)
  Q_PROPERTY(lumicar::TCollection* Items READ Items)
  Q_PROPERTY(lumicar::TNotifyEvent OnClick READ OnClick WRITE SetOnClick)
  Q_PROPERTY(int Hidden READ Hidden WRITE SetHidden STORED false)
  Q_PROPERTY(int ReadOnly READ ReadOnly)
  Q_CLASSINFO("Default.Int32", "-5")
  Q_CLASSINFO("Default.UInt64", "$FFFFFFFFFFFFFFFF")
  Q_CLASSINFO("Default.Double", "2.5")
  Q_CLASSINFO("Default.Flag", "True")
  Q_CLASSINFO("Default.Color", "tcGreen")
  Q_CLASSINFO("Default.Options", "[toBold, toUnderline]")
  Q_CLASSINFO("Default.Text", "none")

 public:
  Q_INVOKABLE explicit TTestKinds(lumicar::TComponent* owner = nullptr);
  ~TTestKinds() override;

  qint8 Int8() const { return int8_; }
  void SetInt8(qint8 v) { int8_ = v; }
  quint8 UInt8() const { return uint8_; }
  void SetUInt8(quint8 v) { uint8_ = v; }
  qint16 Int16() const { return int16_; }
  void SetInt16(qint16 v) { int16_ = v; }
  quint16 UInt16() const { return uint16_; }
  void SetUInt16(quint16 v) { uint16_ = v; }
  qint32 Int32() const { return int32_; }
  void SetInt32(qint32 v) { int32_ = v; }
  quint32 UInt32() const { return uint32_; }
  void SetUInt32(quint32 v) { uint32_ = v; }
  qint64 Int64() const { return int64_; }
  void SetInt64(qint64 v) { int64_ = v; }
  quint64 UInt64() const { return uint64_; }
  void SetUInt64(quint64 v) { uint64_ = v; }
  float Single() const { return single_; }
  void SetSingle(float v) { single_ = v; }
  double Double() const { return double_; }
  void SetDouble(double v) { double_ = v; }
  TDateTime When() const { return when_; }
  void SetWhen(TDateTime v) { when_ = v; }
  bool Flag() const { return flag_; }
  void SetFlag(bool v) { flag_ = v; }
  TTestColor Color() const { return color_; }
  void SetColor(TTestColor v) { color_ = v; }
  TTestOptions Options() const { return options_; }
  void SetOptions(TTestOptions v) { options_ = v; }
  QString Text() const { return text_; }
  void SetText(const QString& v) {
    text_ = v;
    was_loading_when_text_set = IsLoading();
  }
  QStringList Lines() const { return lines_; }
  void SetLines(const QStringList& v) { lines_ = v; }
  QByteArray Blob() const { return blob_; }
  void SetBlob(const QByteArray& v) { blob_ = v; }
  TTestSize* Size() const { return size_; }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* v);
  TCollection* Items() const { return items_; }
  TTestItems* TestItems() const { return items_; }
  TNotifyEvent OnClick() const { return on_click_; }
  void SetOnClick(const TNotifyEvent& v) { on_click_ = v; }
  int Hidden() const { return hidden_; }
  void SetHidden(int v) { hidden_ = v; }
  int ReadOnly() const { return 7; }

  void Loaded() override;
  bool was_loading_when_text_set = false;
  int loaded_calls = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  qint8 int8_ = 0;
  quint8 uint8_ = 0;
  qint16 int16_ = 0;
  quint16 uint16_ = 0;
  qint32 int32_ = -5;
  quint32 uint32_ = 0;
  qint64 int64_ = 0;
  quint64 uint64_ = ~quint64{0};
  float single_ = 0;
  double double_ = 2.5;
  TDateTime when_;
  bool flag_ = true;
  TTestColor color_ = tcGreen;
  TTestOptions options_ = TTestOptions(toBold | toUnderline);
  QString text_ = QStringLiteral("none");
  QStringList lines_;
  QByteArray blob_;
  TTestSize* size_;
  TComponent* buddy_ = nullptr;
  TTestItems* items_;
  TNotifyEvent on_click_;
  int hidden_ = 0;
};

// A component with two pins and a binary "Data" hook.
class TTestLinked : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::test::TTestPin* InputPin READ InputPin)
  Q_PROPERTY(lumicar::test::TTestPin* OutputPin READ OutputPin)

 public:
  Q_INVOKABLE explicit TTestLinked(lumicar::TComponent* owner = nullptr);
  ~TTestLinked() override;
  TTestPin* InputPin() const { return input_; }
  TTestPin* OutputPin() const { return output_; }
  QByteArray data;
  bool data_read_while_loading = false;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;

 private:
  TTestPin* input_;
  TTestPin* output_;
};

// A component that nests other components (as menus nest their items).
class TTestContainer : public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

 public:
  Q_INVOKABLE explicit TTestContainer(lumicar::TComponent* owner = nullptr) : TComponent(owner) {}
  ~TTestContainer() override;
  QString Caption() const { return caption_; }
  void SetCaption(const QString& v) { caption_ = v; }
  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override { parent_ = parent; }
  void Loaded() override;

 private:
  QString caption_;
  TComponent* parent_ = nullptr;
};

// The root of the test designs: a form with event handlers.
class TTestForm : public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(lumicar::TComponent* PopupMenu READ PopupMenu WRITE SetPopupMenu)

 public:
  Q_INVOKABLE explicit TTestForm(lumicar::TComponent* owner = nullptr) : TComponent(owner) {}
  ~TTestForm() override;
  QString Caption() const { return caption_; }
  void SetCaption(const QString& v) { caption_ = v; }
  TComponent* PopupMenu() const { return popup_; }
  void SetPopupMenu(TComponent* v) { popup_ = v; }

  Q_INVOKABLE void Button1Click(QObject* Sender);
  Q_INVOKABLE void WrongShape(int count);
  // Logs "DesignRead:<name>".
  void DesignRead() override;
  void Loaded() override;

  std::vector<QObject*> clicks;

 private:
  QString caption_;
  TComponent* popup_ = nullptr;
};

// A component whose Loaded fails, for the clean-up after a failed load.
class TTestFailing : public TComponent {
  Q_OBJECT
 public:
  // Also makes a helper component for its owner, as some components do.
  Q_INVOKABLE explicit TTestFailing(lumicar::TComponent* owner = nullptr) : TComponent(owner) {
    if (owner != nullptr) new TComponent(owner);
  }
  ~TTestFailing() override;
  void Loaded() override;
};

// Registers the test classes with the class registry (idempotent).
void RegisterTestClasses();

}  // namespace lumicar::test

Q_DECLARE_OPERATORS_FOR_FLAGS(lumicar::test::TTestKinds::TTestOptions)

// Readable QStrings in test failure messages.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
