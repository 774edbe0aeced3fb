#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using kaleidra::test::AllocationGuard;

TEST (AllocationGuard, CountsEveryFormOfNewOnItsThread)
{
    AllocationGuard guard;
    auto single = std::make_unique<int> (1);
    auto array = std::make_unique<int[]> (16);
    std::vector<double> vec (100);
    std::string text (200, 'x'); // beyond the small-string buffer
    EXPECT_EQ (guard.allocations(), 4u);
    EXPECT_GE (guard.bytes(), sizeof (int) + 16 * sizeof (int) + 100 * sizeof (double) + 200);
}

TEST (AllocationGuard, IgnoresOtherThreadsAndUnarmedStretches)
{
    std::unique_ptr<int> outside;
    {
        AllocationGuard guard;
        std::thread other ([] { auto p = std::make_unique<std::vector<int>> (1000); });
        other.join(); // the thread object itself may allocate on this thread: measure after it
        const auto afterThread = guard.allocations();
        int onStack[64]{};
        onStack[3] = 1;
        EXPECT_EQ (guard.allocations(), afterThread);
        EXPECT_EQ (onStack[3], 1);
    }
    AllocationGuard fresh;
    outside = std::make_unique<int> (5);
    EXPECT_EQ (fresh.allocations(), 1u);
}

TEST (AllocationGuard, NestedGuardsRestoreTheOuterState)
{
    AllocationGuard outer;
    {
        AllocationGuard inner;
        auto p = std::make_unique<int> (7);
        EXPECT_EQ (inner.allocations(), 1u);
    }
    auto q = std::make_unique<int> (8);
    EXPECT_EQ (outer.allocations(), 2u);
}
