#include "runtime/persistent.h"

#include "runtime/exception.h"

namespace lumicar {

TPersistent::TPersistent(QObject* parent) : QObject(parent) {}

TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
  } else {
    AssignError(nullptr);
  }
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
  const QString from = source != nullptr ? ClassNameOf(source) : QStringLiteral("nil");
  throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(from, ClassNameOf(this)));
}

QString TPersistent::GetNamePath() const { return ClassNameOf(this); }

TPersistent* TPersistent::GetOwner() const { return nullptr; }

void TPersistent::DefineProperties(TFiler& filer) { (void)filer; }

QString ClassNameOf(const QMetaObject* meta) {
  if (meta == nullptr) return {};
  const QString full = QString::fromLatin1(meta->className());
  const qsizetype colon = full.lastIndexOf(QLatin1String("::"));
  return colon < 0 ? full : full.mid(colon + 2);
}

QString ClassNameOf(const QObject* object) { return object != nullptr ? ClassNameOf(object->metaObject()) : QString(); }

}  // namespace lumicar
