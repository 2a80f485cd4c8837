#include "link/ring_buffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

TEST(RingBuffer, WrapsAroundTheEnd)
{
    RingBuffer ring;
    std::vector<std::uint8_t> in(3000), out(3000);
    ASSERT_EQ(ring.Write(in.data(), 3000), 3000u);
    ASSERT_EQ(ring.Read(out.data(), 3000), 3000u);
    std::iota(in.begin(), in.end(), 0);
    ASSERT_EQ(ring.Write(in.data(), 3000), 3000u); // crosses position 4096
    EXPECT_EQ(ring.WritePosition(), (6000u % RingBuffer::kSize));
    ASSERT_EQ(ring.Read(out.data(), 3000), 3000u);
    EXPECT_EQ(in, out);
    EXPECT_TRUE(ring.Empty());
}

TEST(RingBuffer, FullRingTakesNothingMoreAndKeepsUnreadBytes)
{
    RingBuffer ring;
    std::vector<std::uint8_t> in(5000, 0x11), out(5000);
    EXPECT_EQ(ring.Write(in.data(), 5000), RingBuffer::kSize - 1);
    EXPECT_EQ(ring.Free(), 0u);
    const std::uint8_t more = 0x22;
    EXPECT_EQ(ring.Write(&more, 1), 0u);
    EXPECT_EQ(ring.Read(out.data(), 5000), RingBuffer::kSize - 1);
    EXPECT_EQ(out[RingBuffer::kSize - 2], 0x11);
}

TEST(RingBuffer, DropDiscardsUnread)
{
    RingBuffer ring;
    std::vector<std::uint8_t> in(100, 1);
    ring.Write(in.data(), 100);
    const std::uint32_t mark = ring.WritePosition();
    ring.Write(in.data(), 50);
    ring.DropTo(mark);
    EXPECT_EQ(ring.Available(), 50u);
    ring.Drop();
    EXPECT_TRUE(ring.Empty());
}
