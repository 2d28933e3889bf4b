// SPDX-License-Identifier: Apache-2.0
// The program's run as a whole: the window, the loop, exit codes, and the
// last-resort box for a failure outside every catch point. Each test makes
// and ends its own application object, as the program does.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "CupsTestServer.h"
#include "GuiTestSupport.h"
#include "QuellmarkApplication.h"
#include "SysUtils.h"

using namespace QuellmarkTest;

namespace {

TEST(Run, EndsWithZeroWhenTheWindowIsClosed)
{
    CupsTestServer server;
    server.AddLocalQueue("Only");
    server.SetServerDefault("Only");
    std::vector<std::string> seen;
    const int code = RunQuellmark([&](AppCore::IPresenter& presenter) {
        auto window = CreateQuellmarkX(presenter);
        QWidget* shown = window.get();
        QMetaObject::invokeMethod(
            qApp,
            [&seen, shown] {
                seen.push_back(shown->windowTitle().toStdString());
                shown->close();
            },
            Qt::QueuedConnection);
        return window;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(seen, std::vector<std::string>{"QuellmarkX"});
}

TEST(Run, AFailureOutsideTheCatchPointsShowsTheLastResortBoxAndEndsWithOne)
{
    std::unique_ptr<ModalCloser> closer;
    const int code = RunQuellmark([&](AppCore::IPresenter&) -> std::unique_ptr<QWidget> {
        closer = std::make_unique<ModalCloser>();
        throw SysUtils::EOSError("Window could not be built", 3);
    });
    EXPECT_EQ(code, 1);
    ASSERT_TRUE(closer);
    ASSERT_EQ(closer->boxes.size(), 1u);
    const ShownBox& box = closer->boxes[0];
    EXPECT_EQ(box.kind, "last-resort");
    EXPECT_EQ(box.caption, "Application Error");
    EXPECT_EQ(box.text.rfind("Exception EOSError in module gui_run_tests at ", 0), 0u) << box.text;
    const std::string tail = ".\nWindow could not be built.\n";
    EXPECT_EQ(box.text.substr(box.text.size() - tail.size()), tail) << box.text;
    closer.reset();
}

TEST(Run, WithoutADisplaySaysSoAndEndsWithOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            RunQuellmark(CreateQuellmarkX);
        },
        ::testing::ExitedWithCode(1), "QuellmarkExec: cannot open the window: no display could be opened");
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
