#include "buffers/time_stamp.h"

#include <utility>

#include "buffers/media_buffer.h"
#include "buffers/sl_exception.h"

namespace lumicar {

bool TMLTimeStamp::Available() const { return buffer_.MediaContainer()->GetTimeStampAvailable(); }

void TMLTimeStamp::SetAvailable(bool value) { buffer_.MediaContainer()->SetTimeStampAvailable(value); }

int64_t TMLTimeStamp::Begin() const { return buffer_.MediaContainer()->GetTimeStampBegin(); }

void TMLTimeStamp::SetBegin(int64_t value) { buffer_.MediaContainer()->SetTimeStampBegin(value); }

int64_t TMLTimeStamp::End() const { return buffer_.MediaContainer()->GetTimeStampEnd(); }

void TMLTimeStamp::SetEnd(int64_t value) { buffer_.MediaContainer()->SetTimeStampEnd(value); }

TMLCTimeStamp::TMLCTimeStamp(TIntf<IMLMediaBuffer> buffer) : buffer_(std::move(buffer)) {
  if (!buffer_) throw ESLException(QStringLiteral("No media buffer was given"));
}

TMLTimeStamp& TMLCTimeStamp::Stamp() const { return *buffer_->GetTimeStamp(); }

bool TMLCTimeStamp::Available() const { return Stamp().Available(); }

void TMLCTimeStamp::SetAvailable(bool value) { Stamp().SetAvailable(value); }

int64_t TMLCTimeStamp::BeginTime() const { return Stamp().Begin(); }

void TMLCTimeStamp::SetBeginTime(int64_t value) { Stamp().SetBegin(value); }

int64_t TMLCTimeStamp::EndTime() const { return Stamp().End(); }

void TMLCTimeStamp::SetEndTime(int64_t value) { Stamp().SetEnd(value); }

}  // namespace lumicar
