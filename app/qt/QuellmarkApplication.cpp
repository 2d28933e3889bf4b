// SPDX-License-Identifier: Apache-2.0
#include "QuellmarkApplication.h"

#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "CredentialsDialog.h"
#include "Messages.h"
#include "PrinterUtils.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"

namespace {

// The desktop entry's name without ".desktop": the window's app id on
// Wayland, and the name desktops match the window to the launcher by.
constexpr const char* kDesktopFileName = "org.quellmark.Quellmark";
constexpr const char* kNoDisplayMessage = "QuellmarkExec: cannot open the window: no display could be opened. "
                                          "Set DISPLAY or WAYLAND_DISPLAY to a running display server.\n";

QtMessageHandler previousHandler = nullptr;

// Qt aborts when no platform (display) can be opened. While the application
// object is made, that fatal message becomes one plain line on standard
// error and exit status 1; nothing of the program exists yet to clean up.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (previousHandler) previousHandler(type, context, message);
        return;
    }
    std::fputs(kNoDisplayMessage, stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

class StartupMessages {
public:
    StartupMessages() { previousHandler = qInstallMessageHandler(StartupMessageHandler); }
    StartupMessages(const StartupMessages&) = delete;
    StartupMessages& operator=(const StartupMessages&) = delete;
    ~StartupMessages() { qInstallMessageHandler(previousHandler); }
};

}  // namespace

TQuellmarkApplication::TQuellmarkApplication(int& argc, char** argv, AppCore::IPresenter& presenter)
    : QApplication(argc, argv), presenter_(presenter)
{
    setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    setWindowIcon(QIcon(QStringLiteral(":/org.quellmark.Quellmark.ico")));
    // A print server that wants a password asks the user in a dialog, never
    // on a terminal.
    PrinterUtils::SetCredentialsPrompt(AskPrintServerCredentials);
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
    std::optional<TQuellmarkApplication> made;
    {
        StartupMessages startup;
        made.emplace(argc, argv, presenter);
    }
    TQuellmarkApplication& app = *made;
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
