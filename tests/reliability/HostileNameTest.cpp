// SPDX-License-Identifier: Apache-2.0
// Printer names no queue has, in every shape a user or a broken list can
// produce: each fails with the spooler's error at opening the printer and
// never creates a job; a name that differs from a queue only in case is the
// same queue to the spooler and prints there, not anywhere else.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CupsTestServer.h"
#include "PrinterUtils.h"
#include "SysUtils.h"

namespace fs = std::filesystem;
using QuellmarkTest::CupsTestServer;

namespace {

class HostileName : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.AddLocalQueue("Office");
        server.AddLocalQueue("Lab");
        server.SetServerDefault("Office");
        file = server.Dir() + "/payload.ps";
        std::ofstream(file, std::ios::binary) << "%!PS\r\nshowpage\r\n";
    }
    CupsTestServer server;
    std::string file;
};

TEST_F(HostileName, UnknownShapesFailAtOpeningAndCreateNoJob)
{
    const std::vector<std::string> names = {
        std::string(5000, 'x'),
        std::string("Office") + std::string(5000, 'x'),
        "Off\x01ice",
        "Office\n",
        "\x1b[2J",
        "\xff\xfe\xc3(",
        "Offic\xc3",
        "../x",
        "../../etc/passwd",
        "Office/../Lab",
        "a b",
        "x#y",
        "Office#",
        "%s%s%n",
        " Office",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(testing::PrintToString(name.substr(0, 40)));
        try {
            PrinterUtils::PrintFiles(name, file, "Corvane Status Page");
            ADD_FAILURE() << "printed to a queue that does not exist";
        } catch (const SysUtils::EOSError& e) {
            EXPECT_EQ(e.Message().rfind("Error opening printer: Error code ", 0), 0u) << e.Message();
            EXPECT_NE(e.Code(), 0);
            EXPECT_LT(e.Message().size(), 300u) << "the text must stay readable";
        }
    }
    EXPECT_TRUE(server.JobIds().empty());
}

TEST_F(HostileName, NameThatDiffersOnlyInCasePrintsToThatQueue)
{
    PrinterUtils::PrintFiles("oFFICE", file, "Corvane Status Page");
    const std::vector<int> ids = server.JobIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(server.WaitForJob(ids[0]), 9);
    const auto job = server.CapturedJob(ids[0]);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->queue, "Office");
    EXPECT_EQ(job->data, "%!PS\r\nshowpage\r\n");
}

}  // namespace
