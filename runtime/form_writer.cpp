#include "runtime/form_writer.h"

#include <vector>

#include "runtime/collection.h"
#include "runtime/component.h"
#include "runtime/design_access.h"
#include "runtime/event.h"
#include "runtime/exception.h"
#include "runtime/filer.h"
#include "runtime/properties.h"

namespace lumicar {

namespace {

class FormWriter {
 public:
  explicit FormWriter(TComponent* root) : root_(root), writer_(root) {}

  QByteArray Run() {
    std::vector<TComponent*> marked{root_};
    for (int i = 0; i < root_->ComponentCount(); ++i) marked.push_back(root_->Components(i));
    for (TComponent* c : marked) TDesignAccess::Include(c, csWriting);
    try {
      WriteComponent(root_, 0);
    } catch (...) {
      for (TComponent* c : marked) TDesignAccess::Exclude(c, csWriting);
      throw;
    }
    for (TComponent* c : marked) TDesignAccess::Exclude(c, csWriting);
    return writer_.Text();
  }

 private:
  static constexpr int kMaxDepth = 64;

  // The component under which c is nested in the design; none for the top level (no
  // parent, the root itself, a parent of another owner, or a cycle of parents).
  TComponent* DesignParent(TComponent* c) const {
    TComponent* parent = c->GetParentComponent();
    if (parent == nullptr || parent == root_ || parent->Owner() != root_) return nullptr;
    TComponent* p = parent;
    for (int steps = 0; p != nullptr && steps <= root_->ComponentCount(); ++steps) {
      if (p == c) return nullptr;
      TComponent* next = p->GetParentComponent();
      if (next == nullptr || next == root_ || next->Owner() != root_) return parent;
      p = next;
    }
    return nullptr;
  }

  void WriteComponent(TComponent* c, int depth) {
    if (depth > kMaxDepth) throw EWriteError(QStringLiteral("components nested too deeply"));
    const QString cls = ClassNameOf(c);
    writer_.WriteLine(c->Name().isEmpty() ? QStringLiteral("object %1").arg(cls)
                                          : QStringLiteral("object %1: %2").arg(c->Name(), cls));
    writer_.SetIndent(writer_.Indent() + 1);
    std::vector<QObject*> path;
    WriteProperties(c, QString(), 0, path);
    for (int i = 0; i < root_->ComponentCount(); ++i) {
      TComponent* child = root_->Components(i);
      const TComponent* parent = DesignParent(child);
      if (c == root_ ? parent == nullptr : parent == c) WriteComponent(child, depth + 1);
    }
    writer_.SetIndent(writer_.Indent() - 1);
    writer_.WriteLine(QStringLiteral("end"));
  }

  QString ReferenceName(const TComponent* c) const {
    if (c == root_) return root_->Name();
    if (c->Owner() == root_) return c->Name();
    if (c->Owner() != nullptr && !c->Owner()->Name().isEmpty() && !c->Name().isEmpty()) {
      return c->Owner()->Name() + QLatin1Char('.') + c->Name();
    }
    return {};
  }

  void WriteProperties(QObject* object, const QString& prefix, int depth, std::vector<QObject*>& path) {
    for (QObject* o : path) {
      if (o == object) throw EWriteError(QStringLiteral("property objects form a cycle at %1").arg(prefix));
    }
    if (depth > kMaxDepth) throw EWriteError(QStringLiteral("property objects nested too deeply at %1").arg(prefix));
    path.push_back(object);
    for (const TPropInfo& info : GetPropList(object)) {
      if (!info.IsStored()) continue;
      const QString name = prefix + info.name;
      if (IsPlainKind(info.kind)) {
        if (!info.IsWritable() || IsDefaultValue(object, info)) continue;
        writer_.BeginProperty(name);
        WritePlainValue(writer_, object, info);
        writer_.EndProperty();
      } else if (info.kind == pkObject) {
        WriteObjectProperty(object, info, name, depth, path);
      } else if (info.kind == pkEvent) {
        const TEventTypeInfo* event = FindEventType(info.property.metaType());
        if (event == nullptr || !info.IsWritable()) continue;
        const QVariant v = info.property.read(object);
        const QString method = event->methodName(v);
        if (method.isEmpty() || event->target(v) != root_) continue;
        writer_.BeginProperty(name);
        writer_.WriteIdent(method);
        writer_.EndProperty();
      }
    }
    if (auto* persistent = qobject_cast<TPersistent*>(object)) {
      writer_.SetPropertyPrefix(prefix);
      writer_.WriteDefinedProperties(persistent);
      writer_.SetPropertyPrefix(QString());
    }
    path.pop_back();
  }

  void WriteObjectProperty(QObject* object, const TPropInfo& info, const QString& name, int depth,
                           std::vector<QObject*>& path) {
    QObject* sub = GetObjectValue(object, info);
    if (sub == nullptr) return;
    if (auto* component = qobject_cast<TComponent*>(sub)) {
      const QString ref = ReferenceName(component);
      if (ref.isEmpty() || !info.IsWritable()) return;
      writer_.BeginProperty(name);
      writer_.WriteIdent(ref);
      writer_.EndProperty();
      return;
    }
    if (auto* collection = qobject_cast<TCollection*>(sub)) {
      if (collection->Count() == 0) return;
      writer_.BeginProperty(name);
      writer_.BeginCollection();
      for (int i = 0; i < collection->Count(); ++i) {
        writer_.BeginItem();
        std::vector<QObject*> item_path = path;
        WriteProperties(collection->Items(i), QString(), depth + 1, item_path);
        writer_.EndItem();
      }
      writer_.EndCollection();
      writer_.EndProperty();
      return;
    }
    WriteProperties(sub, name + QLatin1Char('.'), depth + 1, path);
  }

  TComponent* root_;
  TWriter writer_;
};

}  // namespace

QByteArray WriteComponentDesign(TComponent* root) {
  if (root == nullptr) throw EWriteError(QStringLiteral("No component to write"));
  return FormWriter(root).Run();
}

}  // namespace lumicar
