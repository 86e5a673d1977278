#include "components/floats_property.h"

#include "runtime/filer.h"
#include "runtime/persistent.h"

namespace lumicar {

namespace {

const QString kFloatsName = QStringLiteral("_Floats");

void WriteFloats(TWriter& writer, const QObject* object) {
  writer.WriteListBegin();
  for (const TPropInfo* info : ZeroFloatProperties(object)) {
    writer.WriteIdent(info->name);
    const double value = GetFloatValue(object, *info);
    if (info->size == 4) {
      writer.WriteSingle(static_cast<float>(value));
    } else {
      writer.WriteFloat(value);
    }
  }
  writer.WriteListEnd();
}

void ReadFloats(TReader& reader, QObject* object) {
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    const QString name = reader.ReadIdent();
    const TPropInfo* info = FindPropInfo(object, name);
    if (info == nullptr || info->kind != pkFloat || !info->IsWritable()) {
      reader.Error(QStringLiteral("%1 is not a floating-point property of %2").arg(name, ClassNameOf(object)));
    }
    SetFloatValue(object, *info, reader.ReadFloat());
  }
  reader.ReadListEnd();
}

}  // namespace

std::vector<const TPropInfo*> ZeroFloatProperties(const QObject* object) {
  std::vector<const TPropInfo*> result;
  if (object == nullptr) return result;
  for (const TPropInfo& info : GetPropList(object)) {
    // pkFloat leaves out TDateTime, TDate and TTime (pkDateTime).
    if (info.kind != pkFloat || !info.IsWritable() || !info.property.isStored()) continue;
    if (GetFloatValue(object, info) == 0.0) result.push_back(&info);
  }
  return result;
}

void DefineFloatsProperty(TFiler& filer, QObject* object) {
  filer.DefineProperty(
      kFloatsName, [object](TReader& reader) { ReadFloats(reader, object); },
      [object](TWriter& writer) { WriteFloats(writer, object); }, !ZeroFloatProperties(object).empty());
}

}  // namespace lumicar
