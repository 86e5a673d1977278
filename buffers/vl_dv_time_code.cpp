#include "buffers/vl_dv_time_code.h"

#include <optional>

#include "buffers/image_buffer.h"
#include "buffers/sl_exception.h"

namespace lumicar {

namespace {

// A five-byte subcode pack: its code, then four data bytes.
struct TPack {
  uint8_t Byte[5];
};

// Packs sit at 86 + 12000 i + 80 j + 8 k for sequence i < 12, block j < 2 and
// pack k < 6. The first pack whose code matches wins; a pack that does not
// fit in the first `length` bytes ends the search.
std::optional<TPack> FindPack(const uint8_t* data, uint32_t length, uint8_t code) {
  for (uint32_t i = 0; i < 12; ++i) {
    for (uint32_t j = 0; j < 2; ++j) {
      for (uint32_t k = 0; k < 6; ++k) {
        const uint64_t offset = 86 + 12000 * i + 80 * j + 8 * k;
        if (offset + 5 > length) return std::nullopt;
        if (data[offset] == code) {
          TPack pack;
          for (int b = 0; b < 5; ++b) pack.Byte[b] = data[offset + b];
          return pack;
        }
      }
    }
  }
  return std::nullopt;
}

int32_t Bcd(uint8_t b, uint8_t tensMask) { return (b & 0x0F) + ((b >> 4) & tensMask) * 10; }

}  // namespace

void VLDSExtractTimeCode(const uint8_t* data, uint32_t length, IVLImageBuffer* frame) {
  TVLImageBuffer* image = TVLImageBuffer::FromImage(frame);
  TVLTimeCodeFields timeCode = image->GetTimeCode()->Fields();
  TVLDateTimeFields dateTime = image->GetDateTime()->Fields();
  timeCode.Available = false;
  dateTime.Available = false;
  image->GetTimeCode()->SetFields(timeCode);
  image->GetDateTime()->SetFields(dateTime);
  if (!data) return;

  const std::optional<TPack> code = FindPack(data, length, 0x13);
  if (!code) return;
  timeCode.Available = true;
  timeCode.Frame = Bcd(code->Byte[1], 3);
  timeCode.Sec = Bcd(code->Byte[2], 7);
  timeCode.Min = Bcd(code->Byte[3], 7);
  timeCode.Hour = Bcd(code->Byte[4], 3);
  image->GetTimeCode()->SetFields(timeCode);

  const std::optional<TPack> date = FindPack(data, length, 0x62);
  if (!date) return;
  const int32_t day = Bcd(date->Byte[2], 3);
  const int32_t month = Bcd(date->Byte[3], 1);
  const int32_t yearOfCentury = Bcd(date->Byte[4], 15);
  const int32_t year = yearOfCentury + (yearOfCentury > 24 ? 1900 : 2000);

  const std::optional<TPack> time = FindPack(data, length, 0x63);
  if (!time) return;
  dateTime.Available = true;
  dateTime.Millisec = 0;  // DV records whole seconds
  dateTime.Sec = Bcd(time->Byte[2], 7);
  dateTime.Min = Bcd(time->Byte[3], 7);
  dateTime.Hour = Bcd(time->Byte[4], 3);
  dateTime.Day = day;
  dateTime.Month = month;
  dateTime.Year = year;
  image->GetDateTime()->SetFields(dateTime);
}

}  // namespace lumicar
