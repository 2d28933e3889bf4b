// SPDX-License-Identifier: Apache-2.0
// The main window against a private print server: start-up, the Print
// action with every message it shows, and the error box around failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "AppSocketTestPrinter.h"
#include "CupsTestServer.h"
#include "GuiTestSupport.h"
#include "IppTestPrinter.h"
#include "Messages.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"
#include "Resources.h"

namespace QuellmarkTest {
TQtPresenter& Presenter();
}

using namespace QuellmarkTest;

namespace {

std::string Document(const char* name, const char* type)
{
    return std::string(Resources::TResourceStream(name, type).Bytes());
}

// A server with queues A, B and C (B the default), a private TMPDIR and the
// main window built and shown, with every box answered.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<CupsTestServer>();
        for (const char* queue : {"A", "B", "C"}) server->AddLocalQueue(queue);
        if (withDefault) server->SetServerDefault("B");
        temp = std::make_unique<ScopedTempDir>();
        closer = std::make_unique<ModalCloser>();
        window = std::make_unique<TQuellmarkX>(Presenter());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        startupBoxes = closer->boxes;
        closer->boxes.clear();
    }
    void TearDown() override
    {
        window.reset();
        closer.reset();
        temp.reset();
        server.reset();
    }

    QComboBox* Printers() const { return window->findChild<QComboBox*>("cboPrinters"); }
    QPushButton* PrintButton() const { return window->findChild<QPushButton*>("btnPrint"); }
    QAction* MinimalPage() const { return window->findChild<QAction*>("MinimalPage"); }
    std::vector<std::string> Items() const
    {
        std::vector<std::string> items;
        for (int i = 0; i < Printers()->count(); ++i) items.push_back(Printers()->itemText(i).toStdString());
        return items;
    }
    void PressPrint() { QTest::mouseClick(PrintButton(), Qt::LeftButton); }
    void TypePrinter(const QString& name)
    {
        QLineEdit* edit = Printers()->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Typed straight into the edit: inline completion would otherwise
        // extend a prefix of a listed name.
        edit->setText(name);
    }
    // The one job the server received, after it reached a final state.
    CapturedJob OnlyJob()
    {
        const std::vector<int> ids = server->JobIds();
        EXPECT_EQ(ids.size(), 1u);
        if (ids.empty()) return {};
        EXPECT_EQ(server->WaitForJob(ids.back()), 9);
        const auto job = server->CapturedJob(ids.back());
        EXPECT_TRUE(job);
        EXPECT_EQ(server->JobAttributes(ids.back())["job-name"], Messages::kJobName);
        return job.value_or(CapturedJob{});
    }

    bool withDefault = true;
    std::unique_ptr<CupsTestServer> server;
    std::unique_ptr<ScopedTempDir> temp;
    std::unique_ptr<ModalCloser> closer;
    std::unique_ptr<TQuellmarkX> window;
    std::vector<ShownBox> startupBoxes;
};

class MainWindowWithoutDefault : public MainWindow {
protected:
    void SetUp() override
    {
        withDefault = false;
        MainWindow::SetUp();
    }
};

TEST_F(MainWindow, HoldsTheStoredLayout)
{
    EXPECT_EQ(window->windowTitle(), "QuellmarkX");
    EXPECT_EQ(window->centralWidget()->size(), QSize(462, 73));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->height(), 73 + window->menuBar()->height());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));

    EXPECT_EQ(Printers()->geometry(), QRect(8, 9, 329, 21));
    EXPECT_TRUE(Printers()->isEditable());
    ASSERT_NE(Printers()->completer(), nullptr);
    EXPECT_EQ(Printers()->completer()->caseSensitivity(), Qt::CaseInsensitive);
    EXPECT_EQ(PrintButton()->geometry(), QRect(362, 7, 75, 25));
    EXPECT_EQ(PrintButton()->text(), "Print");
    Printers()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), PrintButton());

    auto* options = window->findChild<QMenu*>("Options");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->title(), "&Options");
    EXPECT_TRUE(options->menuAction()->isChecked());
    EXPECT_EQ(window->menuBar()->actions(), QList<QAction*>{options->menuAction()});
    EXPECT_EQ(options->actions(), (QList<QAction*>{MinimalPage(), window->findChild<QAction*>("PrinterStatus")}));
    EXPECT_EQ(MinimalPage()->text(), "&Minimal Page");
    EXPECT_TRUE(MinimalPage()->isCheckable());
}

TEST_F(MainWindow, StartsWithTheQueuesReversedAndTheDefaultSelected)
{
    EXPECT_TRUE(startupBoxes.empty());
    EXPECT_EQ(Items(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(Printers()->currentIndex(), 1);
    EXPECT_EQ(Printers()->currentText(), "B");
}

TEST_F(MainWindowWithoutDefault, ShowsTheSystemErrorFirstThenTheQueuesAndTheStoredText)
{
    ASSERT_EQ(startupBoxes.size(), 1u);
    const ShownBox& box = startupBoxes[0];
    EXPECT_EQ(box.kind, "error");
    EXPECT_EQ(box.caption, Messages::ApplicationTitle());
    EXPECT_EQ(box.text.rfind("System Error.  Code: ", 0), 0u) << box.text;
    const auto lineBreak = box.text.find('\n');
    ASSERT_NE(lineBreak, std::string::npos);
    EXPECT_EQ(box.text[lineBreak - 1], '.');
    EXPECT_EQ(box.text.back(), '.');
    EXPECT_EQ(box.otherVisibleWindows, 0);  // before the window is shown

    EXPECT_EQ(Items(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(Printers()->currentIndex(), -1);
    EXPECT_EQ(Printers()->currentText(), "cboPrinters");
}

TEST_F(MainWindow, AltOOpensOptionsAndMTogglesMinimalPage)
{
    auto* options = window->findChild<QMenu*>("Options");
    EXPECT_FALSE(MinimalPage()->isChecked());
    for (const bool checked : {true, false}) {
        QTest::keyClick(window.get(), Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(options->isVisible());
        QTest::keyClick(options, Qt::Key_M);
        EXPECT_FALSE(options->isVisible());
        EXPECT_EQ(MinimalPage()->isChecked(), checked);
    }
}

TEST_F(MainWindow, NamesItsControlsForAssistiveTechnology)
{
    // The printer box's edit field is what takes the focus.
    const std::pair<QWidget*, QString> named[] = {{Printers()->lineEdit(), "Printer"}, {PrintButton(), "Print"}};
    for (const auto& [widget, name] : named) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr) << name.toStdString();
        EXPECT_EQ(accessible->text(QAccessible::Name), name);
    }
}

TEST_F(MainWindow, CarriesTheProgramsIcon)
{
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48)})
        EXPECT_TRUE(sizes.contains(size)) << size.width();
}

TEST_F(MainWindow, PrintSendsTheFullPageAsOneJobAndLeavesNoFile)
{
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    const CapturedJob job = OnlyJob();
    EXPECT_EQ(job.queue, "B");
    EXPECT_EQ(job.title, Messages::kJobName);
    EXPECT_TRUE(job.data == Document("STATUS", "MYSTATUS")) << job.data.size() << " bytes";
    EXPECT_TRUE(temp->Files().empty());
}

TEST_F(MainWindow, MinimalPageShowsTheNoticeFirstAndSendsTheMinimalDocument)
{
    MinimalPage()->trigger();
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: The Minimal Status Page option is checked.\n"
                                                         "Only basic information will be displayed on the page.",
                                                         "information: Status Page successfully sent"}));
    const CapturedJob job = OnlyJob();
    EXPECT_TRUE(job.data == Document("MINSTATUS", "MYMINSTATUS")) << job.data.size() << " bytes";
    EXPECT_TRUE(temp->Files().empty());
}

TEST_F(MainWindow, UsesATypedNameAsTyped)
{
    TypePrinter("C");
    EXPECT_EQ(Printers()->currentText(), "C");
    PressPrint();
    EXPECT_EQ(OnlyJob().queue, "C");
}

TEST_F(MainWindow, AnUnknownOrEmptyPrinterFailsAtOpeningAndKeepsTheFile)
{
    std::size_t files = 0;
    for (const QString& name : {QStringLiteral("NoSuchQueue"), QString()}) {
        TypePrinter(name);
        PrintButton()->setFocus();
        closer->boxes.clear();
        PressPrint();
        ASSERT_EQ(closer->boxes.size(), 1u);
        const ShownBox& box = closer->boxes[0];
        EXPECT_EQ(box.kind, "error");
        EXPECT_EQ(box.caption, Messages::ApplicationTitle());
        EXPECT_EQ(box.text.rfind("Error opening printer", 0), 0u) << box.text;
        EXPECT_EQ(box.otherVisibleWindows, 1);
        EXPECT_EQ(box.otherEnabledWindows, 0);  // the window is disabled under the box
        EXPECT_EQ(temp->Files().size(), ++files);
        EXPECT_EQ(temp->Files().back().rfind("ps", 0), 0u);
        EXPECT_TRUE(window->isEnabled());
        // Activation comes back through the window system's queue.
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        EXPECT_EQ(QApplication::focusWidget(), PrintButton());
    }
    EXPECT_TRUE(server->JobIds().empty());

    // Still usable: the next Print with a real name succeeds.
    TypePrinter("A");
    closer->boxes.clear();
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    EXPECT_EQ(OnlyJob().queue, "A");
}

// A printer by its address: Ghostscript's page through the window, then a
// printer that answers a PostScript error and an address nobody can use,
// each an error box in its step's words with the file kept.
TEST_F(MainWindow, AddressesPrintOrFailInTheirStepAndKeepTheFile)
{
    AppSocketTestPrinter printer;
    AppSocketTestPrinter refusing("error");
    // The printers' own folders are in the same temporary directory.
    const auto jobFiles = [this] {
        std::size_t n = 0;
        for (const std::string& name : temp->Files()) n += name.rfind("ps", 0) == 0;
        return n;
    };
    TypePrinter(QString::fromStdString(printer.Address()));
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    EXPECT_EQ(jobFiles(), 0u);
    EXPECT_TRUE(std::filesystem::exists(printer.OutDir() + "/AppSocket-Job-1.png"));

    const std::vector<std::pair<std::string, std::string>> failures{
        {refusing.Address(), "Error sending print job: Error code 8: %%[ Error: undefined; "},
        {"gopher://printer", "Error opening printer: Error code 22: the address scheme \"gopher://\""},
    };
    std::size_t files = 0;
    for (const auto& [address, start] : failures) {
        TypePrinter(QString::fromStdString(address));
        closer->boxes.clear();
        PressPrint();
        ASSERT_EQ(closer->boxes.size(), 1u);
        EXPECT_EQ(closer->boxes[0].kind, "error");
        EXPECT_EQ(closer->boxes[0].text.rfind(start, 0), 0u) << closer->boxes[0].text;
        EXPECT_EQ(jobFiles(), ++files);
        EXPECT_TRUE(window->isEnabled());
    }
    EXPECT_TRUE(server->JobIds().empty());
}

TEST_F(MainWindow, AnUnusableTemporaryDirectoryIsReportedAsInformationAndPrintsNothing)
{
    {
        ScopedTmpDirValue missing(temp->Path() + "/does-not-exist");
        PressPrint();
    }
    ASSERT_EQ(closer->boxes.size(), 1u);
    EXPECT_EQ(closer->boxes[0].kind, "information");
    EXPECT_EQ(closer->boxes[0].text, "Could not write temporary file to disk. Aborting operation.");
    EXPECT_TRUE(server->JobIds().empty());

    closer->boxes.clear();
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    EXPECT_EQ(OnlyJob().queue, "B");
}

TEST_F(MainWindow, AStoppedServerGivesAnErrorBoxAndTheWindowRecovers)
{
    server->Stop();
    // The window is disabled under each box; the second press only comes
    // through if the first box gave the window back its input.
    for (std::size_t press = 1; press <= 2; ++press) {
        PressPrint();
        ASSERT_EQ(closer->boxes.size(), press);
        EXPECT_EQ(closer->boxes.back().kind, "error");
        EXPECT_EQ(closer->boxes.back().otherEnabledWindows, 0);
        EXPECT_EQ(temp->Files().size(), press);
    }
}

// ---- the printers that take no PostScript ---------------------------------

// A driverless queue of a printer that takes PWG Raster and PDF only: the
// question comes first, Cancel its default, before any file exists; Cancel
// sends nothing, Send Anyway the page as it is (its device then switched
// to one that keeps the bytes: the printer itself refuses PostScript).
TEST_F(MainWindow, AsksBeforeSendingToAPrinterThatTakesNoPostScript)
{
    const IppTestPrinter printer = IppTestPrinter::EveFormats("image/pwg-raster,application/pdf");
    server->AddQueue("Driverless", {"-E", "-v", printer.Uri(), "-m", "everywhere"});
    const std::string question =
        "question: Driverless does not take PostScript (it takes: PDF, PWG Raster). Sent anyway, the page would "
        "print as text or not at all. Send anyway?";
    // The printer's own folder is in the same temporary directory.
    const auto jobFiles = [this] {
        std::size_t n = 0;
        for (const std::string& name : temp->Files()) n += name.rfind("ps", 0) == 0;
        return n;
    };
    QAbstractButton* send = nullptr;
    std::size_t filesMeanwhile = 1;
    closer->action = [&](QDialog& box, const ShownBox& shown) {
        auto& message = static_cast<QMessageBox&>(box);
        EXPECT_EQ(shown.caption, Messages::ApplicationTitle());
        EXPECT_EQ(message.defaultButton(), message.button(QMessageBox::Cancel));
        EXPECT_EQ(message.escapeButton(), message.button(QMessageBox::Cancel));
        for (QAbstractButton* button : message.buttons())
            if (button->text() == QString::fromLatin1(Messages::kSendAnyway)) send = button;
        filesMeanwhile = jobFiles();
    };
    TypePrinter("Driverless");
    MinimalPage()->trigger();
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{question}));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(filesMeanwhile, 0u);
    EXPECT_TRUE(server->JobIds().empty());
    EXPECT_EQ(jobFiles(), 0u);

    server->AddQueue("Driverless", {"-v", "capture:/"});
    MinimalPage()->trigger();
    closer->boxes.clear();
    closer->action = [](QDialog& box, const ShownBox& shown) {
        if (shown.kind == "question") static_cast<QMessageBox&>(box).buttons().first()->click();
    };
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{question, "information: Status Page successfully sent"}));
    const CapturedJob job = OnlyJob();
    EXPECT_EQ(job.queue, "Driverless");
    EXPECT_TRUE(job.data == Document("STATUS", "MYSTATUS")) << job.data.size() << " bytes";
    EXPECT_EQ(jobFiles(), 0u);
}

// A queue with a PostScript printer's PPD, and a raw queue whose device
// answers neither SNMP nor IPP: no question, the page as today. (The raw
// queues A, B and C, whose device cannot be asked, are the other tests'.)
TEST_F(MainWindow, APostScriptQueueOrAnUnknownPrinterGetsThePageWithoutAQuestion)
{
    server->AddQueue("Laser", {"-E", "-v", "capture:/", "-m", "drv:///sample.drv/generic.ppd"});
    TypePrinter("Laser");
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    const CapturedJob job = OnlyJob();
    EXPECT_EQ(job.queue, "Laser");
    EXPECT_TRUE(job.data == Document("STATUS", "MYSTATUS")) << job.data.size() << " bytes";

    const AppSocketTestPrinter device("capture");
    server->AddQueue("Unknown", {"-E", "-v", device.Address(), "-m", "raw"});
    TypePrinter("Unknown");
    closer->boxes.clear();
    PressPrint();
    EXPECT_EQ(closer->Texts(), (std::vector<std::string>{"information: Status Page successfully sent"}));
    const std::string done = device.OutDir() + "/AppSocket-Job-1.done";
    for (int tries = 0; tries < 300 && !std::filesystem::exists(done); ++tries) QTest::qWait(100);
    std::ifstream data(device.OutDir() + "/AppSocket-Job-1.data", std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(data), {}) == Document("STATUS", "MYSTATUS"));
}

// ---- the catch point around every event -----------------------------------

class Thrower : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw SysUtils::EOSError("Raised in an event handler", 5);
        return QObject::event(e);
    }
};

TEST(EventGuard, ReportsAnExceptionFromAnyEventAndGoesOn)
{
    ModalCloser closer;
    Thrower thrower;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(closer.Texts(),
              (std::vector<std::string>{"error: Raised in an event handler.", "error: Raised in an event handler."}));
}

TEST(ErrorBox, IsAStopBoxWithOneOkAndNothingForEAbort)
{
    ModalCloser closer;
    closer.action = [](QDialog& dialog, const ShownBox&) {
        auto& box = static_cast<QMessageBox&>(dialog);
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
    };
    Presenter().ReportError(SysUtils::Exception("<b>Is it?</b> Really?"));
    Presenter().ReportError(SysUtils::EAbort("silent"));
    Presenter().ReportError(SysUtils::Exception("Stop!"));
    EXPECT_EQ(closer.Texts(), (std::vector<std::string>{"error: <b>Is it?</b> Really?.", "error: Stop!"}));
}

}  // namespace
