#include "buffers/image_time_code.h"

#include "buffers/image_buffer.h"

namespace lumicar {

namespace {

// Changes one field of a snapshot and writes it back.
template <class View, class Fields>
void Update(View& view, int32_t Fields::*field, int32_t value) {
  Fields fields = view.Fields();
  fields.*field = value;
  view.SetFields(fields);
}

}  // namespace

TVLTimeCodeFields TVLTimeCode::Fields() const { return buffer_.ImageContainer()->GetTimeCode(); }
void TVLTimeCode::SetFields(const TVLTimeCodeFields& value) { buffer_.ImageContainer()->SetTimeCode(value); }

void TVLTimeCode::SetAvailable(bool value) {
  TVLTimeCodeFields fields = Fields();
  fields.Available = value;
  SetFields(fields);
}
void TVLTimeCode::SetFrame(int32_t value) { Update(*this, &TVLTimeCodeFields::Frame, value); }
void TVLTimeCode::SetSec(int32_t value) { Update(*this, &TVLTimeCodeFields::Sec, value); }
void TVLTimeCode::SetMin(int32_t value) { Update(*this, &TVLTimeCodeFields::Min, value); }
void TVLTimeCode::SetHour(int32_t value) { Update(*this, &TVLTimeCodeFields::Hour, value); }

TVLDateTimeFields TVLDateTime::Fields() const { return buffer_.ImageContainer()->GetDateTime(); }
void TVLDateTime::SetFields(const TVLDateTimeFields& value) { buffer_.ImageContainer()->SetDateTime(value); }

void TVLDateTime::SetAvailable(bool value) {
  TVLDateTimeFields fields = Fields();
  fields.Available = value;
  SetFields(fields);
}
void TVLDateTime::SetMillisec(int32_t value) { Update(*this, &TVLDateTimeFields::Millisec, value); }
void TVLDateTime::SetSec(int32_t value) { Update(*this, &TVLDateTimeFields::Sec, value); }
void TVLDateTime::SetMin(int32_t value) { Update(*this, &TVLDateTimeFields::Min, value); }
void TVLDateTime::SetHour(int32_t value) { Update(*this, &TVLDateTimeFields::Hour, value); }
void TVLDateTime::SetDay(int32_t value) { Update(*this, &TVLDateTimeFields::Day, value); }
void TVLDateTime::SetMonth(int32_t value) { Update(*this, &TVLDateTimeFields::Month, value); }
void TVLDateTime::SetYear(int32_t value) { Update(*this, &TVLDateTimeFields::Year, value); }

}  // namespace lumicar
