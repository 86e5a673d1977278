#include "components/property_copy.h"

#include <QChar>
#include <QObject>
#include <QVariant>

#include "runtime/component.h"
#include "runtime/exception.h"
#include "runtime/persistent.h"
#include "runtime/properties.h"

namespace lumicar {

namespace {

bool IsOrdinal(TPropKind kind) {
  return kind == pkInteger || kind == pkUnsigned || kind == pkBoolean || kind == pkEnumeration || kind == pkSet;
}

// Value types the property list cannot classify that still count as plain values.
bool IsCopyableUnknown(QMetaType type) {
  return type == QMetaType::fromType<QVariant>() || type == QMetaType::fromType<QChar>() ||
         type == QMetaType::fromType<char16_t>() || type == QMetaType::fromType<char32_t>();
}

void WriteRaw(QObject* dest, const TPropInfo& info, const QVariant& value) {
  if (!info.property.write(dest, value)) {
    throw EPropertyError(QStringLiteral("Cannot set property %1.%2").arg(ClassNameOf(dest), info.name));
  }
}

void CopyObject(QObject* dest, const TPropInfo& to, const QObject* source, const TPropInfo& from) {
  if (from.kind != pkObject) return;
  auto* target = qobject_cast<TPersistent*>(GetObjectValue(dest, to));
  auto* origin = qobject_cast<TPersistent*>(GetObjectValue(source, from));
  if (target == nullptr || origin == nullptr || target == origin) return;
  if (qobject_cast<TComponent*>(target) != nullptr || IsFrameworkObject(target)) return;
  target->Assign(origin);
}

void CopyValue(QObject* dest, const TPropInfo& to, const QObject* source, const TPropInfo& from) {
  const QMetaType type = to.property.metaType();
  if (to.kind == pkUnknown && !IsCopyableUnknown(type)) return;
  if (type == from.property.metaType()) {
    WriteRaw(dest, to, from.property.read(source));
  } else if (IsOrdinal(to.kind) && IsOrdinal(from.kind)) {
    if (from.kind == pkUnsigned) {
      SetUnsignedValue(dest, to, GetUnsignedValue(source, from));
    } else {
      SetOrdValue(dest, to, GetOrdValue(source, from));
    }
  } else if (to.kind == from.kind && (to.kind == pkFloat || to.kind == pkDateTime)) {
    SetFloatValue(dest, to, GetFloatValue(source, from));
  }
}

}  // namespace

bool IsFrameworkObject(const QObject* object) { return object != nullptr && object->inherits("lumicar::TOWObject"); }

void CopyPublishedProperties(QObject* dest, const QObject* source, bool skipName) {
  if (dest == nullptr || source == nullptr || dest == source) return;
  for (const TPropInfo& to : GetPropList(dest)) {
    if (!to.IsWritable() || to.kind == pkEvent) continue;
    if (skipName && to.name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) continue;
    const TPropInfo* from = FindPropInfo(source, to.name);
    if (from == nullptr || from->kind == pkEvent) continue;
    if (to.kind == pkObject) {
      CopyObject(dest, to, source, *from);
    } else if (from->kind != pkObject) {
      CopyValue(dest, to, source, *from);
    }
  }
}

}  // namespace lumicar
