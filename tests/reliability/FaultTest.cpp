// SPDX-License-Identifier: Apache-2.0
// Failures a real desk sees, through the real window on Qt's offscreen
// platform against a private print server: each shows its exact text, leaves
// the window usable, keeps or removes the temporary file as its path says,
// leaks no file descriptor, and the next Print succeeds.
#include <gtest/gtest.h>
#include <cups/cups.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>

#include "CupsTestServer.h"
#include "GuiTestSupport.h"
#include "HungServer.h"
#include "SystemUser.h"
#include "Messages.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"
#include "Resources.h"
#include "SysUtils.h"

namespace QuellmarkTest {
TQtPresenter& Presenter();
}

using namespace QuellmarkTest;
namespace fs = std::filesystem;

namespace {

int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

const std::string& StatusDocument()
{
    static const std::string bytes(Resources::TResourceStream("STATUS", "MYSTATUS").Bytes());
    return bytes;
}

// A tmpfs of the given size mounted on a fresh directory (read-only when
// asked); unmounted and removed at the end. Mounting needs privileges.
class ScopedTmpfs {
public:
    ScopedTmpfs(const std::string& dir, const std::string& options) : dir_(dir)
    {
        fs::create_directories(dir_);
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~ScopedTmpfs()
    {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    bool Mounted() const { return mounted_; }
    void RemountReadOnly()
    {
        mounted_ = mounted_ && ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

class Fault : public ::testing::Test {
protected:
    void StartServer()
    {
        // The scheduler must not inherit the test's private TMPDIR: its
        // backends run as another user.
        ScopedTmpDirValue tmpdir("/tmp");
        server = std::make_unique<CupsTestServer>();
        server->AddLocalQueue("Office");
        server->AddLocalQueue("Lab");
        server->SetServerDefault("Office");
    }
    void OpenWindow()
    {
        closer = std::make_unique<ModalCloser>();
        window = std::make_unique<TQuellmarkX>(Presenter());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        startupBoxes = closer->Texts();
        closer->boxes.clear();
    }
    void SetUp() override
    {
        temp = std::make_unique<ScopedTempDir>();
        if (startServer) StartServer();
        OpenWindow();
    }
    void TearDown() override
    {
        window.reset();
        closer.reset();
        server.reset();
        temp.reset();
    }

    QComboBox* Printers() const { return window->findChild<QComboBox*>("cboPrinters"); }
    void Type(const QString& name) { Printers()->lineEdit()->setText(name); }
    // Presses Print and returns the boxes it showed.
    std::vector<std::string> Print()
    {
        closer->boxes.clear();
        QTest::mouseClick(window->findChild<QPushButton*>("btnPrint"), Qt::LeftButton);
        return closer->Texts();
    }
    // A successful Print: the success box, one more job with the document's
    // bytes on the queue, and no file left behind.
    void ExpectPrintSucceeds(const std::string& queue)
    {
        const std::size_t jobsBefore = server->JobIds().size();
        const std::size_t filesBefore = temp->Files().size();
        EXPECT_EQ(Print(), (std::vector<std::string>{"information: Status Page successfully sent"}));
        const std::vector<int> ids = server->JobIds();
        ASSERT_EQ(ids.size(), jobsBefore + 1);
        EXPECT_EQ(server->WaitForJob(ids.back()), 9);
        const auto job = server->CapturedJob(ids.back());
        ASSERT_TRUE(job);
        EXPECT_EQ(job->queue, queue);
        EXPECT_TRUE(job->data == StatusDocument());
        EXPECT_EQ(temp->Files().size(), filesBefore);
        EXPECT_TRUE(window->isEnabled());
    }
    void ExpectErrorBox(const std::vector<std::string>& shown, const std::string& prefix)
    {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind("error: " + prefix, 0), 0u) << shown[0];
        EXPECT_TRUE(window->isEnabled());
    }

    bool startServer = true;
    std::unique_ptr<ScopedTempDir> temp;
    std::unique_ptr<CupsTestServer> server;
    std::unique_ptr<ModalCloser> closer;
    std::unique_ptr<TQuellmarkX> window;
    std::vector<std::string> startupBoxes;
};

class FaultServerDownAtStart : public Fault {
protected:
    void SetUp() override
    {
        startServer = false;
        // A socket nobody listens on: the window starts against a dead server.
        ::cupsSetServer((fs::temp_directory_path() / "quellmark-no-server.sock").c_str());
        Fault::SetUp();
    }
};

TEST_F(FaultServerDownAtStart, ErrorBoxThenEmptyListThenPrintFailsAtOpeningUntilTheServerIsBack)
{
    ASSERT_EQ(startupBoxes.size(), 1u);
    EXPECT_EQ(startupBoxes[0].rfind("error: System Error.  Code: 1282.\n", 0), 0u) << startupBoxes[0];
    EXPECT_EQ(Printers()->count(), 0);
    EXPECT_EQ(Printers()->currentText(), "cboPrinters");

    const int fds = OpenDescriptors();
    ExpectErrorBox(Print(), "Error opening printer: Error code 1282: ");
    EXPECT_EQ(temp->Files().size(), 1u);  // kept: the job never started
    EXPECT_EQ(OpenDescriptors(), fds);

    StartServer();
    Type("Office");
    ExpectPrintSucceeds("Office");
}

class FaultServerHangsAtStart : public Fault {
protected:
    void SetUp() override
    {
        startServer = false;
        ::cupsSetServer(hung.Address().c_str());
        Fault::SetUp();
    }
    void TearDown() override
    {
        Fault::TearDown();
        ::cupsSetServer(nullptr);
    }
    HungServer hung;
};

TEST_F(FaultServerHangsAtStart, ErrorBoxNamesTheServerThenTheWindowThenPrintFailsAtOpening)
{
    const std::string reason = "The print server " + hung.Address() + " cannot be reached: Connection timed out";
    EXPECT_EQ(startupBoxes, (std::vector<std::string>{"error: System Error.  Code: 1282.\n" + reason + "."}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Printers()->count(), 0);
    Type("Office");
    EXPECT_EQ(Print(), (std::vector<std::string>{"error: Error opening printer: Error code 1282: " + reason + "."}));
    EXPECT_TRUE(window->isEnabled());
}

// A queue whose jobs need a real user's password, reached over TCP so the
// server asks with Basic authentication.
class FaultPassword : public Fault {
protected:
    void SetUp() override
    {
        Fault::SetUp();
        server->AddPasswordQueue("Secure");
        ::cupsSetServer(("127.0.0.1:" + std::to_string(server->Port())).c_str());
        Type("Secure");
    }
    void TearDown() override
    {
        Fault::TearDown();
        ::cupsSetServer(nullptr);
    }
    SystemUser user;
};

TEST_F(FaultPassword, TheDialogAsksTheServerDecidesAndTheRunRemembers)
{
    const std::string refused = "error: Error starting print job: Error code 1026: Unauthorized.";
    const std::string sent = "information: Status Page successfully sent";
    const struct {
        const char* name;
        std::vector<std::string> answers;  // one per dialog: "right", "wrong" or "cancel"
        std::string result;
    } cases[] = {
        {"cancel", {"cancel"}, refused},
        {"wrong, then cancel", {"wrong", "cancel"}, refused},
        {"right", {"right"}, sent},
        {"remembered for the run", {}, sent},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t asked = 0;
        closer->action = [&](QDialog& box, const ShownBox& shown) {
            if (shown.kind != "credentials") return;
            EXPECT_EQ(shown.text, "The print server 127.0.0.1 asks for a user name and password.");
            const std::string answer = asked < c.answers.size() ? c.answers[asked] : "cancel";
            ++asked;
            if (answer == "cancel") return box.reject();
            box.findChild<QLineEdit*>("user")->setText(QString::fromStdString(user.name));
            box.findChild<QLineEdit*>("password")
                ->setText(QString::fromStdString(answer == "right" ? user.password : user.password + "x"));
            box.accept();
        };
        const std::size_t jobsBefore = server->JobIds().size();
        const std::vector<std::string> shown = Print();
        EXPECT_EQ(asked, c.answers.size());
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), c.result);
        const std::vector<int> ids = server->JobIds();
        if (c.result == sent) {
            ASSERT_EQ(ids.size(), jobsBefore + 1);
            EXPECT_EQ(server->WaitForJob(ids.back()), 9);
            EXPECT_EQ(server->JobAttributes(ids.back()).at("job-originating-user-name"), user.name);
        } else {
            EXPECT_EQ(ids.size(), jobsBefore);
        }
    }
}

TEST_F(Fault, QueueRejectingAfterStartUpFailsAtStartingTheJob)
{
    ExpectPrintSucceeds("Office");  // warm-up: libcups' connection is open from here on
    const int fds = OpenDescriptors();
    ASSERT_EQ(server->Run({"cupsreject", "Office"}), 0);
    ExpectErrorBox(Print(), "Error starting print job: Error code 1286: ");
    EXPECT_EQ(temp->Files().size(), 1u);
    EXPECT_EQ(OpenDescriptors(), fds);
    ASSERT_EQ(server->Run({"cupsaccept", "Office"}), 0);
    ExpectPrintSucceeds("Office");
}

// What the box holds reaches the right queue: a Latin-1 name chosen from
// the list or typed as shown, and an lpoptions instance, which prints to
// its queue.
TEST_F(Fault, NamesReachTheirQueue)
{
    server->AddLocalQueue("Lat\xe9n");
    window.reset();
    OpenWindow();
    const QString shown = QString::fromUtf8("Lat\u00e9n");
    const int listed = Printers()->findText(shown);
    ASSERT_GE(listed, 0) << "the Latin-1 name is shown as Latin-1";
    const struct {
        const char* name;
        std::function<void()> choose;
        std::string queue;
    } cases[] = {
        {"chosen", [&] { Printers()->setCurrentIndex(listed); }, "Lat\xe9n"},
        {"typed", [&] { Type(shown); }, "Lat\xe9n"},
        {"instance", [&] { Type("Office/duplex"); }, "Office"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose();
        ExpectPrintSucceeds(c.queue);
    }
}

TEST_F(Fault, PrinterDeletedAfterStartUpFailsAtOpening)
{
    const int fds = OpenDescriptors();
    server->DeleteQueue("Office");
    ExpectErrorBox(Print(), "Error opening printer: Error code 1030: ");
    EXPECT_TRUE(server->JobIds().empty());
    EXPECT_LE(OpenDescriptors(), fds + 1);  // at most libcups' one cached connection
    Type("Lab");
    ExpectPrintSucceeds("Lab");
}

TEST_F(Fault, ReadOnlyTemporaryDirectoryIsReportedAndPrintsNothing)
{
    ScopedTmpfs ro(temp->Path() + "/ro", "size=64k");
    if (ro.Mounted()) {
        ro.RemountReadOnly();
    } else {
        // Without mounting rights the run is not root, so permissions hold.
        ASSERT_NE(::geteuid(), 0u) << "root without mounting rights cannot make a directory unwritable";
        fs::permissions(temp->Path() + "/ro", fs::perms::owner_read | fs::perms::owner_exec);
    }
    {
        ScopedTmpDirValue tmpdir(temp->Path() + "/ro");
        EXPECT_EQ(Print(), (std::vector<std::string>{"information: " + std::string(Messages::kTempFileFailed)}));
    }
    EXPECT_TRUE(server->JobIds().empty());
    ExpectPrintSucceeds("Office");
}

TEST_F(Fault, FullDiskWhileWritingRaisesTheIoErrorAndKeepsThePartialFile)
{
    const std::string dir = temp->Path() + "/small";
    ScopedTmpfs small(dir, "size=16k");
    std::vector<std::string> shown;
    if (small.Mounted()) {
        ScopedTmpDirValue tmpdir(dir);
        shown = Print();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], SysUtils::Format("error: I/O error %d.", ENOSPC));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    } else {
        // Without mounting rights, a file size limit stands in for the disk.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = 16384;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        shown = Print();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], SysUtils::Format("error: I/O error %d.", EFBIG));
        EXPECT_EQ(temp->Files().size(), 1u);
    }
    EXPECT_TRUE(server->JobIds().empty());
    EXPECT_TRUE(window->isEnabled());
    ExpectPrintSucceeds("Office");
}

TEST_F(Fault, PlantedLinksAndDirectoriesAtTheNextNamesAreSkippedNeverFollowed)
{
    // Cover the names the next few seconds of the millisecond counter give.
    const std::string victim = temp->Path() + "/victim";
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto tick = static_cast<std::uint32_t>(static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                                                 static_cast<unsigned long long>(now.tv_nsec) / 1000000ull);
    int planted = 0;
    for (std::uint32_t i = 0; i < 3000; ++i, ++planted) {
        const fs::path name = fs::path(temp->Path()) / SysUtils::Format("ps%X.ps", tick + i);
        if (i % 2)
            fs::create_directory(name);
        else
            fs::create_symlink(victim, name);
    }
    ExpectPrintSucceeds("Office");
    EXPECT_FALSE(fs::exists(victim)) << "a planted link was written through";
    EXPECT_EQ(static_cast<int>(temp->Files().size()), planted);  // all planted entries, nothing else
    for (const std::string& name : temp->Files()) {
        const fs::path path = fs::path(temp->Path()) / name;
        EXPECT_TRUE(fs::is_symlink(path) || (fs::is_directory(path) && fs::is_empty(path))) << name;
    }
}

}  // namespace
