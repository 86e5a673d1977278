#pragma once
// TDSDevice: the device choice of a component for one device category: what the
// user chose ("Default", "None" or a device's shown name), the display name that
// finds that device again on the next run, the device actually opened, and the
// modal dialog in which the user chooses.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <utility>

#include "components/lp_locked_persistent_notify.h"
#include "dsbase/graph/moniker_interfaces.h"

namespace lumicar {

class TDSDeviceItems;

// What GetDeviceList puts on each line.
enum TVLDSDriverInfo {
  diDisplayName,  // the shown (unique) name
  diDriverName,   // the display name
  diBoth,         // "<shown name> - <display name>"
};

class TDSDevice : public TLPLockedPersistentNotify {
  Q_OBJECT
  // Kept in designs through "Data", which holds the driver name as well; reading a
  // design therefore never looks for devices nor reports a change.
  Q_PROPERTY(QString DeviceName READ DeviceName WRITE SetName STORED false)

 public:
  // onChange is the change callback (the capture component's OnDeviceChanged).
  template <LPLockOwner Owner>
  explicit TDSDevice(Owner* owner, TNotifyEvent onChange = {})
      : TLPLockedPersistentNotify(owner, std::move(onChange)) {}
  TDSDevice(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange = {});
  ~TDSDevice() override;

  // The device category this object chooses from.
  virtual TGUID Category() const = 0;
  // The alternative devices, tried in order when the choice is not present; none in
  // the base.
  virtual TDSDeviceItems* Alternatives() const { return nullptr; }

  // What the user chose: a shown device name, "Default" or "None".
  QString DeviceName() const;
  // Chooses a device by its shown name, under the write lock:
  // - the current name again (same letters): nothing happens;
  // - "None" (any letter case) or an empty name: "None", no driver name, and no
  //   change callback, so an open graph keeps its device until it is closed;
  // - "Default" (any letter case): stored as given, no driver name, change callback;
  // - any other name: looked up among the category's devices; kept with its driver
  //   name when found, "None" otherwise; change callback either way.
  virtual void SetName(const QString& name);
  // The display name of the chosen device; empty for "Default" and "None".
  QString GetVC_DriverName() const;
  // Set by GetMoniker, cleared by CloseDevice: the opened device's friendly name and
  // display name.
  QString GetVC_OpenedDeviceName() const;
  QString GetVC_OpenedDriverName() const;

  // The window the selection dialog is centred over (the graph holder's owner
  // window); the dialog uses that window's top-level window.
  QWidget* OwnerWindow() const;
  void SetOwnerWindow(QWidget* window);

  // Replaces strings' lines with one per device of the category, in enumeration
  // order. False when strings is none.
  bool GetDeviceList(QStringList* strings, TVLDSDriverInfo kind = diDisplayName) const;

  // The device to open, or none:
  // 1. for any choice but "Default", the device whose display name is the stored
  //    driver name (for "None" there is none);
  // 2. for "Default", the category's first device;
  // 3. failing that, the first alternative whose device is present.
  // The found device's friendly and display names become the opened names.
  virtual TIntf<IMoniker> GetMoniker();
  // Forgets the opened names.
  void CloseDevice();

  // A choice kept from an earlier run, as a design keeps it: both names as
  // given, no lookup (the camera may be unplugged now and is opened by its
  // display name when it is back) and no change callback.
  void RestoreChoice(const QString& driverName, const QString& deviceName) { SetNames(driverName, deviceName); }

  // True when "Default" (any letter case) is chosen.
  bool IsSelectedDefault() const;
  // True when "None" (any letter case) or nothing is chosen.
  bool IsSelectedNone() const;

  // The modal selection dialog: "None", "Default" and the category's devices, the
  // current choice selected. OK (or a double click) chooses the selected line
  // through SetName and returns true; Cancel or closing returns false and changes
  // nothing. False as well when the program has no widget application.
  bool ShowDeviceSelctDialog();

  // "Data": (driver name, device name), written unless "Default" is chosen.
  void DefineProperties(TFiler& filer) override;
  // From another TDSDevice: its choice exactly as it is (no lookup) and its
  // alternatives; the change callback runs when the choice changed to anything but
  // "None". Otherwise as inherited.
  void Assign(TPersistent* source) override;

 protected:
  // Stores both names as given, under the write lock, without callback.
  void SetNames(const QString& driverName, const QString& deviceName);
  // Records moniker's names as the opened ones (nothing for none).
  void RecordOpened(IMoniker* moniker);
  // The category's first device, through its "@device:*:<category>" display name.
  TIntf<IMoniker> DefaultMoniker() const;
  // The first alternative whose device is present.
  TIntf<IMoniker> AlternativeMoniker() const;

 private:
  QString device_name_ = QStringLiteral("Default");
  QString driver_name_;
  QString opened_device_name_;
  QString opened_driver_name_;
  QPointer<QWidget> owner_window_;
};

}  // namespace lumicar
