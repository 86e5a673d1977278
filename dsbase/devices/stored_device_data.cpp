#include "dsbase/devices/stored_device_data.h"

#include "runtime/filer.h"

namespace lumicar {

namespace {

const QString kDataName = QStringLiteral("Data");

QString ReadOneString(TReader& reader, const char* what) {
  if (reader.EndOfList()) reader.Error(QStringLiteral("Data: the %1 is missing").arg(QLatin1String(what)));
  return reader.ReadString();
}

}  // namespace

void DefineStoredDeviceData(TFiler& filer, bool hasData, const std::function<void(const TStoredDeviceData&)>& read,
                            const std::function<TStoredDeviceData()>& write) {
  filer.DefineProperty(
      kDataName,
      [read](TReader& reader) {
        TStoredDeviceData data;
        reader.ReadListBegin();
        data.driverName = ReadOneString(reader, "driver name");
        data.deviceName = ReadOneString(reader, "device name");
        if (!reader.EndOfList()) reader.Error(QStringLiteral("Data holds more than a driver name and a device name"));
        reader.ReadListEnd();
        read(data);
      },
      [write](TWriter& writer) {
        const TStoredDeviceData data = write();
        writer.WriteListBegin();
        writer.WriteString(data.driverName);
        writer.WriteString(data.deviceName);
        writer.WriteListEnd();
      },
      hasData);
}

}  // namespace lumicar
