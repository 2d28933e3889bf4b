// SPDX-License-Identifier: Apache-2.0
// The toolkit-neutral parts of the application: the information dialog's
// geometry and copy text, the text-file writer, and the catch-point guard.
#include <gtest/gtest.h>

#include "PrivateTempDir.h"
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "FilePrimitives.h"
#include "InformationDialog.h"
#include "Presenter.h"
#include "SysUtils.h"
#include "TextFile.h"

namespace fs = std::filesystem;
using namespace AppCore;

namespace {

// ---- information dialog ---------------------------------------------------

TEST(InformationLayout, RoundsEveryMeasureToNearest)
{
    EXPECT_EQ(MulDivRounded(50, 7, 4), 88);   // 87.5
    EXPECT_EQ(MulDivRounded(10, 13, 8), 16);  // 16.25
    EXPECT_EQ(MulDivRounded(14, 13, 8), 23);  // 22.75
    EXPECT_EQ(MulDivRounded(-50, 7, 4), -88);
    EXPECT_EQ(DialogUnitsFromMetrics(363, 13).w, 6);  // 6.98 truncated, not rounded
}

TEST(InformationLayout, PlacesTextAndCentresTheButtonRow)
{
    const TInformationDialogLayout layout = LayoutInformationDialog({6, 13}, {200, 26}, {12});
    // Margins 12 and 13, spacing 16, button 75 x 23.
    EXPECT_EQ(layout.text, (TRect{12, 13, 200, 26}));
    EXPECT_EQ(layout.client, (TSize{224, 91}));
    ASSERT_EQ(layout.buttons.size(), 1u);
    EXPECT_EQ(layout.buttons[0], (TRect{74, 55, 75, 23}));  // (224 - 75) / 2 = 74.5, remainder dropped
}

TEST(InformationLayout, ButtonRowWidensANarrowTextAndLongCaptionsWidenButtons)
{
    const TInformationDialogLayout narrow = LayoutInformationDialog({7, 16}, {40, 16}, {14});
    EXPECT_EQ(narrow.buttons[0].width, 88);
    EXPECT_EQ(narrow.client.width, 88 + 2 * 14);
    EXPECT_EQ(narrow.buttons[0].left, 14);

    const TInformationDialogLayout wide = LayoutInformationDialog({6, 13}, {300, 13}, {100, 20});
    ASSERT_EQ(wide.buttons.size(), 2u);
    EXPECT_EQ(wide.buttons[0].width, 108);
    // Row 108 + 6 + 108 = 222, centred in 324.
    EXPECT_EQ(wide.buttons[0].left, 51);
    EXPECT_EQ(wide.buttons[1].left, 51 + 108 + 6);
}

TEST(InformationLayout, WrapsAtHalfTheScreenAndCentres)
{
    EXPECT_EQ(MessageWrapWidth(1025), 512);
    EXPECT_EQ(CentreIn({0, 0, 1024, 768}, {225, 91}), (TRect{399, 338, 225, 91}));
    EXPECT_EQ(CentreIn({1920, 0, 1280, 1024}, {200, 100}), (TRect{1920 + 540, 462, 200, 100}));
}

TEST(InformationCopy, FramesCaptionMessageAndButtonsWithDividers)
{
    const std::string divider = "---------------------------\r\n";
    EXPECT_EQ(InformationCopyText("Quellmarkexec", "Line one\r\nLine two", {"&OK"}),
              divider + "Quellmarkexec\r\n" + divider + "Line one\r\nLine two\r\n" + divider + "OK   \r\n" + divider);
    EXPECT_EQ(InformationCopyText("T", "", {"&Yes", "N&&o"}),
              divider + "T\r\n" + divider + "\r\n" + divider + "Yes   No   \r\n" + divider);
}

// ---- text file ------------------------------------------------------------

// Records what the writer asks of the file system and fails on request.
class FakeFiles final : public OsUtils::FilePrimitives {
public:
    int openError = 0;
    std::deque<long long> writeResults;  // -1 fails with writeError; empty = all written
    int writeError = 0;
    int closeError = 0;
    std::vector<std::size_t> writes;
    std::string data;
    int opens = 0;
    int closes = 0;

    OsUtils::FileHandle OpenForWrite(const std::string&, int& error) override
    {
        ++opens;
        if (openError) {
            error = openError;
            return OsUtils::kInvalidFileHandle;
        }
        return 7;
    }
    long long Write(OsUtils::FileHandle, const char* bytes, std::size_t count, int& error) override
    {
        writes.push_back(count);
        long long result = static_cast<long long>(count);
        if (!writeResults.empty()) {
            result = writeResults.front();
            writeResults.pop_front();
        }
        if (result < 0) {
            error = writeError;
            return -1;
        }
        data.append(bytes, static_cast<std::size_t>(result));
        return result;
    }
    // The text-file writer never reads.
    OsUtils::FileHandle OpenForRead(const std::string&, int& error) override
    {
        error = 1;
        return OsUtils::kInvalidFileHandle;
    }
    long long Read(OsUtils::FileHandle, char*, std::size_t, int& error) override
    {
        error = 1;
        return -1;
    }
    bool Close(OsUtils::FileHandle, int& error) override
    {
        ++closes;
        if (closeError) {
            error = closeError;
            return false;
        }
        return true;
    }
    bool Delete(const std::string&) override { return true; }
    bool Identify(OsUtils::FileHandle, OsUtils::FileIdentity& identity, int&) override
    {
        identity = OsUtils::FileIdentity{1, 2};
        return true;
    }
    bool Truncate(OsUtils::FileHandle, int&) override { return true; }
};

int RaisedCode(FakeFiles& files, std::string_view text, std::string* message = nullptr)
{
    try {
        WriteTextFile(files, "/x/ps1.ps", text);
    } catch (const SysUtils::EInOutError& e) {
        if (message) *message = e.Message();
        return e.Code();
    }
    return 0;
}

TEST(TextFileWriter, GoesToDiskIn128ByteBlocksAndAtClosing)
{
    FakeFiles files;
    const std::string text(300, 'x');
    EXPECT_EQ(RaisedCode(files, text), 0);
    EXPECT_EQ(files.writes, (std::vector<std::size_t>{128, 128, 44}));
    EXPECT_EQ(files.data, text);
    EXPECT_EQ(files.closes, 1);

    FakeFiles exact;
    EXPECT_EQ(RaisedCode(exact, std::string(256, 'y')), 0);
    EXPECT_EQ(exact.writes, (std::vector<std::size_t>{128, 128}));

    FakeFiles empty;
    EXPECT_EQ(RaisedCode(empty, ""), 0);
    EXPECT_TRUE(empty.writes.empty());
    EXPECT_EQ(empty.closes, 1);
}

TEST(TextFileWriter, RaisesTheOsCodeAtOpenWriteAndCloseAndReleasesTheHandle)
{
    std::string message;
    FakeFiles denied;
    denied.openError = EACCES;
    EXPECT_EQ(RaisedCode(denied, "abc", &message), EACCES);
    EXPECT_EQ(message, "File access denied");
    EXPECT_EQ(denied.closes, 0);

    FakeFiles full;
    full.writeResults = {128, -1};
    full.writeError = ENOSPC;
    EXPECT_EQ(RaisedCode(full, std::string(1000, 'z'), &message), ENOSPC);
    EXPECT_EQ(message, "I/O error 28");
    EXPECT_EQ(full.writes.size(), 2u);  // stops at the failed block
    EXPECT_EQ(full.closes, 1);

    FakeFiles failedClose;
    failedClose.closeError = EIO;
    EXPECT_EQ(RaisedCode(failedClose, "abc", &message), EIO);
    EXPECT_EQ(message, "I/O error 5");
    EXPECT_EQ(failedClose.closes, 1);

    // Network errors of a temporary directory on a network file system keep
    // their own number, not the text of the layer's code of that number.
    for (const int code : {ENETDOWN, ENETUNREACH, EISCONN}) {
        FakeFiles network;
        network.writeResults = {-1};
        network.writeError = code;
        EXPECT_EQ(RaisedCode(network, std::string(200, 'n'), &message), code);
        EXPECT_EQ(message, SysUtils::Format("I/O error %d", code));
    }

    // The last block fails only when the file is closed: a closing error.
    FakeFiles lastBlock;
    lastBlock.writeResults = {-1};
    lastBlock.writeError = ENOSPC;
    EXPECT_EQ(RaisedCode(lastBlock, "abc"), ENOSPC);
    EXPECT_EQ(lastBlock.closes, 1);
}

TEST(TextFileWriter, AShortWriteIsADiskFull)
{
    FakeFiles files;
    files.writeResults = {100};
    std::string message;
    EXPECT_EQ(RaisedCode(files, std::string(200, 'q'), &message), 101);
    EXPECT_EQ(message, "Disk full");
    EXPECT_EQ(files.closes, 1);
}

class TextFileOnDisk : public PrivateTempDir {
protected:
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(TextFileOnDisk, TruncatesAndWritesByteForByte)
{
    const fs::path file = dir_ / "ps1.ps";
    std::ofstream(file) << std::string(5000, '#');
    std::string text;
    for (int c = 1; c < 256; ++c) text += static_cast<char>(c);
    text += "\r\nend\r\n";
    WriteTextFile(file.string(), text);
    EXPECT_EQ(Read(file), text);
}

TEST_F(TextFileOnDisk, NeverWritesThroughASymbolicLink)
{
    const fs::path target = dir_ / "target";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, dir_ / "ps2.ps");
    EXPECT_THROW(WriteTextFile((dir_ / "ps2.ps").string(), "overwritten"), SysUtils::EInOutError);
    EXPECT_EQ(Read(target), "keep");
}

// The temporary file's name, swapped after its creation in a shared
// directory, must not lead the writer to another file.
TEST_F(TextFileOnDisk, ANameSwappedAfterCreationIsRefusedAndTheOtherFileKept)
{
    const fs::path victim = dir_ / "victim";
    std::ofstream(victim) << "keep";
    const struct {
        const char* swap;
        int code;
    } cases[] = {{"none", 0}, {"hard link", EEXIST}, {"symbolic link", ELOOP}, {"fifo", ENXIO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.swap);
        std::string name;
        OsUtils::FileIdentity created;
        ASSERT_TRUE(OsUtils::CreateUniqueFileName(dir_.string(), "ps", "ps", name, &created));
        const std::string swap = c.swap;
        if (swap != "none") fs::remove(name);
        if (swap == "hard link") fs::create_hard_link(victim, name);
        if (swap == "symbolic link") fs::create_symlink(victim, name);
        if (swap == "fifo") {
            ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
        }
        try {
            WriteTextFile(name, "written", &created);
            EXPECT_EQ(c.code, 0);
            EXPECT_EQ(Read(name), "written");
        } catch (const SysUtils::EInOutError& e) {
            EXPECT_EQ(e.Code(), c.code) << e.Message();
        }
        EXPECT_EQ(Read(victim), "keep");
    }
}

TEST_F(TextFileOnDisk, AMissingFolderIsFileNotFound)
{
    try {
        WriteTextFile((dir_ / "no" / "ps3.ps").string(), "x");
        FAIL() << "no exception";
    } catch (const SysUtils::EInOutError& e) {
        EXPECT_EQ(e.Code(), ENOENT);
        EXPECT_EQ(e.Message(), "File not found");
    }
}

// ---- catch points ---------------------------------------------------------

class RecordingPresenter final : public IPresenter {
public:
    std::vector<std::string> shown;
    std::vector<std::string> classes;
    void ShowInformation(const std::string& text) override { shown.push_back(text); }
    void ReportError(const SysUtils::Exception& error) override
    {
        shown.push_back(error.Message());
        classes.push_back(error.ClassName());
    }
    bool AskSendAnyway(const std::string& question) override
    {
        shown.push_back(question);
        return false;
    }
};

TEST(CatchPoint, ReportsEveryKindOfExceptionAndTellsWhetherOneOccurred)
{
    RecordingPresenter presenter;
    EXPECT_TRUE(RunGuarded(presenter, [] {}));
    EXPECT_FALSE(RunGuarded(presenter, [] { throw SysUtils::EOSError("Error opening printer: x", 1030); }));
    EXPECT_FALSE(RunGuarded(presenter, [] { throw std::runtime_error("plain"); }));
    EXPECT_FALSE(RunGuarded(presenter, [] { throw 42; }));
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{"Error opening printer: x", "plain", "External exception"}));
    EXPECT_EQ(presenter.classes, (std::vector<std::string>{"EOSError", "Exception", "Exception"}));
}

TEST(CatchPoint, ErrorBoxTextAppliesThePeriodRuleAndSilencesEAbort)
{
    EXPECT_EQ(ErrorBoxText(SysUtils::EResNotFound("Resource STATUS not found")), "Resource STATUS not found.");
    EXPECT_EQ(ErrorBoxText(SysUtils::EAssertionFailed("x (PrinterUtils, line 3)")), "x (PrinterUtils, line 3)");
    EXPECT_EQ(ErrorBoxText(SysUtils::Exception("")), "");
    EXPECT_EQ(ErrorBoxText(SysUtils::EAbort("quiet")), std::nullopt);
}

}  // namespace
