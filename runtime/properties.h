#pragma once
// Published properties (Q_PROPERTY) seen the way designs and generic code see them:
// kind, size, enumeration names, declared default, stored flag; get and set by name
// and by dotted path through object-typed properties ("VideoSize.Width").
//
// Declared defaults come from Q_CLASSINFO("Default.<Property>", "<text>"), where text
// is written as in a design (12, $FF, 1.5, True, vfYUY2, [a, b], plain string text).
// A property without a declared default counts as default when it is a float or
// date-time equal to +0, an empty string, binary or string list; other kinds without a
// declared default are always stored.

#include <QMetaEnum>
#include <QMetaProperty>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

namespace lumicar {

class TReader;
class TWriter;

enum TPropKind {
  pkUnknown,   // a type designs cannot hold
  pkInteger,   // signed 8, 16, 32, 64 bits
  pkUnsigned,  // unsigned 8, 16, 32, 64 bits
  pkFloat,     // single (4) or double (8)
  pkDateTime,  // TDateTime, TDate, TTime
  pkBoolean,
  pkEnumeration,  // Q_ENUM
  pkSet,          // Q_FLAG
  pkString,       // QString
  pkStringList,   // QStringList, stored as a list of strings
  pkBinary,       // QByteArray, stored as { hex }
  pkObject,       // pointer to a QObject descendant
  pkEvent,        // TEvent<...>
};

struct TPropInfo {
  QMetaProperty property;
  QString name;
  TPropKind kind = pkUnknown;
  int size = 0;             // bytes of integers, floats, enumerations and sets
  QMetaEnum enumerator;     // enumerations and sets
  bool hasDefault = false;  // declared with Q_CLASSINFO
  // The declared default in canonical form: qint64 for signed integers, Booleans,
  // enumerations and sets; quint64 for unsigned integers; double for floats and
  // date-times; QString for strings.
  QVariant defaultValue;
  bool IsWritable() const { return property.isWritable(); }
  bool IsStored() const { return property.isStored(); }
};

// Published properties of a class in declaration order, inherited first (QObject's
// objectName left out). The list is built once per class and stays valid for the
// life of the program. EPropertyError for a declared default that does not parse.
const std::vector<TPropInfo>& GetPropList(const QMetaObject* meta);
inline const std::vector<TPropInfo>& GetPropList(const QObject* object) { return GetPropList(object->metaObject()); }
// The property of that name (ignoring case), or none.
const TPropInfo* FindPropInfo(const QMetaObject* meta, const QString& name);
inline const TPropInfo* FindPropInfo(const QObject* object, const QString& name) {
  return FindPropInfo(object->metaObject(), name);
}

// The object and property a dotted path leads to: every part but the last must be
// an object-typed property holding an object. EPropertyError naming the path
// otherwise.
std::pair<QObject*, const TPropInfo*> ResolvePropPath(QObject* object, const QString& path);

// Value by name or dotted path, in the property's own type. EPropertyError for an
// unknown property.
QVariant GetPropValue(const QObject* object, const QString& path);
// Sets a value by name or dotted path. The value is converted to the property's
// type: numbers with range checks, enumerations and sets also from names
// (QString, QStringList), objects from any QObject pointer of a fitting class.
// EPropertyError for an unknown or read-only property or an unfitting value.
void SetPropValue(QObject* object, const QString& path, const QVariant& value);

// Typed views used by designs, "_Floats" and generic copies.
qint64 GetOrdValue(const QObject* object, const TPropInfo& info);        // integers, booleans, enums, sets
void SetOrdValue(QObject* object, const TPropInfo& info, qint64 value);  // range-checked
quint64 GetUnsignedValue(const QObject* object, const TPropInfo& info);
void SetUnsignedValue(QObject* object, const TPropInfo& info, quint64 value);
double GetFloatValue(const QObject* object, const TPropInfo& info);  // floats and date-times
void SetFloatValue(QObject* object, const TPropInfo& info, double value);
QObject* GetObjectValue(const QObject* object, const TPropInfo& info);
void SetObjectValue(QObject* object, const TPropInfo& info, QObject* value);

// Enumeration and set names.
QString EnumName(const TPropInfo& info, qint64 value);                      // empty when unnamed
bool EnumValue(const TPropInfo& info, const QString& name, qint64* value);  // ignoring case
QStringList SetToNames(const TPropInfo& info, qint64 value, bool* complete = nullptr);
bool NamesToSet(const TPropInfo& info, const QStringList& names, qint64* value, QString* unknown = nullptr);

// True when the property's current value equals its (declared or implicit) default.
bool IsDefaultValue(const QObject* object, const TPropInfo& info);

// Reads one design value of a property of a plain kind (numbers, Booleans,
// enumerations, sets, strings, string lists, binary) and returns it in canonical form
// (see TPropInfo::defaultValue; QStringList, QByteArray). EReadError naming the
// position for a value of the wrong kind or out of range.
QVariant ReadPlainValue(TReader& reader, const TPropInfo& info);
// Sets a property of a plain kind from its canonical form (as ReadPlainValue gives).
void SetPlainValue(QObject* object, const TPropInfo& info, const QVariant& value);
// Writes the current value of a property of a plain kind as one design value.
void WritePlainValue(TWriter& writer, const QObject* object, const TPropInfo& info);
bool IsPlainKind(TPropKind kind);

// Integer types that designs may also store as identifiers (colours, cursors):
// register the names once per type.
void RegisterIntegerIdents(QMetaType type, const std::vector<std::pair<QString, qint64>>& idents);
bool IdentToInt(QMetaType type, const QString& ident, qint64* value);
bool IntToIdent(QMetaType type, qint64 value, QString* ident);

}  // namespace lumicar
