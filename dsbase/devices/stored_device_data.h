#pragma once
// The stored form of a device choice: the extra design property "Data", a list of
// two strings, the driver name (display name) and then the shown device name. It is
// read back exactly as stored, without looking for the device.

#include <QString>
#include <functional>

namespace lumicar {

class TFiler;

struct TStoredDeviceData {
  QString driverName;
  QString deviceName;
};

// Defines "Data" with filer: written (through write) when hasData; when read, both
// strings go to read. A value that is not a list of exactly two strings raises the
// reader's EReadError at the offending token, before read is called, so a bad
// design changes nothing.
void DefineStoredDeviceData(TFiler& filer, bool hasData, const std::function<void(const TStoredDeviceData&)>& read,
                            const std::function<TStoredDeviceData()>& write);

}  // namespace lumicar
