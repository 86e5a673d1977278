#pragma once
// The capture settings for hardware this platform's cameras do not have,
// carried so that a stored design keeps them: the TV tuner (TVLDSTVTuner),
// closed-caption decoding (TVLClosedCaptions), the decoding resolution of DV
// camcorders (TVLDSDVInResolution) and the crossbar and mixer input routing
// (TDSSwitches). The capture applies each after a graph build where the
// graph offers the interface behind it; on this platform none does.

#include <QStringList>
#include <cstdint>

#include "components/lp_persistent.h"
#include "runtime/event.h"

namespace lumicar::capture_options {
Q_NAMESPACE

enum TVLDSTVFormat { tvfCurrent = 0, tvfNTSC_M, tvfNTSC_M_J, tvfPAL_B, tvfPAL_D, tvfPAL_I, tvfPAL_M, tvfSECAM_L };
Q_ENUM_NS(TVLDSTVFormat)

enum TVLDSTVInputType { tviCurrent = 0, tviCable, tviAntenna };
Q_ENUM_NS(TVLDSTVInputType)

enum TVLDSTVMode { tvmCurrent = 0, tvmTV, tvmFMRadio, tvmAMRadio, tvmDSS };
Q_ENUM_NS(TVLDSTVMode)

enum TVLDSDVInResolution { dvrUseCurrent = 0, dvrFull, dvrHalf, dvrQuater, dvrDC };
Q_ENUM_NS(TVLDSDVInResolution)

}  // namespace lumicar::capture_options

namespace lumicar {

using capture_options::TVLDSDVInResolution;
using enum capture_options::TVLDSDVInResolution;
using capture_options::TVLDSTVFormat;
using enum capture_options::TVLDSTVFormat;
using capture_options::TVLDSTVInputType;
using enum capture_options::TVLDSTVInputType;
using capture_options::TVLDSTVMode;
using enum capture_options::TVLDSTVMode;

class TVLDSTVTuner : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::capture_options::TVLDSTVFormat Format READ Format WRITE SetFormat)
  Q_PROPERTY(lumicar::capture_options::TVLDSTVInputType InputType READ InputType WRITE SetInputType)
  Q_PROPERTY(lumicar::capture_options::TVLDSTVMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(qint32 Channel READ Channel WRITE SetChannel)
  Q_PROPERTY(qint32 CountryCode READ CountryCode WRITE SetCountryCode)
  Q_PROPERTY(qint32 TuningSpace READ TuningSpace WRITE SetTuningSpace)
  Q_PROPERTY(qint32 InputIndex READ InputIndex WRITE SetInputIndex)
  Q_PROPERTY(bool UseCurrent READ UseCurrent WRITE SetUseCurrent)
  Q_CLASSINFO("Default.Format", "tvfCurrent")
  Q_CLASSINFO("Default.InputType", "tviCurrent")
  Q_CLASSINFO("Default.Mode", "tvmCurrent")
  Q_CLASSINFO("Default.Channel", "0")
  Q_CLASSINFO("Default.CountryCode", "0")
  Q_CLASSINFO("Default.TuningSpace", "0")
  Q_CLASSINFO("Default.InputIndex", "-1")
  Q_CLASSINFO("Default.UseCurrent", "True")

 public:
  template <LPLockOwner Owner>
  explicit TVLDSTVTuner(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TVLDSTVTuner() : TLPPersistent(nullptr, nullptr) {}

  TVLDSTVFormat Format() const;
  void SetFormat(TVLDSTVFormat value);
  TVLDSTVInputType InputType() const;
  void SetInputType(TVLDSTVInputType value);
  TVLDSTVMode Mode() const;
  void SetMode(TVLDSTVMode value);
  int32_t Channel() const { return Lock()->Getter(channel_); }
  void SetChannel(int32_t value) { Lock()->Setter(channel_, value); }
  int32_t CountryCode() const { return Lock()->Getter(countryCode_); }
  void SetCountryCode(int32_t value) { Lock()->Setter(countryCode_, value); }
  int32_t TuningSpace() const { return Lock()->Getter(tuningSpace_); }
  void SetTuningSpace(int32_t value) { Lock()->Setter(tuningSpace_, value); }
  int32_t InputIndex() const { return Lock()->Getter(inputIndex_); }
  void SetInputIndex(int32_t value) { Lock()->Setter(inputIndex_, value); }
  // True (the default): nothing is applied after a build.
  bool UseCurrent() const { return Lock()->Getter(useCurrent_); }
  void SetUseCurrent(bool value) { Lock()->Setter(useCurrent_, value); }

 private:
  TVLDSTVFormat format_ = tvfCurrent;
  TVLDSTVInputType inputType_ = tviCurrent;
  TVLDSTVMode mode_ = tvmCurrent;
  int32_t channel_ = 0;
  int32_t countryCode_ = 0;
  int32_t tuningSpace_ = 0;
  int32_t inputIndex_ = -1;
  bool useCurrent_ = true;
};

// (sender, the two caption bytes as text)
using TVLCaptionTextEvent = TEvent<TObject*, QString>;

class TVLClosedCaptions : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool Apply READ Apply WRITE SetApply)
  Q_PROPERTY(lumicar::TVLCaptionTextEvent OnRawData READ OnRawData WRITE SetOnRawData)
  Q_CLASSINFO("Default.Enabled", "False")
  Q_CLASSINFO("Default.Apply", "False")

 public:
  template <LPLockOwner Owner>
  explicit TVLClosedCaptions(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TVLClosedCaptions() : TLPPersistent(nullptr, nullptr) {}

  // Decode the camera's caption stream when it has one.
  bool Enabled() const { return Lock()->Getter(enabled_); }
  void SetEnabled(bool value) { Lock()->Setter(enabled_, value); }
  // Overlay the caption pixels onto the video frames.
  bool Apply() const { return Lock()->Getter(apply_); }
  void SetApply(bool value) { Lock()->Setter(apply_, value); }
  TVLCaptionTextEvent OnRawData() const;
  void SetOnRawData(const TVLCaptionTextEvent& e);

 private:
  bool enabled_ = false;
  bool apply_ = false;
  TVLCaptionTextEvent onRawData_;
};

class TDSSwitches : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool UseCurrent READ UseCurrent WRITE SetUseCurrent)
  Q_PROPERTY(QStringList Selections READ Selections WRITE SetSelections)
  Q_CLASSINFO("Default.UseCurrent", "True")

 public:
  template <LPLockOwner Owner>
  explicit TDSSwitches(Owner* owner) : TLPPersistent(owner) {}
  Q_INVOKABLE TDSSwitches() : TLPPersistent(nullptr, nullptr) {}

  bool UseCurrent() const { return Lock()->Getter(useCurrent_); }
  void SetUseCurrent(bool value) { Lock()->Setter(useCurrent_, value); }
  // The inputs switched on after each build, by name.
  QStringList Selections() const;
  void SetSelections(const QStringList& value);

 private:
  bool useCurrent_ = true;
  QStringList selections_;
};

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TVLCaptionTextEvent)
