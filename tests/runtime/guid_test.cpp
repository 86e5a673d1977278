#include "runtime/guid.h"

#include <gtest/gtest.h>

using lumicar::TGUID;

TEST(Guid, ParsesAndPrintsTheRegistryForm) {
  const auto g = TGUID::Parse("{2bff1be1-1698-4CFA-A427-9E0801C5B357}");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->D1, 0x2BFF1BE1u);
  EXPECT_EQ(g->D2, 0x1698);
  EXPECT_EQ(g->D3, 0x4CFA);
  EXPECT_EQ(g->D4[0], 0xA4);
  EXPECT_EQ(g->D4[7], 0x57);
  EXPECT_EQ(g->ToString(), "{2BFF1BE1-1698-4CFA-A427-9E0801C5B357}");
}

TEST(Guid, RejectsMalformedText) {
  for (const char* bad : {"", "{}", "2BFF1BE1-1698-4CFA-A427-9E0801C5B357", "{2BFF1BE1-1698-4CFA-A427-9E0801C5B35}",
                          "{2BFF1BE1-1698-4CFA-A427x9E0801C5B357}", "{2BFF1BE1-1698-4CFA-A427-9E0801C5B35G}",
                          "{2BFF1BE1-1698-4CFA-A427-9E0801C5B3570}"})
    EXPECT_FALSE(TGUID::Parse(bad)) << bad;
}

TEST(Guid, ComparesByteForByte) {
  const TGUID a = TGUID::FromString("{00000001-0000-0000-0000-000000000000}");
  const TGUID b = TGUID::FromString("{00000000-0000-0000-0000-000000000001}");
  EXPECT_NE(a, b);
  EXPECT_TRUE(TGUID{}.IsNull());
  EXPECT_FALSE(a.IsNull());
  // Memory order: the low byte of D1 comes first on little-endian machines.
  EXPECT_TRUE(b < a);
}
