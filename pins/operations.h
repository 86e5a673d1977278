#pragma once
// The operation classes the framework itself defines: control operations
// (start, stop, pump, clock, stream queries) and the value-supplied
// operations that the standard value pins send. Fields are set by the
// constructor in field order and read through accessors.

#include <QChar>
#include <QString>
#include <complex>
#include <cstdint>

#include "pins/notify_operation.h"

namespace lumicar {

class TOWStartOperation : public TOWNotifyOperation {};

class TOWStartRateOperation : public TOWStartOperation {
 public:
  explicit TOWStartRateOperation(float rate = 0) : rate_(rate) {}
  float Rate() const { return rate_; }

 private:
  float rate_;
};

class TOWStopOperation : public TOWNotifyOperation {};
class TOWEndStopOperation : public TOWStopOperation {};
class TOWStartPumpOperation : public TOWNotifyOperation {};

class TOWMasterPumpOperation : public TOWNotifyOperation {
 public:
  explicit TOWMasterPumpOperation(IUnknown* pump = nullptr) : pump_(pump) {}
  IUnknown* Pump() const { return pump_.get(); }

 private:
  TIntf<IUnknown> pump_;
};

enum TOWPumpType { ptNone, ptSlave, ptMaster, ptHardware };

class TOWPumpRequestOperation : public TOWNotifyOperation {
 public:
  // Without arguments every field is zero.
  TOWPumpRequestOperation() = default;
  TOWPumpRequestOperation(IUnknown* pump, TOWPumpType pumpType, int32_t priority, float desiredRate)
      : pump_(pump), pumpType_(pumpType), priority_(priority), desiredRate_(desiredRate) {}
  IUnknown* Pump() const { return pump_.get(); }
  TOWPumpType PumpType() const { return pumpType_; }
  int32_t Priority() const { return priority_; }
  float DesiredRate() const { return desiredRate_; }

 private:
  TIntf<IUnknown> pump_;
  TOWPumpType pumpType_ = ptNone;
  int32_t priority_ = 0;
  float desiredRate_ = 0;
};

// A clock tick; clock sinks fire on it and on every descendant.
class TOWClockOperation : public TOWNotifyOperation {};
class TOWClockQueryOperation : public TOWNotifyOperation {};

class TOWClockNeededOperation : public TOWNotifyOperation {
 public:
  explicit TOWClockNeededOperation(bool needed = false) : needed_(needed) {}
  bool Needed() const { return needed_; }

 private:
  bool needed_;
};

// Base of every value-supplied operation.
class TOWSuppliedOperation : public TOWClockOperation {};
class TOWSuppliedMulticastOperation : public TOWSuppliedOperation {};

class TOWQueryStreamOperation : public TOWNotifyOperation {};
class TOWIgnoreStreamOperation : public TOWNotifyOperation {};
class TOWActivateStreamOperation : public TOWNotifyOperation {};
class TOWFlushStreamOperation : public TOWNotifyOperation {};

// ---- Value operations ----

class TOWSuppliedSingleOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedSingleOperation(float value) : value_(value) {}
  float Value() const { return value_; }

 private:
  float value_;
};

class TOWSuppliedBoolOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedBoolOperation(bool value) : value_(value) {}
  bool Value() const { return value_; }

 private:
  bool value_;
};

class TOWSuppliedCharOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedCharOperation(QChar value) : value_(value) {}
  QChar Value() const { return value_; }

 private:
  QChar value_;
};

class TOWSuppliedStringOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedStringOperation(const QString& value) : value_(value) {}
  const QString& Value() const { return value_; }

 private:
  QString value_;
};

class TOWSuppliedRealOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedRealOperation(double value) : value_(value) {}
  double Value() const { return value_; }

 private:
  double value_;
};

class TOWSuppliedRealValueRangeOperation : public TOWSuppliedRealOperation {
 public:
  TOWSuppliedRealValueRangeOperation(double value, double min, double max)
      : TOWSuppliedRealOperation(value), min_(min), max_(max) {}
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double min_, max_;
};

class TOWSuppliedRealRangeOperation : public TOWSuppliedOperation {
 public:
  TOWSuppliedRealRangeOperation(double min, double max) : min_(min), max_(max) {}
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double min_, max_;
};

class TOWSuppliedIntegerOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedIntegerOperation(int32_t value) : value_(value) {}
  int32_t Value() const { return value_; }

 private:
  int32_t value_;
};

class TOWSuppliedIntValueRangeOperation : public TOWSuppliedIntegerOperation {
 public:
  TOWSuppliedIntValueRangeOperation(int32_t value, int32_t min, int32_t max)
      : TOWSuppliedIntegerOperation(value), min_(min), max_(max) {}
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }

 private:
  int32_t min_, max_;
};

class TOWSuppliedIntRangeOperation : public TOWSuppliedOperation {
 public:
  TOWSuppliedIntRangeOperation(int32_t min, int32_t max) : min_(min), max_(max) {}
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }

 private:
  int32_t min_, max_;
};

class TOWSuppliedInt64Operation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedInt64Operation(int64_t value) : value_(value) {}
  int64_t Value() const { return value_; }

 private:
  int64_t value_;
};

class TOWSuppliedInt64ValueRangeOperation : public TOWSuppliedInt64Operation {
 public:
  TOWSuppliedInt64ValueRangeOperation(int64_t value, int64_t min, int64_t max)
      : TOWSuppliedInt64Operation(value), min_(min), max_(max) {}
  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }

 private:
  int64_t min_, max_;
};

class TOWSuppliedInt64RangeOperation : public TOWSuppliedOperation {
 public:
  TOWSuppliedInt64RangeOperation(int64_t min, int64_t max) : min_(min), max_(max) {}
  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }

 private:
  int64_t min_, max_;
};

class TOWSuppliedRealComplexOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedRealComplexOperation(std::complex<double> value) : value_(value) {}
  TOWSuppliedRealComplexOperation(double re, double im) : value_(re, im) {}
  std::complex<double> Value() const { return value_; }

 private:
  std::complex<double> value_;
};

// Date-times are days since the epoch of the date-time type, as a double.
class TOWSuppliedDateTimeOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedDateTimeOperation(double value) : value_(value) {}
  double Value() const { return value_; }

 private:
  double value_;
};

class TOWSuppliedDateTimeValueRangeOperation : public TOWSuppliedDateTimeOperation {
 public:
  TOWSuppliedDateTimeValueRangeOperation(double value, double min, double max)
      : TOWSuppliedDateTimeOperation(value), min_(min), max_(max) {}
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double min_, max_;
};

class TOWSuppliedDateTimeRangeOperation : public TOWSuppliedOperation {
 public:
  TOWSuppliedDateTimeRangeOperation(double min, double max) : min_(min), max_(max) {}
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double min_, max_;
};

}  // namespace lumicar
