#include "runtime/properties.h"

#include <QHash>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

#include "runtime/date_time.h"
#include "runtime/event.h"
#include "runtime/exception.h"
#include "runtime/filer.h"
#include "runtime/form_lexer.h"
#include "runtime/persistent.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

QString PropTitle(const QObject* object, const TPropInfo& info) {
  return QStringLiteral("%1.%2").arg(ClassNameOf(object), info.name);
}

// ---- raw integers of 1, 2, 4 or 8 bytes (integers, enumerations, sets)

qint64 LoadSigned(const void* data, int size) {
  switch (size) {
    case 1: {
      qint8 v;
      std::memcpy(&v, data, 1);
      return v;
    }
    case 2: {
      qint16 v;
      std::memcpy(&v, data, 2);
      return v;
    }
    case 4: {
      qint32 v;
      std::memcpy(&v, data, 4);
      return v;
    }
    case 8: {
      qint64 v;
      std::memcpy(&v, data, 8);
      return v;
    }
  }
  return 0;
}

quint64 LoadUnsigned(const void* data, int size) {
  quint64 v = 0;
  switch (size) {
    case 1: {
      quint8 x;
      std::memcpy(&x, data, 1);
      v = x;
      break;
    }
    case 2: {
      quint16 x;
      std::memcpy(&x, data, 2);
      v = x;
      break;
    }
    case 4: {
      quint32 x;
      std::memcpy(&x, data, 4);
      v = x;
      break;
    }
    case 8:
      std::memcpy(&v, data, 8);
      break;
  }
  return v;
}

// A value of type `type` holding the low `size` bytes of v.
QVariant MakeIntegral(QMetaType type, quint64 v) {
  const int size = static_cast<int>(type.sizeOf());
  unsigned char buffer[8] = {};
  switch (size) {
    case 1: {
      const quint8 x = static_cast<quint8>(v);
      std::memcpy(buffer, &x, 1);
      break;
    }
    case 2: {
      const quint16 x = static_cast<quint16>(v);
      std::memcpy(buffer, &x, 2);
      break;
    }
    case 4: {
      const quint32 x = static_cast<quint32>(v);
      std::memcpy(buffer, &x, 4);
      break;
    }
    default:
      std::memcpy(buffer, &v, 8);
      break;
  }
  return QVariant(type, buffer);
}

bool SignedFits(qint64 v, int size) {
  if (size >= 8) return true;
  const qint64 max = (qint64{1} << (size * 8 - 1)) - 1;
  return v >= -max - 1 && v <= max;
}

bool UnsignedFits(quint64 v, int size) { return size >= 8 || v <= ((quint64{1} << (size * 8)) - 1); }

void Write(QObject* object, const TPropInfo& info, const QVariant& value) {
  if (!info.property.isWritable()) {
    throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(PropTitle(object, info)));
  }
  if (!info.property.write(object, value)) {
    throw EPropertyError(QStringLiteral("Cannot set property %1").arg(PropTitle(object, info)));
  }
}

TPropKind KindOf(const QMetaProperty& p, int* size) {
  const QMetaType mt = p.metaType();
  *size = static_cast<int>(mt.sizeOf());
  if (FindEventType(mt) != nullptr) return pkEvent;
  if (p.isFlagType()) return pkSet;
  if (p.isEnumType()) return pkEnumeration;
  switch (mt.id()) {
    case QMetaType::Bool:
      return pkBoolean;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
      return pkInteger;
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
      return pkUnsigned;
    case QMetaType::Float:
    case QMetaType::Double:
      return pkFloat;
    case QMetaType::QString:
      return pkString;
    case QMetaType::QStringList:
      return pkStringList;
    case QMetaType::QByteArray:
      return pkBinary;
    default:
      break;
  }
  if (mt == QMetaType::fromType<TDateTime>() || mt == QMetaType::fromType<TDate>() ||
      mt == QMetaType::fromType<TTime>()) {
    *size = 8;
    return pkDateTime;
  }
  if (mt.flags().testFlag(QMetaType::PointerToQObject)) return pkObject;
  // An enumeration the meta-object system has no names for: an integer type (with
  // identifiers, when registered).
  if (mt.flags().testFlag(QMetaType::IsEnumeration) && (*size == 1 || *size == 2 || *size == 4 || *size == 8)) {
    return pkInteger;
  }
  return pkUnknown;
}

struct Cache {
  TLeafMutex mutex{"property cache lock"};
  std::map<const QMetaObject*, std::unique_ptr<std::vector<TPropInfo>>> lists;
  std::map<int, std::vector<std::pair<QString, qint64>>> idents;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

QVariant ParseDefault(const QMetaObject* meta, const TPropInfo& info, const QString& text) {
  if (info.kind == pkString) return text;
  const std::vector<TFormToken> tokens = TokenizeFormDesign(text.toUtf8());
  TReader reader(tokens, nullptr);
  QVariant v = ReadPlainValue(reader, info);
  if (!reader.AtEnd()) reader.Error(QStringLiteral("text after the value"));
  (void)meta;
  return v;
}

std::unique_ptr<std::vector<TPropInfo>> BuildList(const QMetaObject* meta) {
  auto list = std::make_unique<std::vector<TPropInfo>>();
  for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
    TPropInfo info;
    info.property = meta->property(i);
    info.name = QString::fromLatin1(info.property.name());
    info.kind = KindOf(info.property, &info.size);
    if (info.kind == pkEnumeration || info.kind == pkSet) info.enumerator = info.property.enumerator();
    list->push_back(std::move(info));
  }
  // Declared defaults: the most derived declaration wins.
  for (TPropInfo& info : *list) {
    const QByteArray key = "Default." + info.name.toLatin1();
    const int index = meta->indexOfClassInfo(key.constData());
    if (index < 0) continue;
    const QString text = QString::fromUtf8(meta->classInfo(index).value());
    if (!IsPlainKind(info.kind)) {
      throw EPropertyError(
          QStringLiteral("Property %1.%2 cannot have a declared default").arg(ClassNameOf(meta), info.name));
    }
    try {
      info.defaultValue = ParseDefault(meta, info, text);
    } catch (const Exception& e) {
      throw EPropertyError(QStringLiteral("Declared default '%1' of %2.%3 is not valid: %4")
                               .arg(text, ClassNameOf(meta), info.name, e.Message()));
    }
    info.hasDefault = true;
  }
  return list;
}

}  // namespace

bool IsPlainKind(TPropKind kind) {
  switch (kind) {
    case pkInteger:
    case pkUnsigned:
    case pkFloat:
    case pkDateTime:
    case pkBoolean:
    case pkEnumeration:
    case pkSet:
    case pkString:
    case pkStringList:
    case pkBinary:
      return true;
    default:
      return false;
  }
}

const std::vector<TPropInfo>& GetPropList(const QMetaObject* meta) {
  Cache& cache = TheCache();
  {
    std::lock_guard lock(cache.mutex);
    auto it = cache.lists.find(meta);
    if (it != cache.lists.end()) return *it->second;
  }
  // Built with the cache free: reading the declared defaults looks up
  // identifiers (this cache again) and event types, whose registry has a
  // lock of its own. Two threads may build one list; the first one stored
  // is kept, and lists are never removed, so the reference stays valid.
  auto list = BuildList(meta);
  std::lock_guard lock(cache.mutex);
  return *cache.lists.emplace(meta, std::move(list)).first->second;
}

const TPropInfo* FindPropInfo(const QMetaObject* meta, const QString& name) {
  for (const TPropInfo& info : GetPropList(meta)) {
    if (info.name.compare(name, Qt::CaseInsensitive) == 0) return &info;
  }
  return nullptr;
}

std::pair<QObject*, const TPropInfo*> ResolvePropPath(QObject* object, const QString& path) {
  if (object == nullptr) throw EPropertyError(QStringLiteral("No object for property %1").arg(path));
  const QStringList parts = path.split(QLatin1Char('.'));
  QObject* current = object;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const TPropInfo* info = FindPropInfo(current, parts[i]);
    if (info == nullptr) {
      throw EPropertyError(QStringLiteral("Property %1 does not exist in %2").arg(path, ClassNameOf(current)));
    }
    if (i + 1 == parts.size()) return {current, info};
    if (info->kind != pkObject) {
      throw EPropertyError(QStringLiteral("Property %1 of %2 is not an object").arg(info->name, ClassNameOf(current)));
    }
    QObject* next = GetObjectValue(current, *info);
    if (next == nullptr) {
      throw EPropertyError(QStringLiteral("Property %1 of %2 is nil").arg(info->name, ClassNameOf(current)));
    }
    current = next;
  }
  throw EPropertyError(QStringLiteral("Empty property path"));
}

QVariant GetPropValue(const QObject* object, const QString& path) {
  auto [target, info] = ResolvePropPath(const_cast<QObject*>(object), path);
  return info->property.read(target);
}

qint64 GetOrdValue(const QObject* object, const TPropInfo& info) {
  const QVariant v = info.property.read(object);
  if (info.kind == pkBoolean) return v.toBool() ? 1 : 0;
  const int size = static_cast<int>(v.metaType().sizeOf());
  if (!v.isValid() || v.constData() == nullptr || size <= 0) return 0;
  if (info.kind == pkUnsigned) return static_cast<qint64>(LoadUnsigned(v.constData(), size));
  return LoadSigned(v.constData(), size);
}

quint64 GetUnsignedValue(const QObject* object, const TPropInfo& info) {
  if (info.kind != pkUnsigned) return static_cast<quint64>(GetOrdValue(object, info));
  const QVariant v = info.property.read(object);
  const int size = static_cast<int>(v.metaType().sizeOf());
  if (!v.isValid() || v.constData() == nullptr || size <= 0) return 0;
  return LoadUnsigned(v.constData(), size);
}

void SetOrdValue(QObject* object, const TPropInfo& info, qint64 value) {
  switch (info.kind) {
    case pkBoolean:
      if (value != 0 && value != 1) {
        throw EPropertyError(QStringLiteral("%1 is not a Boolean for %2").arg(value).arg(PropTitle(object, info)));
      }
      Write(object, info, QVariant(value != 0));
      return;
    case pkUnsigned:
      if (value < 0) {
        throw EPropertyError(QStringLiteral("%1 is out of range for %2").arg(value).arg(PropTitle(object, info)));
      }
      SetUnsignedValue(object, info, static_cast<quint64>(value));
      return;
    case pkInteger:
      if (!SignedFits(value, info.size)) {
        throw EPropertyError(QStringLiteral("%1 is out of range for %2").arg(value).arg(PropTitle(object, info)));
      }
      break;
    case pkEnumeration:
      if (EnumName(info, value).isEmpty()) {
        throw EPropertyError(QStringLiteral("%1 is not a value of %2").arg(value).arg(PropTitle(object, info)));
      }
      break;
    case pkSet: {
      bool complete = false;
      SetToNames(info, value, &complete);
      if (!complete) {
        throw EPropertyError(QStringLiteral("%1 is not a set of %2").arg(value).arg(PropTitle(object, info)));
      }
      break;
    }
    default:
      throw EPropertyError(QStringLiteral("Property %1 is not ordinal").arg(PropTitle(object, info)));
  }
  Write(object, info, MakeIntegral(info.property.metaType(), static_cast<quint64>(value)));
}

void SetUnsignedValue(QObject* object, const TPropInfo& info, quint64 value) {
  if (info.kind != pkUnsigned) {
    if (value > static_cast<quint64>(std::numeric_limits<qint64>::max())) {
      throw EPropertyError(QStringLiteral("%1 is out of range for %2").arg(value).arg(PropTitle(object, info)));
    }
    SetOrdValue(object, info, static_cast<qint64>(value));
    return;
  }
  if (!UnsignedFits(value, info.size)) {
    throw EPropertyError(QStringLiteral("%1 is out of range for %2").arg(value).arg(PropTitle(object, info)));
  }
  Write(object, info, MakeIntegral(info.property.metaType(), value));
}

double GetFloatValue(const QObject* object, const TPropInfo& info) {
  const QVariant v = info.property.read(object);
  const QMetaType mt = v.metaType();
  if (mt == QMetaType::fromType<TDateTime>()) return v.value<TDateTime>().Value;
  if (mt == QMetaType::fromType<TDate>()) return v.value<TDate>().Value;
  if (mt == QMetaType::fromType<TTime>()) return v.value<TTime>().Value;
  if (info.kind == pkFloat) return v.toDouble();
  throw EPropertyError(QStringLiteral("Property %1 is not a float").arg(PropTitle(object, info)));
}

void SetFloatValue(QObject* object, const TPropInfo& info, double value) {
  const QMetaType mt = info.property.metaType();
  if (mt == QMetaType::fromType<TDateTime>()) return Write(object, info, QVariant::fromValue(TDateTime{value}));
  if (mt == QMetaType::fromType<TDate>()) return Write(object, info, QVariant::fromValue(TDate{value}));
  if (mt == QMetaType::fromType<TTime>()) return Write(object, info, QVariant::fromValue(TTime{value}));
  if (mt.id() == QMetaType::Float) return Write(object, info, QVariant(static_cast<float>(value)));
  if (mt.id() == QMetaType::Double) return Write(object, info, QVariant(value));
  throw EPropertyError(QStringLiteral("Property %1 is not a float").arg(PropTitle(object, info)));
}

static QObject* ObjectIn(const QVariant& v) {
  if (!v.isValid() || v.constData() == nullptr) return nullptr;
  if (v.metaType().flags().testFlag(QMetaType::PointerToQObject)) return *static_cast<QObject* const*>(v.constData());
  return nullptr;
}

QObject* GetObjectValue(const QObject* object, const TPropInfo& info) {
  if (info.kind != pkObject) return nullptr;
  return ObjectIn(info.property.read(object));
}

void SetObjectValue(QObject* object, const TPropInfo& info, QObject* value) {
  if (info.kind != pkObject) {
    throw EPropertyError(QStringLiteral("Property %1 is not an object").arg(PropTitle(object, info)));
  }
  const QMetaType mt = info.property.metaType();
  const QMetaObject* wanted = mt.metaObject();
  if (value != nullptr && wanted != nullptr && !value->metaObject()->inherits(wanted)) {
    throw EPropertyError(QStringLiteral("A %1 cannot be assigned to %2 (a %3)")
                             .arg(ClassNameOf(value), PropTitle(object, info), ClassNameOf(wanted)));
  }
  Write(object, info, QVariant(mt, &value));
}

QString EnumName(const TPropInfo& info, qint64 value) {
  if (!info.enumerator.isValid() || value < std::numeric_limits<int>::min() ||
      value > std::numeric_limits<int>::max()) {
    return {};
  }
  const char* key = info.enumerator.valueToKey(static_cast<int>(value));
  return key != nullptr ? QString::fromLatin1(key) : QString();
}

bool EnumValue(const TPropInfo& info, const QString& name, qint64* value) {
  if (!info.enumerator.isValid()) return false;
  for (int i = 0; i < info.enumerator.keyCount(); ++i) {
    if (name.compare(QLatin1String(info.enumerator.key(i)), Qt::CaseInsensitive) == 0) {
      *value = info.enumerator.value(i);
      return true;
    }
  }
  return false;
}

QStringList SetToNames(const TPropInfo& info, qint64 value, bool* complete) {
  QStringList names;
  quint64 covered = 0;
  const quint64 bits =
      static_cast<quint64>(value) & (info.size >= 8 ? ~quint64{0} : (quint64{1} << (info.size * 8)) - 1);
  if (info.enumerator.isValid()) {
    // Single-bit keys in declaration order; combined keys are not stored.
    for (int i = 0; i < info.enumerator.keyCount(); ++i) {
      const quint64 k = static_cast<quint32>(info.enumerator.value(i));
      if (k == 0 || (k & (k - 1)) != 0) continue;
      if ((bits & k) != 0 && (covered & k) == 0) {
        names << QString::fromLatin1(info.enumerator.key(i));
        covered |= k;
      }
    }
  }
  if (complete != nullptr) *complete = covered == bits;
  return names;
}

bool NamesToSet(const TPropInfo& info, const QStringList& names, qint64* value, QString* unknown) {
  qint64 v = 0;
  for (const QString& name : names) {
    qint64 bit = 0;
    if (!EnumValue(info, name.trimmed(), &bit)) {
      if (unknown != nullptr) *unknown = name;
      return false;
    }
    v |= bit;
  }
  *value = v;
  return true;
}

void SetPropValue(QObject* object, const QString& path, const QVariant& value) {
  const auto resolved = ResolvePropPath(object, path);
  QObject* target = resolved.first;
  const TPropInfo& info = *resolved.second;
  const auto fail = [&]() {
    throw EPropertyError(QStringLiteral("Invalid value for property %1").arg(PropTitle(target, info)));
  };
  const QMetaType vt = value.metaType();
  if (vt == info.property.metaType() && info.kind != pkInteger && info.kind != pkUnsigned &&
      info.kind != pkEnumeration && info.kind != pkSet) {
    Write(target, info, value);
    return;
  }
  bool ok = false;
  switch (info.kind) {
    case pkInteger:
    case pkUnsigned:
    case pkBoolean:
    case pkEnumeration:
    case pkSet: {
      if (vt.id() == QMetaType::QString) {
        const QString text = value.toString();
        qint64 v = 0;
        if (info.kind == pkBoolean) {
          if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return SetOrdValue(target, info, 1);
          if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return SetOrdValue(target, info, 0);
          fail();
        }
        if (info.kind == pkEnumeration && EnumValue(info, text, &v)) return SetOrdValue(target, info, v);
        if (info.kind == pkSet) {
          QString inner = text.trimmed();
          if (inner.startsWith(QLatin1Char('[')) && inner.endsWith(QLatin1Char(']')))
            inner = inner.mid(1, inner.size() - 2);
          QStringList names = inner.split(QLatin1Char(','), Qt::SkipEmptyParts);
          if (NamesToSet(info, names, &v)) return SetOrdValue(target, info, v);
          fail();
        }
        if (info.kind == pkInteger && IdentToInt(info.property.metaType(), text, &v))
          return SetOrdValue(target, info, v);
        fail();
      }
      if (info.kind == pkSet && vt.id() == QMetaType::QStringList) {
        qint64 v = 0;
        if (!NamesToSet(info, value.toStringList(), &v)) fail();
        return SetOrdValue(target, info, v);
      }
      if (vt.id() == QMetaType::Double || vt.id() == QMetaType::Float) {
        const double d = value.toDouble();
        if (d != std::floor(d) || !(std::fabs(d) < 9.2e18)) fail();
        return SetOrdValue(target, info, static_cast<qint64>(d));
      }
      if (vt.id() == QMetaType::ULongLong || vt.id() == QMetaType::ULong || vt.id() == QMetaType::UInt ||
          vt.id() == QMetaType::UShort || vt.id() == QMetaType::UChar) {
        return SetUnsignedValue(target, info, value.toULongLong());
      }
      if (vt.flags().testFlag(QMetaType::IsEnumeration) && value.constData() != nullptr) {
        return SetOrdValue(target, info, LoadSigned(value.constData(), static_cast<int>(vt.sizeOf())));
      }
      const qint64 v = value.toLongLong(&ok);
      if (!ok) fail();
      return SetOrdValue(target, info, v);
    }
    case pkFloat:
    case pkDateTime: {
      double d = 0;
      if (vt == QMetaType::fromType<TDateTime>()) {
        d = value.value<TDateTime>().Value;
      } else if (vt == QMetaType::fromType<TDate>()) {
        d = value.value<TDate>().Value;
      } else if (vt == QMetaType::fromType<TTime>()) {
        d = value.value<TTime>().Value;
      } else {
        d = value.toDouble(&ok);
        if (!ok) fail();
      }
      return SetFloatValue(target, info, d);
    }
    case pkString:
      if (!value.canConvert<QString>()) fail();
      return Write(target, info, QVariant(value.toString()));
    case pkStringList:
      if (!value.canConvert<QStringList>()) fail();
      return Write(target, info, QVariant(value.toStringList()));
    case pkBinary:
      if (!value.canConvert<QByteArray>()) fail();
      return Write(target, info, QVariant(value.toByteArray()));
    case pkObject:
      if (value.isValid() && !value.isNull() && !vt.flags().testFlag(QMetaType::PointerToQObject)) fail();
      return SetObjectValue(target, info, ObjectIn(value));
    case pkEvent:
    case pkUnknown:
      break;
  }
  if (!info.property.isWritable()) Write(target, info, value);  // raises the read-only error
  if (!info.property.write(target, value)) fail();
}

bool IsDefaultValue(const QObject* object, const TPropInfo& info) {
  switch (info.kind) {
    case pkInteger:
    case pkBoolean:
    case pkEnumeration:
    case pkSet:
      return info.hasDefault && GetOrdValue(object, info) == info.defaultValue.toLongLong();
    case pkUnsigned:
      return info.hasDefault && GetUnsignedValue(object, info) == info.defaultValue.toULongLong();
    case pkFloat:
    case pkDateTime: {
      const double v = GetFloatValue(object, info);
      if (!info.hasDefault) return v == 0 && !std::signbit(v);
      double d = info.defaultValue.toDouble();
      if (info.size == 4 && info.kind == pkFloat) d = static_cast<double>(static_cast<float>(d));
      if (std::isnan(v) || std::isnan(d)) return std::isnan(v) && std::isnan(d);
      return v == d && std::signbit(v) == std::signbit(d);
    }
    case pkString: {
      const QString v = info.property.read(object).toString();
      return info.hasDefault ? v == info.defaultValue.toString() : v.isEmpty();
    }
    case pkStringList:
      return info.property.read(object).toStringList().isEmpty();
    case pkBinary:
      return info.property.read(object).toByteArray().isEmpty();
    case pkObject:
      return GetObjectValue(object, info) == nullptr;
    case pkEvent: {
      const TEventTypeInfo* e = FindEventType(info.property.metaType());
      return e == nullptr || e->methodName(info.property.read(object)).isEmpty();
    }
    case pkUnknown:
      return true;
  }
  return true;
}

QVariant ReadPlainValue(TReader& reader, const TPropInfo& info) {
  switch (info.kind) {
    case pkInteger: {
      if (reader.NextValue() == vaIdent) {
        const TFormToken& at = reader.Peek();
        const QString ident = reader.ReadIdent();
        qint64 v = 0;
        if (!IdentToInt(info.property.metaType(), ident, &v)) {
          reader.ErrorAt(at, QStringLiteral("'%1' is not a value of property %2").arg(ident, info.name));
        }
        return v;
      }
      const TFormToken& at = reader.Peek();
      const qint64 v = reader.ReadInteger();
      if (!SignedFits(v, info.size))
        reader.ErrorAt(at, QStringLiteral("%1 is out of range for property %2").arg(v).arg(info.name));
      return v;
    }
    case pkUnsigned: {
      const TFormToken& at = reader.Peek();
      const quint64 v = reader.ReadUInt64();
      if (!UnsignedFits(v, info.size))
        reader.ErrorAt(at, QStringLiteral("%1 is out of range for property %2").arg(v).arg(info.name));
      return v;
    }
    case pkFloat:
    case pkDateTime:
      return reader.ReadFloat();
    case pkBoolean:
      return qint64{reader.ReadBoolean() ? 1 : 0};
    case pkEnumeration: {
      const TFormToken& at = reader.Peek();
      if (at.kind != TFormToken::Ident)
        reader.Error(QStringLiteral("value name of %1 expected, found %2").arg(info.name, at.Describe()));
      const QString name = reader.ReadIdent();
      qint64 v = 0;
      if (!EnumValue(info, name, &v)) {
        reader.ErrorAt(at, QStringLiteral("'%1' is not a value of property %2").arg(name, info.name));
      }
      return v;
    }
    case pkSet: {
      const TFormToken& at = reader.Peek();
      const QStringList names = reader.ReadSet();
      qint64 v = 0;
      QString unknown;
      if (!NamesToSet(info, names, &v, &unknown)) {
        reader.ErrorAt(at, QStringLiteral("'%1' is not an element of property %2").arg(unknown, info.name));
      }
      return v;
    }
    case pkString:
      return reader.ReadString();
    case pkStringList: {
      QStringList list;
      reader.ReadListBegin();
      while (!reader.EndOfList()) list << reader.ReadString();
      reader.ReadListEnd();
      return list;
    }
    case pkBinary:
      return reader.ReadBinary();
    default:
      reader.Error(QStringLiteral("property %1 cannot be stored as a plain value").arg(info.name));
  }
}

void SetPlainValue(QObject* object, const TPropInfo& info, const QVariant& value) {
  switch (info.kind) {
    case pkInteger:
    case pkBoolean:
    case pkEnumeration:
    case pkSet:
      return SetOrdValue(object, info, value.toLongLong());
    case pkUnsigned:
      return SetUnsignedValue(object, info, value.toULongLong());
    case pkFloat:
    case pkDateTime:
      return SetFloatValue(object, info, value.toDouble());
    case pkString:
      return Write(object, info, QVariant(value.toString()));
    case pkStringList:
      return Write(object, info, QVariant(value.toStringList()));
    case pkBinary:
      return Write(object, info, QVariant(value.toByteArray()));
    default:
      throw EPropertyError(QStringLiteral("Property %1 is not of a plain kind").arg(PropTitle(object, info)));
  }
}

void WritePlainValue(TWriter& writer, const QObject* object, const TPropInfo& info) {
  switch (info.kind) {
    case pkInteger: {
      const qint64 v = GetOrdValue(object, info);
      QString ident;
      if (IntToIdent(info.property.metaType(), v, &ident)) return writer.WriteIdent(ident);
      return writer.WriteInteger(v);
    }
    case pkUnsigned:
      return writer.WriteUInt64(GetUnsignedValue(object, info));
    case pkFloat:
      if (info.size == 4) return writer.WriteSingle(static_cast<float>(GetFloatValue(object, info)));
      return writer.WriteFloat(GetFloatValue(object, info));
    case pkDateTime:
      return writer.WriteFloat(GetFloatValue(object, info));
    case pkBoolean:
      return writer.WriteBoolean(GetOrdValue(object, info) != 0);
    case pkEnumeration: {
      const qint64 v = GetOrdValue(object, info);
      const QString name = EnumName(info, v);
      if (name.isEmpty()) {
        throw EWriteError(QStringLiteral("Value %1 of %2 has no name").arg(v).arg(PropTitle(object, info)));
      }
      return writer.WriteIdent(name);
    }
    case pkSet: {
      bool complete = false;
      const QStringList names = SetToNames(info, GetOrdValue(object, info), &complete);
      if (!complete) throw EWriteError(QStringLiteral("Set %1 holds unnamed elements").arg(PropTitle(object, info)));
      return writer.WriteSet(names);
    }
    case pkString:
      return writer.WriteString(info.property.read(object).toString());
    case pkStringList: {
      writer.WriteListBegin();
      for (const QString& s : info.property.read(object).toStringList()) writer.WriteString(s);
      return writer.WriteListEnd();
    }
    case pkBinary:
      return writer.WriteBinary(info.property.read(object).toByteArray());
    default:
      throw EWriteError(QStringLiteral("Property %1 is not of a plain kind").arg(PropTitle(object, info)));
  }
}

void RegisterIntegerIdents(QMetaType type, const std::vector<std::pair<QString, qint64>>& idents) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  cache.idents[type.id()] = idents;
}

bool IdentToInt(QMetaType type, const QString& ident, qint64* value) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto it = cache.idents.find(type.id());
  if (it == cache.idents.end()) return false;
  for (const auto& [name, v] : it->second) {
    if (name.compare(ident, Qt::CaseInsensitive) == 0) {
      *value = v;
      return true;
    }
  }
  return false;
}

bool IntToIdent(QMetaType type, qint64 value, QString* ident) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto it = cache.idents.find(type.id());
  if (it == cache.idents.end()) return false;
  for (const auto& [name, v] : it->second) {
    if (v == value) {
      *ident = name;
      return true;
    }
  }
  return false;
}

}  // namespace lumicar
