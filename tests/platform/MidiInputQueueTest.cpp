#include "platform/MidiInputQueue.h"

#include <gtest/gtest.h>

#include <thread>

using tonwerk::platform::MidiInputQueue;

namespace {

TEST(MidiInputQueue, BurstFromAnotherThreadArrivesWholeAndInOrder) {
    auto queue = std::make_unique<MidiInputQueue>();
    constexpr std::uint32_t kMessages = 200000; // several times the capacity: the reader keeps up
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kMessages;) {
            if (queue->push(i)) {
                ++i;
            } else {
                std::this_thread::yield(); // the test's producer may wait; RtMidi's never does
            }
        }
    });
    std::uint32_t expected = 0;
    while (expected < kMessages) {
        std::uint32_t message = 0;
        if (queue->pop(message)) {
            ASSERT_EQ(message, expected);
            ++expected;
        } else {
            queue->wait(10);
        }
    }
    producer.join();
    std::uint32_t extra = 0;
    EXPECT_FALSE(queue->pop(extra));
}

TEST(MidiInputQueue, FullQueueDropsAndCountsWithoutBlocking) {
    auto queue = std::make_unique<MidiInputQueue>();
    for (std::size_t i = 0; i < MidiInputQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue->push(static_cast<std::uint32_t>(i)));
    }
    EXPECT_FALSE(queue->push(1));
    EXPECT_EQ(queue->dropped(), 1u);
    EXPECT_TRUE(queue->wait(0)); // woken by what is waiting
    std::uint32_t first = 99;
    ASSERT_TRUE(queue->pop(first));
    EXPECT_EQ(first, 0u);
    EXPECT_TRUE(queue->push(7)); // room again
}

} // namespace
