#pragma once
// TMLDSCapDeviceInfo: one enumerated device (or registered filter) as the device
// lists and dialogs see it: the name it reports, the name shown and stored, and its
// moniker's display name, which is the key that finds the device again later.

#include <QString>

#include "dsbase/graph/moniker_interfaces.h"
#include "runtime/interface.h"

namespace lumicar {

// The kind of a device's driver, read from the word between the first and the
// second ':' of its display name ("@device:pnp:..." is ftPlugAndPlay).
enum TMLDFilterType { ftUnknown, ftPlugAndPlay, ftCompressionManager, ftKernelStreaming, ftDMO };

// "PNP", "CM", "KS" and "DMO" (in any letter case) map to their kinds; any other word,
// including this platform's "v4l2" and "synthetic", and a name without that word,
// gives ftUnknown.
TMLDFilterType DSFilterTypeOf(const QString& driverName);

class TMLDSCapDeviceInfo {
 public:
  // Reads the moniker's display name (the driver name) and class id, and derives the
  // filter type. A moniker that cannot give its display name leaves the driver name
  // empty, so that no stored choice ever matches it.
  TMLDSCapDeviceInfo(IMoniker* moniker, const QString& friendlyName, const QString& uniqueName, const TGUID& category,
                     const TGUID& filterClassId);

  TMLDSCapDeviceInfo(const TMLDSCapDeviceInfo&) = delete;
  TMLDSCapDeviceInfo& operator=(const TMLDSCapDeviceInfo&) = delete;

  // As the device reports it.
  const QString& FriendlyName() const { return friendly_name_; }
  // The friendly name, numbered " (n)" when n > 1 devices of that name are listed:
  // the name shown to the user and stored as DeviceName.
  const QString& UniqueName() const { return unique_name_; }
  // The friendly name without leading and trailing blanks.
  const QString& TrimmedName() const { return trimmed_name_; }
  // The moniker's display name: "@device:<kind>:...".
  const QString& DriverName() const { return driver_name_; }
  IMoniker* Moniker() const { return moniker_.get(); }
  // The moniker's own class id (from its persistence interface).
  const TGUID& MonikerClassId() const { return moniker_class_id_; }
  // The category the device was enumerated in.
  const TGUID& CategoryClassId() const { return category_; }
  // The device's "CLSID" property; all-zero when it has none.
  const TGUID& FilterClassId() const { return filter_class_id_; }
  TMLDFilterType FilterType() const { return filter_type_; }

 private:
  QString friendly_name_;
  QString unique_name_;
  QString trimmed_name_;
  QString driver_name_;
  TIntf<IMoniker> moniker_;
  TGUID moniker_class_id_;
  TGUID category_;
  TGUID filter_class_id_;
  TMLDFilterType filter_type_ = ftUnknown;
};

}  // namespace lumicar
