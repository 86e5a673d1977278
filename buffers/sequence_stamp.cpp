#include "buffers/sequence_stamp.h"

#include "buffers/generic_buffer.h"

namespace lumicar {

bool TSLSequenceStamp::Available() const { return buffer_.DataContainer()->GetBufferNumberAvailable(); }

void TSLSequenceStamp::SetAvailable(bool value) { buffer_.DataContainer()->SetBufferNumberAvailable(value); }

int64_t TSLSequenceStamp::BufferNumber() const { return buffer_.DataContainer()->GetBufferNumber(); }

void TSLSequenceStamp::SetBufferNumber(int64_t value) { buffer_.DataContainer()->SetBufferNumber(value); }

}  // namespace lumicar
