#include "AllocationGuard.h"

#include <cstdlib>
#include <new>

namespace
{
// Plain thread_local integers: initialised statically, so touching them never allocates.
thread_local bool armed = false;
thread_local std::size_t allocationCount = 0;
thread_local std::size_t allocationBytes = 0;

void noteAllocation (std::size_t size) noexcept
{
    if (armed)
    {
        ++allocationCount;
        allocationBytes += size;
    }
}

void* allocate (std::size_t size)
{
    noteAllocation (size);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    noteAllocation (size);
    const auto align = static_cast<std::size_t> (alignment);
    const auto rounded = (size + align - 1) / align * align;
    if (void* p = std::aligned_alloc (align, rounded == 0 ? align : rounded))
        return p;
    throw std::bad_alloc();
}
} // namespace

namespace kaleidra::test
{
AllocationGuard::AllocationGuard() noexcept
    : startCount (allocationCount)
    , startBytes (allocationBytes)
    , wasArmed (armed)
{
    armed = true;
}

AllocationGuard::~AllocationGuard() noexcept
{
    armed = wasArmed;
}

std::size_t AllocationGuard::allocations() const noexcept
{
    return allocationCount - startCount;
}

std::size_t AllocationGuard::bytes() const noexcept
{
    return allocationBytes - startBytes;
}
} // namespace kaleidra::test

// Replaced global allocation functions.

void* operator new (std::size_t size)
{
    return allocate (size);
}

void* operator new[] (std::size_t size)
{
    return allocate (size);
}

void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate (size);
    }
    catch (...)
    {
        return nullptr;
    }
}

void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate (size);
    }
    catch (...)
    {
        return nullptr;
    }
}

void* operator new (std::size_t size, std::align_val_t alignment)
{
    return allocateAligned (size, alignment);
}

void* operator new[] (std::size_t size, std::align_val_t alignment)
{
    return allocateAligned (size, alignment);
}

void operator delete (void* p) noexcept
{
    std::free (p);
}

void operator delete[] (void* p) noexcept
{
    std::free (p);
}

void operator delete (void* p, std::size_t) noexcept
{
    std::free (p);
}

void operator delete[] (void* p, std::size_t) noexcept
{
    std::free (p);
}

void operator delete (void* p, std::align_val_t) noexcept
{
    std::free (p);
}

void operator delete[] (void* p, std::align_val_t) noexcept
{
    std::free (p);
}

void operator delete (void* p, std::size_t, std::align_val_t) noexcept
{
    std::free (p);
}

void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept
{
    std::free (p);
}
