// SPDX-License-Identifier: Apache-2.0
// The private print server itself: isolation, queue kinds, capture and
// clean-up, which every cups test relies on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "CupsTestServer.h"

using QuellmarkTest::CupsTestServer;

namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(CupsFixture, IsolatesTheProcessAndCleansUp)
{
    const char* before = std::getenv("CUPS_SERVER");
    const std::string saved = before ? before : "";
    std::string dir;
    {
        CupsTestServer server;
        dir = server.Dir();
        EXPECT_EQ(std::string(std::getenv("CUPS_SERVER")), dir + "/cups.sock");
        EXPECT_EQ(std::string(std::getenv("HOME")), dir + "/home");
        EXPECT_EQ(std::getenv("LPDEST"), nullptr);
        struct stat st {};
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0711u);
        const std::string backend = dir + "/bin/backend/capture";
        ASSERT_EQ(::stat(backend.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(st.st_mode & 022, 0u);
        std::string out;
        server.Run({"lpstat", "-r"}, &out);
        EXPECT_NE(out.find("scheduler is running"), std::string::npos);
        EXPECT_TRUE(server.Running());
    }
    EXPECT_FALSE(Exists(dir));
    const char* after = std::getenv("CUPS_SERVER");
    EXPECT_EQ(after ? after : "", saved);
}

TEST(CupsFixture, CapturesJobBytesAndTitle)
{
    CupsTestServer server;
    server.AddLocalQueue("capture_q");
    const std::string file = server.Dir() + "/home/in.bin";
    std::string bytes("%!PS\r\n\0\xff tail", 13);
    std::ofstream(file, std::ios::binary) << bytes;
    std::string out;
    ASSERT_EQ(server.Run({"lp", "-d", "capture_q", "-o", "raw", "-t", "Fixture Title", file}, &out), 0) << out;
    const auto ids = server.JobIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(server.WaitForJob(ids[0]), 9);
    const auto job = server.CapturedJob(ids[0]);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->data, bytes);
    EXPECT_EQ(job->title, "Fixture Title");
    EXPECT_EQ(job->queue, "capture_q");
    EXPECT_EQ(server.JobAttributes(ids[0])["job-name"], "Fixture Title");
}

TEST(CupsFixture, RemoteQueueForwardsToItsTarget)
{
    CupsTestServer server;
    server.AddLocalQueue("target_q");
    server.AddRemoteQueue("remote_q", "target_q");
    const std::string file = server.Dir() + "/home/in.txt";
    std::ofstream(file) << "forwarded\n";
    ASSERT_EQ(server.Run({"lp", "-d", "remote_q", "-o", "raw", "-t", "Fwd", file}), 0);
    auto ids = server.JobIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(server.WaitForJob(ids[0]), 9);
    // The forwarded copy is a second job on the target queue.
    for (int i = 0; i < 500 && server.JobIds().size() < 2; ++i) usleep(10000);
    ids = server.JobIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(server.WaitForJob(ids[1]), 9);
    const auto job = server.CapturedJob(ids[1]);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->data, "forwarded\n");
    EXPECT_EQ(job->queue, "target_q");
}

TEST(CupsFixture, StopAndKillEndTheServer)
{
    CupsTestServer server;
    server.Stop();
    EXPECT_FALSE(server.Running());
    std::string out;
    server.Run({"lpstat", "-r"}, &out);
    EXPECT_EQ(out.find("scheduler is running"), std::string::npos);
}

TEST(CupsFixture, KillLeavesNoScheduler)
{
    CupsTestServer server;
    ASSERT_TRUE(server.Running());
    server.Kill();
    EXPECT_FALSE(server.Running());
}
