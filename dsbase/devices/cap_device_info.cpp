#include "dsbase/devices/cap_device_info.h"

#include "dsbase/com/filter_interfaces.h"
#include "dsbase/com/task_memory.h"

namespace lumicar {

TMLDFilterType DSFilterTypeOf(const QString& driverName) {
  const qsizetype first = driverName.indexOf(u':');
  if (first < 0) return ftUnknown;
  const qsizetype second = driverName.indexOf(u':', first + 1);
  if (second < 0) return ftUnknown;
  const QString kind = driverName.mid(first + 1, second - first - 1).toUpper();
  if (kind == u"PNP") return ftPlugAndPlay;
  if (kind == u"CM") return ftCompressionManager;
  if (kind == u"KS") return ftKernelStreaming;
  if (kind == u"DMO") return ftDMO;
  return ftUnknown;
}

TMLDSCapDeviceInfo::TMLDSCapDeviceInfo(IMoniker* moniker, const QString& friendlyName, const QString& uniqueName,
                                       const TGUID& category, const TGUID& filterClassId)
    : friendly_name_(friendlyName),
      unique_name_(uniqueName),
      trimmed_name_(friendlyName.trimmed()),
      moniker_(moniker),
      category_(category),
      filter_class_id_(filterClassId) {
  if (moniker_) {
    char16_t* name = nullptr;
    if (SUCCEEDED(moniker_->GetDisplayName(nullptr, nullptr, &name)) && name) driver_name_ = QString::fromUtf16(name);
    CoTaskMemFree(name);
    if (TIntf<IPersist> persist = QueryIntf<IPersist>(moniker_.get(), IID_IPersist)) {
      TGUID id;
      if (SUCCEEDED(persist->GetClassID(&id))) moniker_class_id_ = id;
    }
  }
  filter_type_ = DSFilterTypeOf(driver_name_);
}

}  // namespace lumicar
