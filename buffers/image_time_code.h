#pragma once
// Views of a frame's recording time code and recording date, bound to one
// image handle: they read and write the fields of whatever container the
// handle holds at the time of the call.

#include <cstdint>

#include "buffers/image_container.h"

namespace lumicar {

class TVLImageBuffer;

class TVLTimeCode {
 public:
  explicit TVLTimeCode(TVLImageBuffer& buffer) : buffer_(buffer) {}
  TVLTimeCode(const TVLTimeCode&) = delete;
  TVLTimeCode& operator=(const TVLTimeCode&) = delete;

  bool Available() const { return Fields().Available; }
  void SetAvailable(bool value);
  int32_t Frame() const { return Fields().Frame; }
  void SetFrame(int32_t value);
  int32_t Sec() const { return Fields().Sec; }
  void SetSec(int32_t value);
  int32_t Min() const { return Fields().Min; }
  void SetMin(int32_t value);
  int32_t Hour() const { return Fields().Hour; }
  void SetHour(int32_t value);

  // All fields at once, as one consistent snapshot.
  TVLTimeCodeFields Fields() const;
  void SetFields(const TVLTimeCodeFields& value);

 private:
  TVLImageBuffer& buffer_;
};

class TVLDateTime {
 public:
  explicit TVLDateTime(TVLImageBuffer& buffer) : buffer_(buffer) {}
  TVLDateTime(const TVLDateTime&) = delete;
  TVLDateTime& operator=(const TVLDateTime&) = delete;

  bool Available() const { return Fields().Available; }
  void SetAvailable(bool value);
  int32_t Millisec() const { return Fields().Millisec; }
  void SetMillisec(int32_t value);
  int32_t Sec() const { return Fields().Sec; }
  void SetSec(int32_t value);
  int32_t Min() const { return Fields().Min; }
  void SetMin(int32_t value);
  int32_t Hour() const { return Fields().Hour; }
  void SetHour(int32_t value);
  int32_t Day() const { return Fields().Day; }
  void SetDay(int32_t value);
  int32_t Month() const { return Fields().Month; }
  void SetMonth(int32_t value);
  int32_t Year() const { return Fields().Year; }
  void SetYear(int32_t value);

  TVLDateTimeFields Fields() const;
  void SetFields(const TVLDateTimeFields& value);

 private:
  TVLImageBuffer& buffer_;
};

}  // namespace lumicar
