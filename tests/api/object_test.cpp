#include <gtest/gtest.h>

#include "gx.h"

namespace {

TEST(Objects, NullHandlesAreRejected) {
    EXPECT_EQ(GXObjectAcquire(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXObjectRelease(nullptr), GXResultInvalidArg);
}

}  // namespace
