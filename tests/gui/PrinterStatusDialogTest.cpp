// SPDX-License-Identifier: Apache-2.0
// Options > Printer Status: a virtual printer's record in the dialog, asked
// on a worker thread, and the error of a printer that does not answer.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "AppSocketTestPrinter.h"
#include "CupsTestServer.h"
#include "GuiTestSupport.h"
#include "Messages.h"
#include "PrinterStatusDialog.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"

namespace QuellmarkTest {
TQtPresenter& Presenter();
}

using namespace QuellmarkTest;

namespace {

struct ShownStatus {
    std::string caption;
    std::string whileAsking;
    std::string text;
    bool answered = false;
};

// Types printer into the box, opens the dialog with Alt+O then S, waits
// (bounded) for the answer and closes the dialog with its Close button.
ShownStatus AskThroughTheMenu(TQuellmarkX& window, ModalCloser& closer, const std::string& printer)
{
    window.findChild<QComboBox*>("cboPrinters")->lineEdit()->setText(QString::fromStdString(printer));
    ShownStatus shown;
    closer.pressOk = false;
    closer.action = [&](QDialog& box, const ShownBox& seen) {
        auto* dialog = qobject_cast<TPrinterStatusDialog*>(&box);
        ASSERT_NE(dialog, nullptr);
        auto* text = dialog->findChild<QPlainTextEdit*>("StatusText");
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        shown.caption = seen.caption;
        shown.whileAsking = text->toPlainText().toStdString();
        shown.answered = QTest::qWaitFor([dialog] { return dialog->Answered(); }, 90000);
        shown.text = text->toPlainText().toStdString();
        QTest::mouseClick(dialog->findChild<QPushButton*>("Close"), Qt::LeftButton);
    };
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
    auto* options = window.findChild<QMenu*>("Options");
    EXPECT_TRUE(options->isVisible());
    if (options->isVisible()) QTest::keyClick(options, Qt::Key_S);
    closer.action = nullptr;
    return shown;
}

bool HasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(PrinterStatus, ShowsTheRecordAsTheCommandLineWritesItOrWhyThePrinterDidNotAnswer)
{
    CupsTestServer server;
    server.AddLocalQueue("A");
    ScopedTempDir temp;
    ModalCloser closer;
    TQuellmarkX window(Presenter());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    AppSocketTestPrinter printer("gs");
    const ShownStatus status = AskThroughTheMenu(window, closer, printer.Address());
    EXPECT_EQ(status.caption, Messages::ApplicationTitle());
    EXPECT_EQ(status.whileAsking, "Asking " + printer.Address() + "...");
    ASSERT_TRUE(status.answered);
    EXPECT_EQ(status.text.rfind(printer.Address() + ":\n  Product: GPL Ghostscript\n", 0), 0u) << status.text;
    for (const char* line : {"  PostScript level: 3", "  Page count: 1000", "  Input tray 13: Size A4, Type N/A",
                             "  Output tray 0: Type N/A"})
        EXPECT_TRUE(HasLine(status.text, line)) << line << "\n" << status.text;

    // A printer whose port is closed: the dialog holds why, nothing else.
    std::optional<AppSocketTestPrinter> gone(std::in_place, "gs");
    const std::string address = gone->Address();
    const std::string hostPort = address.substr(std::string("socket://").size());
    gone.reset();
    const ShownStatus refused = AskThroughTheMenu(window, closer, address);
    ASSERT_TRUE(refused.answered);
    EXPECT_EQ(refused.text, "Error opening printer: Error code 111: " + hostPort + ": Connection refused\n");
    EXPECT_TRUE(window.isEnabled());
    // The query document's file is gone with the answer.
    for (const std::string& name : temp.Files()) EXPECT_NE(name.rfind("ps", 0), 0u) << name;
}

}  // namespace
