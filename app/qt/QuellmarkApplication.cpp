// SPDX-License-Identifier: Apache-2.0
#include "QuellmarkApplication.h"

#include "Messages.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"

TQuellmarkApplication::TQuellmarkApplication(int& argc, char** argv, AppCore::IPresenter& presenter)
    : QApplication(argc, argv), presenter_(presenter)
{
}

bool TQuellmarkApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    AppCore::RunGuarded(presenter_, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

std::unique_ptr<QWidget> CreateQuellmarkX(AppCore::IPresenter& presenter)
{
    return std::make_unique<TQuellmarkX>(presenter);
}

int RunQuellmark(const TMainWindowFactory& createMainWindow)
{
    char programName[] = "QuellmarkExec";
    char* argv[] = {programName, nullptr};
    int argc = 1;
    TQtPresenter presenter;
    TQuellmarkApplication app(argc, argv, presenter);
    try {
        Messages::ApplicationTitle();
        const std::unique_ptr<QWidget> window = createMainWindow(presenter);
        window->show();
        // The loop's own catch point: report, then fetch the next event.
        while (!AppCore::RunGuarded(presenter, [&] { app.exec(); })) {
        }
        return 0;
    } catch (const SysUtils::Exception& e) {
        ShowLastResortBox(e.ClassName(), &e, e.Message());
    } catch (const std::exception& e) {
        ShowLastResortBox("Exception", &e, e.what());
    } catch (...) {
        ShowLastResortBox("Exception", nullptr, std::string());
    }
    return 1;
}
