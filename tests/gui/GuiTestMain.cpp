// SPDX-License-Identifier: Apache-2.0
// One application object for the whole run, with the program's own event
// guard and presenter, on Qt's offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <cstdlib>

#include "QtPresenter.h"
#include "QuellmarkApplication.h"

namespace QuellmarkTest {

TQtPresenter& Presenter()
{
    static TQtPresenter presenter;
    return presenter;
}

}  // namespace QuellmarkTest

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    char name[] = "gui_tests";
    char* qtArgv[] = {name, nullptr};
    int qtArgc = 1;
    TQuellmarkApplication app(qtArgc, qtArgv, QuellmarkTest::Presenter());
    return RUN_ALL_TESTS();
}
