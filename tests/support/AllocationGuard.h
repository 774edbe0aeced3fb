#pragma once

#include <cstddef>

namespace kaleidra::test
{
// Counts heap allocations made by the current thread while armed. The global operator new
// and delete of every test binary are replaced (AllocationGuard.cpp) so that anything that
// allocates through new, including the standard library and the framework, is seen.
//
//     AllocationGuard guard;        // armed on this thread only
//     engine.process (block, block);
//     EXPECT_EQ (guard.allocations(), 0u);
class AllocationGuard
{
public:
    AllocationGuard() noexcept;
    ~AllocationGuard() noexcept;

    AllocationGuard (const AllocationGuard&) = delete;
    AllocationGuard& operator= (const AllocationGuard&) = delete;

    // Allocations on this thread since the guard was armed.
    std::size_t allocations() const noexcept;

    // Bytes requested by those allocations.
    std::size_t bytes() const noexcept;

private:
    std::size_t startCount, startBytes;
    bool wasArmed;
};
} // namespace kaleidra::test
