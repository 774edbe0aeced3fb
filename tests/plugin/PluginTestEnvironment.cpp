// Every processor built in this suite finds (and creates) its user preset folder in a home folder
// of the test program's own, never in the user's.

#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment (new kaleidra::test::IsolatedHomeEnvironment);
} // namespace
