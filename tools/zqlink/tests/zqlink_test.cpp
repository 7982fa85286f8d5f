#include <gtest/gtest.h>

#include "link.h"

TEST(Hex, EmptyImage) { EXPECT_EQ(zqlink::intel_hex({}), ":00000001FF\r\n"); }
