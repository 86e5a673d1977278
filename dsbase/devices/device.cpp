#include "dsbase/devices/device.h"

#include <QApplication>
#include <QListWidget>

#include "dsbase/com/task_memory.h"
#include "dsbase/devices/cap_device_list.h"
#include "dsbase/devices/device_item.h"
#include "dsbase/devices/device_list_form.h"
#include "dsbase/devices/stored_device_data.h"
#include "runtime/filer.h"

namespace lumicar {

namespace {

const QString kDefault = QStringLiteral("Default");
const QString kNone = QStringLiteral("None");

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The friendly name from the moniker's property bag; empty when it has none.
QString FriendlyNameOf(IMoniker* moniker) {
  void* raw = nullptr;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &raw)) || !raw) return {};
  TIntf<IPropertyBag> bag = TIntf<IPropertyBag>::Adopt(static_cast<IPropertyBag*>(raw));
  QString name;
  if (FAILED(bag->Read(u"FriendlyName", &name))) return {};
  return name;
}

QString DisplayNameOf(IMoniker* moniker) {
  char16_t* text = nullptr;
  QString name;
  if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &text)) && text) name = QString::fromUtf16(text);
  CoTaskMemFree(text);
  return name;
}

// The window the selection dialog belongs to and is centred over: the top-level
// window of the given owner when that is on screen (a hidden owner window is moved
// nowhere here), else the application's active window, else the owner itself.
QWidget* DialogOwner(QWidget* owner) {
  if (owner && owner->window()->isVisible()) return owner->window();
  if (QWidget* active = QApplication::activeWindow()) return active;
  return owner ? owner->window() : nullptr;
}

}  // namespace

TDSDevice::TDSDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange)
    : TLPLockedPersistentNotify(owner, lock, std::move(onChange)) {}

TDSDevice::~TDSDevice() = default;

QString TDSDevice::DeviceName() const { return Lock()->Getter(device_name_); }

QString TDSDevice::GetVC_DriverName() const { return Lock()->Getter(driver_name_); }

QString TDSDevice::GetVC_OpenedDeviceName() const { return Lock()->Getter(opened_device_name_); }

QString TDSDevice::GetVC_OpenedDriverName() const { return Lock()->Getter(opened_driver_name_); }

QWidget* TDSDevice::OwnerWindow() const {
  TIntf<IOWLockSection> section = ReadLock();
  return owner_window_.data();
}

void TDSDevice::SetOwnerWindow(QWidget* window) {
  TIntf<IOWLockSection> section = WriteLock();
  owner_window_ = window;
}

void TDSDevice::SetName(const QString& name) {
  TIntf<IOWLockSection> section = WriteLock();
  if (name == device_name_) return;
  const QString chosen = Same(name, kNone) ? QString() : name;
  if (chosen.isEmpty()) {
    device_name_ = kNone;
    driver_name_.clear();
    return;
  }
  if (Same(chosen, kDefault)) {
    driver_name_.clear();
    device_name_ = chosen;
  } else {
    TVLDSCapDeviceList list;
    list.EnumFilters(Category());
    driver_name_ = list.GetDeviceNameByString(chosen);
    device_name_ = driver_name_.isEmpty() ? kNone : chosen;
  }
  NotifyProp();
}

void TDSDevice::SetNames(const QString& driverName, const QString& deviceName) {
  TIntf<IOWLockSection> section = WriteLock();
  driver_name_ = driverName;
  device_name_ = deviceName;
}

bool TDSDevice::GetDeviceList(QStringList* strings, TVLDSDriverInfo kind) const {
  if (!strings) return false;
  strings->clear();
  TVLDSCapDeviceList list;
  list.EnumFilters(Category());
  for (int i = 0; i < list.Count(); ++i) {
    const TMLDSCapDeviceInfo* device = list.Items(i);
    switch (kind) {
      case diDriverName:
        strings->append(device->DriverName());
        break;
      case diBoth:
        strings->append(device->UniqueName() + QStringLiteral(" - ") + device->DriverName());
        break;
      case diDisplayName:
      default:
        strings->append(device->UniqueName());
        break;
    }
  }
  return true;
}

TIntf<IMoniker> TDSDevice::DefaultMoniker() const {
  IBindCtx* rawContext = nullptr;
  if (FAILED(CreateBindCtx(0, &rawContext)) || !rawContext) return {};
  TIntf<IBindCtx> context = TIntf<IBindCtx>::Adopt(rawContext);
  const QString name = QStringLiteral("@device:*:") + Category().ToString();
  uint32_t eaten = 0;
  IMoniker* moniker = nullptr;
  if (FAILED(MkParseDisplayName(context.get(), reinterpret_cast<const char16_t*>(name.utf16()), &eaten, &moniker)))
    return {};
  return TIntf<IMoniker>::Adopt(moniker);
}

TIntf<IMoniker> TDSDevice::AlternativeMoniker() const {
  TDSDeviceItems* alternatives = Alternatives();
  if (!alternatives || alternatives->Count() == 0) return {};
  TVLDSCapDeviceList list;
  list.EnumFilters(Category());
  for (int i = 0; i < alternatives->Count(); ++i) {
    const TDSDeviceItem* entry = alternatives->Item(i);
    if (!entry) continue;
    const QString driver = entry->GetVC_DriverName();
    if (driver.isEmpty()) continue;
    if (TIntf<IMoniker> moniker = list.GetMonikerByDeviceName(driver)) return moniker;
  }
  return {};
}

void TDSDevice::RecordOpened(IMoniker* moniker) {
  if (!moniker) return;
  const QString friendly = FriendlyNameOf(moniker);
  const QString display = DisplayNameOf(moniker);
  TIntf<IOWLockSection> section = WriteLock();
  opened_device_name_ = friendly;
  opened_driver_name_ = display;
}

TIntf<IMoniker> TDSDevice::GetMoniker() {
  TIntf<IOWLockSection> section = WriteLock();
  TIntf<IMoniker> moniker;
  if (!Same(device_name_, kDefault)) {
    // An empty driver name ("None", or a device that was never found) names nothing.
    if (!driver_name_.isEmpty()) {
      TVLDSCapDeviceList list;
      list.EnumFilters(Category());
      moniker = list.GetMonikerByDeviceName(driver_name_);
    }
  } else {
    moniker = DefaultMoniker();
  }
  if (!moniker) moniker = AlternativeMoniker();
  RecordOpened(moniker.get());
  return moniker;
}

void TDSDevice::CloseDevice() {
  TIntf<IOWLockSection> section = WriteLock();
  opened_device_name_.clear();
  opened_driver_name_.clear();
}

bool TDSDevice::IsSelectedDefault() const { return Same(DeviceName(), kDefault); }

bool TDSDevice::IsSelectedNone() const {
  const QString name = DeviceName();
  return name.isEmpty() || Same(name, kNone);
}

bool TDSDevice::ShowDeviceSelctDialog() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  QStringList devices;
  GetDeviceList(&devices);
  // Neither the dialog nor this object may be taken for granted once the modal loop
  // ran: the owner window may have been closed (taking the dialog with it) and the
  // component with it.
  QPointer<TDSDevice> self(this);
  QPointer<TDSDeviceListForm> form(new TDSDeviceListForm(DialogOwner(OwnerWindow())));
  form->ListBox()->addItems(devices);
  const bool accepted = form->Execute(DeviceName());
  if (!form) return false;
  const QString selection = form->GetSelection();
  delete form.data();
  if (!accepted || !self) return false;
  SetName(selection);
  return true;
}

void TDSDevice::DefineProperties(TFiler& filer) {
  TLPLockedPersistentNotify::DefineProperties(filer);
  DefineStoredDeviceData(
      filer, !Same(DeviceName(), kDefault),
      [this](const TStoredDeviceData& data) { SetNames(data.driverName, data.deviceName); },
      [this] {
        return TStoredDeviceData{GetVC_DriverName(), DeviceName()};
      });
}

void TDSDevice::Assign(TPersistent* source) {
  auto* other = qobject_cast<TDSDevice*>(source);
  if (!other) {
    TLPLockedPersistentNotify::Assign(source);
    return;
  }
  if (other == this) return;
  const QString driver = other->GetVC_DriverName();
  const QString name = other->DeviceName();
  // The entries first, so that no two components' locks are held at once.
  TDSDeviceItems* mine = Alternatives();
  TDSDeviceItems* theirs = other->Alternatives();
  if (mine && theirs) mine->Assign(theirs);
  TIntf<IOWLockSection> section = WriteLock();
  if (driver == driver_name_ && name == device_name_) return;
  driver_name_ = driver;
  device_name_ = name;
  if (!name.isEmpty() && !Same(name, kNone)) NotifyProp();
}

}  // namespace lumicar
