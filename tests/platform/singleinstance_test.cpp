#include "platform/singleinstance.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace clipvane::platform {
namespace {

TEST(SingleInstance, OneHolderAtATimeAndTheNameIsFreedOnRelease)
{
    const std::string name = "clipvane-test-" + std::to_string(::getpid());
    SingleInstance first(name);
    ASSERT_TRUE(first.acquired());
    {
        SingleInstance second(name);
        EXPECT_FALSE(second.acquired());
    }
    EXPECT_TRUE(first.acquired()) << "a refused second must not disturb the first";
    first.release();
    SingleInstance third(name);
    EXPECT_TRUE(third.acquired());
}

} // namespace
} // namespace clipvane::platform
