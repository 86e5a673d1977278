// Value pins used from several threads: values sent on one thread while
// another reads them and a third links and unlinks sinks.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pins/typed/integer_pins.h"
#include "pins/typed/real_pins.h"
#include "runtime/component.h"

namespace lumicar::test {
namespace {

TEST(ValuePinThreads, ValuesSentWhileSinksComeAndGoArriveWhole) {
  TComponent owner;
  TOWIntegerSourcePin source(&owner);
  // Written by the sending thread only, read after it has ended.
  std::vector<int32_t> received;
  TOWIntegerSinkPin steady(&owner, nullptr, [&](TOWIntegerSinkPin*, const int32_t& v) { received.push_back(v); });
  ASSERT_TRUE(source.Connect(&steady));
  received.clear();
  constexpr int kValues = 2000;
  std::atomic<bool> done{false};

  std::thread sender([&] {
    for (int i = 1; i <= kValues; ++i) source.SetValue(i);
    done = true;
  });
  std::thread linker([&] {
    // Each new link goes through a converter (integer to real) that is
    // freed again when the link goes.
    while (!done) {
      TOWRealSinkPin passing(&owner);
      source.Connect(&passing);
      const double seen = passing.GetValue();
      EXPECT_GE(seen, 0.0);
      EXPECT_LE(seen, kValues);
      EXPECT_EQ(seen, static_cast<double>(static_cast<int32_t>(seen)));
    }
  });
  int32_t last = 0;
  while (!done) {
    const int32_t now = steady.GetValue();
    EXPECT_GE(now, last);  // one sender: values only grow
    last = now;
  }
  sender.join();
  linker.join();
  // While a link of the source changes, the framework refuses deliveries
  // from it (its destroy lock is closed), so the steady sink may miss values
  // sent just then; it never sees one twice or out of order.
  ASSERT_FALSE(received.empty());
  for (size_t i = 1; i < received.size(); ++i) EXPECT_LT(received[i - 1], received[i]);
  EXPECT_LE(received.back(), kValues);
  EXPECT_LE(steady.GetValue(), kValues);
  source.Submit(kValues);
  EXPECT_EQ(steady.GetValue(), kValues);
  EXPECT_EQ(source.GetSinkCount(), 1);
  EXPECT_EQ(source.GetConverterCount(), 0);
}

}  // namespace
}  // namespace lumicar::test
