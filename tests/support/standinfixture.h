#pragma once

#include "standin.h"

#include <gtest/gtest.h>
#include <memory>

namespace clipvane::test {

// One stand-in service on a free loopback port for a whole test suite; each
// test starts with an empty request log and no fixed answers.
class StandinTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<standin::Server>();
        ASSERT_TRUE(s_server->start(0));
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        server().clearOverrides();
        server().clearRequests();
    }

    static standin::Server& server() { return *s_server; }

    // The only request made since the test began.
    static standin::RecordedRequest onlyRequest()
    {
        const auto requests = server().requests();
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? standin::RecordedRequest{} : requests.front();
    }

private:
    static inline std::unique_ptr<standin::Server> s_server;
};

} // namespace clipvane::test
