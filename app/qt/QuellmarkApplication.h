// SPDX-License-Identifier: Apache-2.0
// The application object and the program's run: the window, the message
// loop and the catch points around them.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>
#include <memory>

#include "Presenter.h"

// Every event is delivered inside a guard that hands an exception to the
// presenter. Carries the program's icon and desktop file name.
class TQuellmarkApplication : public QApplication {
public:
    TQuellmarkApplication(int& argc, char** argv, AppCore::IPresenter& presenter);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    AppCore::IPresenter& presenter_;
};

using TMainWindowFactory = std::function<std::unique_ptr<QWidget>(AppCore::IPresenter&)>;

// Builds and shows the main window, runs the loop until it is closed and
// returns 0; a failure outside the catch points shows the last-resort box and
// returns 1. Without a display it says so on standard error and ends the
// process with status 1. Reads no command line: Qt gets only the program's name.
int RunQuellmark(const TMainWindowFactory& createMainWindow);

// The factory of the program's own window, TQuellmarkX.
std::unique_ptr<QWidget> CreateQuellmarkX(AppCore::IPresenter& presenter);
