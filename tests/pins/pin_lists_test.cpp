// Stream type lists, link entries and the delivery order they keep.

#include <gtest/gtest.h>

#include "pins/pin_entry.h"
#include "pins/pin_type_list.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

TOWDispatchResult Code1(void*, IOWStream*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) { return {}; }
TOWDispatchResult Code2(void*, IOWStream*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) { return {}; }

TEST(PinStreamType, AddReplacesInPlaceOtherwiseAppends) {
  TOWPinStreamType list;
  int context = 0;
  list.AddType(kStreamA, {&Code1, nullptr});
  list.AddType(kStreamB, {&Code1, nullptr});
  list.AddType(kStreamA, {&Code2, &context});
  ASSERT_EQ(list.GetLength(), 2);
  EXPECT_TRUE(list.GetID(0) == kStreamA);
  EXPECT_EQ(list.GetSubmitFunc(0).code, &Code2);
  EXPECT_EQ(list.GetSubmitFunc(0).context, &context);
  list.AddType(kStreamC, {});
  list.RemoveType(kStreamB);
  ASSERT_EQ(list.GetLength(), 2);
  EXPECT_TRUE(list.GetID(1) == kStreamC);
  list.SwapPosition(0, 1);
  EXPECT_TRUE(list.GetID(0) == kStreamC);
  list.SwapPosition(0, 7);  // ignored
  EXPECT_FALSE(list.SubmitFor(kStreamB));
  list.ClearTypes();
  EXPECT_EQ(list.GetLength(), 0);
}

TEST(PinStreamType, RestrictKeepsOrder) {
  TOWPinTypeRestricted list;
  for (const TGUID& id : {kStreamA, kStreamB, kStreamC}) list.AddType(id, {});
  list.Restrict([](const TGUID& id) { return !(id == kStreamB); });
  ASSERT_EQ(list.GetLength(), 2);
  EXPECT_TRUE(list.GetID(0) == kStreamA);
  EXPECT_TRUE(list.GetID(1) == kStreamC);
}

// Pins are used only as distinct addresses here.
struct TFakePins {
  alignas(8) char storage[6][8];
  TOWBasicPin* operator[](int i) { return reinterpret_cast<TOWBasicPin*>(storage[i]); }
};

std::vector<TOWBasicPin*> Order(const TOWPinEntryList& list) {
  std::vector<TOWBasicPin*> out;
  for (const auto& e : list) out.push_back(e.realPin);
  return out;
}

TEST(PinEntryList, ReorderDecaysWeightsAndSortsStably) {
  TFakePins p;
  TOWPinEntryList list;
  list.Add({p[0], p[0], nullptr, kStreamA, {}, 4});
  list.Add({p[1], p[1], nullptr, kStreamA, {}, 0});
  list.Add({p[2], p[2], nullptr, kStreamA, {}, 1});
  list.Add({p[3], p[3], nullptr, kStreamA, {}, 0});
  list.ReorderChangedData();
  // Weights 3, 0, 0, 0 → the heavy one goes last, equal ones keep their order.
  EXPECT_EQ(Order(list), (std::vector<TOWBasicPin*>{p[1], p[2], p[3], p[0]}));
  EXPECT_EQ(list[3].weight, 3);
  EXPECT_EQ(list[1].weight, 0);
}

TEST(PinEntryList, AfterPinsMoveBehindTheirPinInOnePass) {
  TFakePins p;
  TOWPinEntryList list;
  // p0 must follow p2; p1 must follow p0.
  list.Add({p[0], p[0], p[2], kStreamA, {}, 0});
  list.Add({p[1], p[1], p[0], kStreamA, {}, 0});
  list.Add({p[2], p[2], nullptr, kStreamA, {}, 0});
  list.Add({p[3], p[3], nullptr, kStreamA, {}, 0});
  list.ReorderChangedData();
  // i=0: p0 goes behind p2 → [p1 p2 p0 p3]; p1 slid to 0 and is not looked
  // at again in this pass; i=1 p2, i=2 p0 (p2 earlier), i=3 p3.
  EXPECT_EQ(Order(list), (std::vector<TOWBasicPin*>{p[1], p[2], p[0], p[3]}));
  list.ReorderChangedData();
  EXPECT_EQ(Order(list), (std::vector<TOWBasicPin*>{p[2], p[0], p[1], p[3]}));
}

TEST(PinEntryList, ConverterDuplicatesLeaveTheFirst) {
  TFakePins p;
  TOWPinEntryList list;
  // p4 stands for a converter input serving p0 and p2.
  list.Add({p[4], p[0], nullptr, kStreamA, {}, 0});
  list.Add({p[1], p[1], nullptr, kStreamA, {}, 0});
  list.Add({p[4], p[2], nullptr, kStreamA, {}, 0});
  list.Add({p[3], p[3], nullptr, kStreamA, {}, 0});
  list.RemoveConverterDuplicates();
  EXPECT_EQ(Order(list), (std::vector<TOWBasicPin*>{p[0], p[1], p[3]}));
}

TEST(PinEntryList, CopyDropsAfterPins) {
  TFakePins p;
  TOWPinEntryList list;
  list.Add({p[0], p[0], p[1], kStreamA, {}, 7});
  TOWPinEntryList copy;
  copy.CopyFromList(list);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy[0].afterPin, nullptr);
  EXPECT_EQ(copy[0].weight, 7);
  EXPECT_TRUE(copy[0].connectionId == kStreamA);
}

TEST(NotifyOperation, IdsRiseAndClassTestsAcceptDescendants) {
  TIntf<TOWNotifyOperation> a = MakeIntf<TOWEndStopOperation>();
  TIntf<TOWNotifyOperation> b = MakeIntf<TOWNotifyOperation>();
  EXPECT_GT(a->OperationID(), 0u);
  EXPECT_EQ(b->OperationID(), a->OperationID() + 1);
  EXPECT_TRUE(a->Is<TOWStopOperation>());
  EXPECT_FALSE(b->Is<TOWStopOperation>());
  TIntf<IOWNotifyOperation> asIntf = MakeIntf<TOWSuppliedBoolOperation>(true);
  EXPECT_TRUE(OWOperationAs<TOWClockOperation>(asIntf.get()));
  EXPECT_TRUE(OWOperationAs<TOWSuppliedBoolOperation>(asIntf.get())->Value());
  TIntf<IOWNotifyOperation> queried = QueryIntf<IOWNotifyOperation>(a.get(), IID_IOWNotifyOperation);
  EXPECT_EQ(queried->Instance(), a.get());
  TOWPumpRequestOperation zero;
  EXPECT_EQ(zero.PumpType(), ptNone);
  EXPECT_EQ(zero.Priority(), 0);
  EXPECT_EQ(TOWSuppliedIntValueRangeOperation(5, 1, 9).Max(), 9);
}

}  // namespace
}  // namespace lumicar::test
