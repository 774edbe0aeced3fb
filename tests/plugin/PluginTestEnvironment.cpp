// Every processor built in this suite finds (and creates) its user preset folder in a home folder
// of the test program's own, never in the user's.

#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class IsolatedHomeEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        home = std::make_unique<kaleidra::test::IsolatedHome>();
    }

    void TearDown() override
    {
        home.reset();
    }

private:
    std::unique_ptr<kaleidra::test::IsolatedHome> home;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment (new IsolatedHomeEnvironment);
} // namespace
