#include "tests/runtime/support/test_components.h"

#include "runtime/class_registry.h"
#include "runtime/exception.h"
#include "runtime/form_lexer.h"

namespace lumicar::test {

std::vector<QString>& Log() {
  static std::vector<QString> log;
  return log;
}

void TTestSize::AssignTo(TPersistent* dest) {
  if (auto* size = qobject_cast<TTestSize*>(dest)) {
    size->width_ = width_;
    size->height_ = height_;
    size->current_ = current_;
    size->ratio_ = ratio_;
    return;
  }
  TPersistent::AssignTo(dest);
}

QString TTestPin::ReadEntry(TReader& reader) {
  switch (reader.NextValue()) {
    case vaList: {
      QStringList parts;
      reader.ReadListBegin();
      while (!reader.EndOfList()) parts << ReadEntry(reader);
      reader.ReadListEnd();
      return QLatin1Char('(') + parts.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    case vaString: {
      // Back in design form, so that WriteEntry reads it as one string:
      // quotes doubled, control characters as #n.
      QString quoted;
      bool open = false;
      for (const QChar c : reader.ReadString()) {
        if (c.unicode() < 32) {
          if (open) quoted += QLatin1Char('\'');
          open = false;
          quoted += QLatin1Char('#') + QString::number(c.unicode());
          continue;
        }
        if (!open) quoted += QLatin1Char('\'');
        open = true;
        quoted += c == QLatin1Char('\'') ? QStringLiteral("''") : QString(c);
      }
      if (open || quoted.isEmpty()) quoted += quoted.isEmpty() ? QStringLiteral("''") : QStringLiteral("'");
      return quoted;
    }
    default:
      return reader.ReadIdent();
  }
}

void TTestPin::WriteEntry(TWriter& writer, const QString& entry) {
  for (const TFormToken& t : TokenizeFormDesign(entry.toUtf8())) {
    if (t.Is('(')) {
      writer.WriteListBegin();
    } else if (t.Is(')')) {
      writer.WriteListEnd();
    } else if (t.kind == TFormToken::String) {
      writer.WriteString(t.text);
    } else if (t.kind == TFormToken::Ident) {
      writer.WriteIdent(t.text);
    }
  }
}

void TTestPin::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      QStringLiteral("Form"),
      [this](TReader& r) {
        form = r.ReadIdent();
        saw_reader_root = r.Root() != nullptr;
      },
      [this](TWriter& w) { w.WriteIdent(form); }, !form.isEmpty());
  filer.DefineProperty(
      QStringLiteral("SourcePin"), [this](TReader& r) { source = ReadEntry(r); },
      [this](TWriter& w) { WriteEntry(w, source); }, !source.isEmpty());
  filer.DefineProperty(
      QStringLiteral("SinkPins"),
      [this](TReader& r) {
        sinks.clear();
        r.ReadListBegin();
        while (!r.EndOfList()) sinks << ReadEntry(r);
        r.ReadListEnd();
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (const QString& s : sinks) WriteEntry(w, s);
        w.WriteListEnd();
      },
      !sinks.isEmpty());
}

void TTestItem::AssignTo(TPersistent* dest) {
  if (auto* item = qobject_cast<TTestItem*>(dest)) {
    item->caption_ = caption_;
    item->value_ = value_;
    item->size_->Assign(size_);
    return;
  }
  TCollectionItem::AssignTo(dest);
}

TTestKinds::TTestKinds(TComponent* owner)
    : TComponent(owner), size_(new TTestSize(this)), items_(new TTestItems(this)) {}

TTestKinds::~TTestKinds() {
  Log().push_back(QStringLiteral("Destroyed:") + Name());
  delete items_;
  delete size_;
}

void TTestKinds::SetBuddy(TComponent* v) {
  if (buddy_ != nullptr) buddy_->RemoveFreeNotification(this);
  buddy_ = v;
  if (buddy_ != nullptr) buddy_->FreeNotification(this);
}

void TTestKinds::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == buddy_) buddy_ = nullptr;
}

void TTestKinds::Loaded() {
  TComponent::Loaded();
  ++loaded_calls;
  Log().push_back(QStringLiteral("Loaded:") + Name());
}

TTestLinked::TTestLinked(TComponent* owner) : TComponent(owner), input_(new TTestPin), output_(new TTestPin) {}

TTestLinked::~TTestLinked() {
  Log().push_back(QStringLiteral("Destroyed:") + Name());
  delete input_;
  delete output_;
}

void TTestLinked::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      QStringLiteral("Data"),
      [this](const QByteArray& bytes) {
        data = bytes;
        data_read_while_loading = IsLoading();
      },
      [this] { return data; }, !data.isEmpty());
}

void TTestLinked::Loaded() {
  TComponent::Loaded();
  Log().push_back(QStringLiteral("Loaded:") + Name());
}

TTestContainer::~TTestContainer() { Log().push_back(QStringLiteral("Destroyed:") + Name()); }

void TTestContainer::Loaded() {
  TComponent::Loaded();
  Log().push_back(QStringLiteral("Loaded:") + Name());
}

TTestForm::~TTestForm() { DestroyComponents(); }

void TTestForm::Button1Click(QObject* Sender) { clicks.push_back(Sender); }

void TTestForm::WrongShape(int count) { (void)count; }

void TTestForm::DesignRead() { Log().push_back(QStringLiteral("DesignRead:") + Name()); }

void TTestForm::Loaded() {
  TComponent::Loaded();
  Log().push_back(QStringLiteral("Loaded:") + Name());
}

TTestFailing::~TTestFailing() { Log().push_back(QStringLiteral("Destroyed:") + Name()); }

void TTestFailing::Loaded() {
  TComponent::Loaded();
  throw EComponentError(QStringLiteral("cannot start ") + Name());
}

void RegisterTestClasses() {
  RegisterClass<TTestKinds>();
  RegisterClass<TTestLinked>();
  RegisterClass<TTestContainer>();
  RegisterClass<TTestFailing>();
  RegisterClass<TTestForm>();
}

}  // namespace lumicar::test
