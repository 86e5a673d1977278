#include "runtime/form_reader.h"

#include <QFile>
#include <QMetaMethod>
#include <QPointer>
#include <algorithm>
#include <new>
#include <vector>

#include "runtime/class_registry.h"
#include "runtime/collection.h"
#include "runtime/component.h"
#include "runtime/design_access.h"
#include "runtime/event.h"
#include "runtime/exception.h"
#include "runtime/filer.h"
#include "runtime/form_lexer.h"
#include "runtime/properties.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

class FormReader {
 public:
  FormReader(TComponent* root, const std::vector<TFormToken>& tokens) : root_(root), reader_(tokens, root) {}

  void Run() {
    const QString saved_name = root_->Name();
    for (int i = 0; i < root_->ComponentCount(); ++i) before_.push_back(root_->Components(i));
    TDesignAccess::Include(root_, TComponentState(csLoading) | csReading);
    try {
      ReadRoot();
      ResolveFixups();
    } catch (...) {
      Abandon(saved_name);
      throw;
    }
    // Every component of the design exists and holds its values: now each may start.
    try {
      root_->DesignRead();
      for (const QPointer<TComponent>& c : created_) {
        if (!c.isNull()) c->Loaded();
      }
      root_->Loaded();
    } catch (...) {
      Abandon(saved_name);
      throw;
    }
  }

 private:
  // Frees what this read created (last first), including components that the
  // created ones made with the root as owner, and leaves the root as it was.
  void Abandon(const QString& saved_name) {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      if (!it->isNull()) delete it->data();
    }
    created_.clear();
    for (int i = root_->ComponentCount() - 1; i >= 0; i = std::min(i - 1, root_->ComponentCount() - 1)) {
      TComponent* c = root_->Components(i);
      if (std::find(before_.begin(), before_.end(), c) == before_.end()) delete c;
    }
    TDesignAccess::Exclude(root_, TComponentState(csLoading) | csReading);
    try {
      root_->SetName(saved_name);
    } catch (const Exception& e) {
      // The old name was valid before the read; nothing of the read holds it now.
      qCWarning(lcRuntime).noquote() << "Restoring the name" << saved_name
                                     << "after a failed read failed:" << e.Message();
    }
  }

  // Nesting guard for objects, collections and items.
  struct Nest {
    FormReader& r;
    Nest(FormReader& reader, const TFormToken& at) : r(reader) {
      if (++r.depth_ > TReader::kMaxDepth) r.reader_.ErrorAt(at, QStringLiteral("objects nested too deeply"));
    }
    ~Nest() { --r.depth_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;
  };

  struct Header {
    QString name;
    QString class_name;
    TFormToken name_token;
    TFormToken class_token;
  };

  // After "object": "Name: TClass" or just "TClass" for an unnamed component.
  Header ReadHeader() {
    Header h;
    const TFormToken first = reader_.Peek();
    if (first.kind != TFormToken::Ident)
      reader_.Error(QStringLiteral("component name expected, found %1").arg(first.Describe()));
    reader_.Next();
    h.name_token = first;
    if (reader_.Peek().Is(':')) {
      reader_.Next();
      if (!IsValidIdent(first.text))
        reader_.ErrorAt(first, QStringLiteral("'%1' is not a valid component name").arg(first.text));
      h.name = first.text;
      h.class_token = reader_.Peek();
      if (h.class_token.kind != TFormToken::Ident) {
        reader_.Error(QStringLiteral("class name expected, found %1").arg(h.class_token.Describe()));
      }
      reader_.Next();
    } else {
      h.class_token = first;
    }
    h.class_name = h.class_token.text;
    if (!IsValidIdent(h.class_name))
      reader_.ErrorAt(h.class_token, QStringLiteral("'%1' is not a class name").arg(h.class_name));
    return h;
  }

  void ReadRoot() {
    const TFormToken opener = reader_.Peek();
    if (!opener.IsWord("object")) reader_.Error(QStringLiteral("'object' expected, found %1").arg(opener.Describe()));
    reader_.Next();
    const Header h = ReadHeader();
    bool fits = false;
    for (const QMetaObject* m = root_->metaObject(); m != nullptr && !fits; m = m->superClass()) {
      fits = ClassNameOf(m).compare(h.class_name, Qt::CaseInsensitive) == 0;
    }
    if (!fits) {
      reader_.ErrorAt(h.class_token,
                      QStringLiteral("the design is for class %1, not for a %2").arg(h.class_name, ClassNameOf(root_)));
    }
    if (root_->Name().isEmpty() && !h.name.isEmpty()) Guard(h.name_token, [&] { root_->SetName(h.name); });
    Nest nest(*this, opener);
    ReadObjectBody(root_, opener);
    if (!reader_.AtEnd()) reader_.Error(QStringLiteral("text after the end of the design"));
  }

  void ReadObjectBody(TComponent* component, const TFormToken& opener) {
    for (;;) {
      const TFormToken& t = reader_.Peek();
      if (t.kind == TFormToken::End) {
        reader_.Error(QStringLiteral("'end' expected for the object opened at line %1").arg(opener.line));
      }
      const bool is_property = t.kind == TFormToken::Ident && reader_.Peek(1).Is('=');
      if (!is_property && t.IsWord("end")) {
        reader_.Next();
        return;
      }
      if (!is_property && t.IsWord("object")) {
        ReadChild(component);
      } else if (t.kind == TFormToken::Ident) {
        ReadPropertyLine(component);
      } else {
        reader_.Error(QStringLiteral("property name, 'object' or 'end' expected, found %1").arg(t.Describe()));
      }
    }
  }

  void ReadChild(TComponent* parent) {
    const TFormToken opener = reader_.Next();
    Nest nest(*this, opener);
    const Header h = ReadHeader();
    if (GetClass(h.class_name) == nullptr)
      reader_.ErrorAt(h.class_token, QStringLiteral("unknown class %1").arg(h.class_name));
    TComponent* c = nullptr;
    Guard(h.class_token, [&] {
      // Loading already holds for the owner, so the new component does not start from
      // AfterConstruction; it starts from Loaded.
      c = CreateComponent(h.class_name, root_);
    });
    created_.emplace_back(c);
    TDesignAccess::Include(c, TComponentState(csLoading) | csReading);
    if (!h.name.isEmpty()) Guard(h.name_token, [&] { c->SetName(h.name); });
    Guard(opener, [&] { c->SetParentComponent(parent); });
    ReadObjectBody(c, opener);
  }

  // Runs f and turns any library exception into EReadError at token.
  template <typename F>
  void Guard(const TFormToken& token, F&& f) {
    try {
      f();
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      throw EReadError(token.Where() + e.Message());
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& e) {
      throw EReadError(token.Where() + QString::fromLocal8Bit(e.what()));
    }
  }

  void ReadPropertyLine(QObject* instance) {
    const TFormToken name_token = reader_.Next();
    if (!reader_.Peek().Is('=')) reader_.Error(QStringLiteral("'=' expected, found %1").arg(reader_.Peek().Describe()));
    reader_.Next();
    const TFormToken value_token = reader_.Peek();
    const QString path = name_token.text;
    const QStringList parts = path.split(QLatin1Char('.'));
    QObject* object = instance;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* info = FindPropInfo(object, parts[i]);
      if (info == nullptr) {
        reader_.ErrorAt(name_token, QStringLiteral("unknown property %1 in %2").arg(parts[i], ClassNameOf(object)));
      }
      if (info->kind != pkObject) {
        reader_.ErrorAt(name_token,
                        QStringLiteral("property %1 of %2 is not an object").arg(info->name, ClassNameOf(object)));
      }
      QObject* next = nullptr;
      Guard(name_token, [&] { next = GetObjectValue(object, *info); });
      if (next == nullptr) {
        reader_.ErrorAt(name_token, QStringLiteral("property %1 of %2 is nil").arg(info->name, ClassNameOf(object)));
      }
      object = next;
    }
    const QString last = parts.back();
    if (const TPropInfo* info = FindPropInfo(object, last)) {
      Guard(value_token, [&] { ReadPublished(object, *info, value_token); });
      return;
    }
    auto* persistent = qobject_cast<TPersistent*>(object);
    bool taken = false;
    if (persistent != nullptr) Guard(value_token, [&] { taken = reader_.ReadDefinedProperty(persistent, last); });
    if (!taken) reader_.ErrorAt(name_token, QStringLiteral("unknown property %1 in %2").arg(last, ClassNameOf(object)));
  }

  void ReadPublished(QObject* object, const TPropInfo& info, const TFormToken& value_token) {
    if (IsPlainKind(info.kind)) {
      if (!info.IsWritable()) reader_.Error(QStringLiteral("property %1 is read-only").arg(info.name));
      const QVariant v = ReadPlainValue(reader_, info);
      SetPlainValue(object, info, v);
      return;
    }
    switch (info.kind) {
      case pkObject:
        return ReadObjectValue(object, info, value_token);
      case pkEvent:
        return ReadEventValue(object, info);
      default:
        reader_.Error(QStringLiteral("property %1 has a type that designs cannot hold").arg(info.name));
    }
  }

  void ReadObjectValue(QObject* object, const TPropInfo& info, const TFormToken& value_token) {
    switch (reader_.NextValue()) {
      case vaCollection: {
        auto* collection = qobject_cast<TCollection*>(GetObjectValue(object, info));
        if (collection == nullptr) reader_.Error(QStringLiteral("property %1 is not a collection").arg(info.name));
        ReadCollection(collection);
        return;
      }
      case vaNil:
        if (!info.IsWritable()) reader_.Error(QStringLiteral("property %1 is read-only").arg(info.name));
        reader_.Next();
        SetObjectValue(object, info, nullptr);
        return;
      case vaIdent: {
        if (!info.IsWritable()) reader_.Error(QStringLiteral("property %1 is read-only").arg(info.name));
        const QString name = reader_.ReadIdent();
        if (TComponent* target = FindReference(name)) {
          SetObjectValue(object, info, target);
        } else {
          // Named before it is created: set once the whole design has been read.
          fixups_.push_back(Fixup{QPointer<QObject>(object), &info, name, value_token});
        }
        return;
      }
      default:
        reader_.Error(QStringLiteral("component name, nil or collection expected for property %1").arg(info.name));
    }
  }

  void ReadEventValue(QObject* object, const TPropInfo& info) {
    const TEventTypeInfo* event = FindEventType(info.property.metaType());
    if (event == nullptr) reader_.Error(QStringLiteral("property %1 is not an event").arg(info.name));
    if (!info.IsWritable()) reader_.Error(QStringLiteral("property %1 is read-only").arg(info.name));
    if (reader_.NextValue() == vaNil) {
      reader_.Next();
      info.property.write(object, QVariant(info.property.metaType()));
      return;
    }
    const TFormToken at = reader_.Peek();
    if (reader_.NextValue() != vaIdent)
      reader_.Error(QStringLiteral("method name expected for event %1").arg(info.name));
    const QString method_name = reader_.ReadIdent();
    const QMetaObject* meta = root_->metaObject();
    bool named = false;
    for (int i = 0; i < meta->methodCount(); ++i) {
      const QMetaMethod m = meta->method(i);
      if (QString::fromLatin1(m.name()).compare(method_name, Qt::CaseInsensitive) != 0) continue;
      named = true;
      if (m.methodType() == QMetaMethod::Signal || !MethodMatchesEvent(*event, m)) continue;
      if (!info.property.write(object, event->bind(root_, m))) {
        reader_.ErrorAt(at, QStringLiteral("cannot set event %1").arg(info.name));
      }
      return;
    }
    if (named) {
      reader_.ErrorAt(
          at, QStringLiteral("method %1 of %2 does not fit event %3").arg(method_name, ClassNameOf(root_), info.name));
    }
    reader_.ErrorAt(at, QStringLiteral("unknown method %1 in %2").arg(method_name, ClassNameOf(root_)));
  }

  void ReadCollection(TCollection* collection) {
    const TFormToken opener = reader_.Next();  // '<'
    Nest nest(*this, opener);
    struct Update {
      TCollection* c;
      explicit Update(TCollection* collection) : c(collection) { c->BeginUpdate(); }
      ~Update() { c->EndUpdate(); }
      Update(const Update&) = delete;
      Update& operator=(const Update&) = delete;
    } update(collection);
    collection->Clear();
    for (;;) {
      const TFormToken t = reader_.Peek();
      if (t.Is('>')) {
        reader_.Next();
        return;
      }
      if (t.kind == TFormToken::End) reader_.Error(QStringLiteral("unterminated collection"));
      if (!t.IsWord("item")) reader_.Error(QStringLiteral("'item' or '>' expected, found %1").arg(t.Describe()));
      reader_.Next();
      Nest item_nest(*this, t);
      TCollectionItem* item = nullptr;
      Guard(t, [&] { item = collection->Add(); });
      for (;;) {
        const TFormToken& p = reader_.Peek();
        const bool is_property = p.kind == TFormToken::Ident && reader_.Peek(1).Is('=');
        if (!is_property && p.IsWord("end")) {
          reader_.Next();
          break;
        }
        if (p.kind == TFormToken::End)
          reader_.Error(QStringLiteral("'end' expected for the item at line %1").arg(t.line));
        if (!is_property) reader_.Error(QStringLiteral("property name or 'end' expected, found %1").arg(p.Describe()));
        ReadPropertyLine(item);
      }
    }
  }

  // A component named in the design: the root, one of the root's components, or
  // "Root.Component".
  TComponent* FindReference(const QString& name) const {
    if (!root_->Name().isEmpty() && name.compare(root_->Name(), Qt::CaseInsensitive) == 0) return root_;
    if (TComponent* c = root_->FindComponent(name)) return c;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0 && name.left(dot).compare(root_->Name(), Qt::CaseInsensitive) == 0) {
      return root_->FindComponent(name.mid(dot + 1));
    }
    return nullptr;
  }

  void ResolveFixups() {
    for (const Fixup& f : fixups_) {
      if (f.object.isNull()) continue;
      TComponent* target = FindReference(f.name);
      if (target == nullptr) reader_.ErrorAt(f.token, QStringLiteral("unknown component %1").arg(f.name));
      Guard(f.token, [&] { SetObjectValue(f.object.data(), *f.info, target); });
    }
    fixups_.clear();
  }

  struct Fixup {
    QPointer<QObject> object;
    const TPropInfo* info;
    QString name;
    TFormToken token;
  };

  TComponent* root_;
  TReader reader_;
  int depth_ = 0;
  std::vector<TComponent*> before_;  // the root's components before the read
  std::vector<QPointer<TComponent>> created_;
  std::vector<Fixup> fixups_;
};

}  // namespace

void ReadComponentDesign(TComponent* root, const QByteArray& text) {
  if (root == nullptr) throw EReadError(QStringLiteral("No component to read the design into"));
  const std::vector<TFormToken> tokens = TokenizeFormDesign(text);
  FormReader(root, tokens).Run();
}

void ReadComponentResource(TComponent* root, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw EReadError(QStringLiteral("Cannot open form design %1: %2").arg(path, file.errorString()));
  }
  if (file.size() > kMaxDesignSize) throw EReadError(QStringLiteral("Form design %1 is too large").arg(path));
  ReadComponentDesign(root, file.readAll());
}

}  // namespace lumicar
