// SPDX-License-Identifier: Apache-2.0
// The raw-job algorithm on arbitrary printer names, file lists and failure
// points, against a recording fake transport. Checks what must hold on every
// path: every handle released once, in reverse order of acquisition, the
// document ended before the printer is closed, the bytes sent equal the
// files' bytes in list order, and a failure surfaces as EOSError only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "OsUtils.h"
#include "PrinterUtils.h"
#include "FilePrimitives.h"
#include "JobTransport.h"
#include "SysUtils.h"

namespace {

using namespace PrinterUtils;

void Require(bool ok)
{
    if (!ok) std::abort();
}

// One job's transport and its input files, checking the order of every
// call against what is held.
class RecordingJob final : public JobTransport, public OsUtils::FilePrimitives {
public:
    std::map<std::string, std::string> files;
    int failAtCall = -1;            // the n-th primitive call fails
    std::vector<std::string> held;  // handles in order of acquisition
    std::string sent;
    std::string expected;  // bytes read from files, in order
    int openPages = 0;
    bool docOpen = false;
    bool printerOpen = false;

    bool Open(const TPrinterTarget& target) override
    {
        Require(!printerOpen);
        if (Fail() || target.name.empty()) return false;
        printerOpen = true;
        held.push_back("printer");
        return true;
    }
    std::uint32_t StartDocument(const std::string& doc, const std::string& type) override
    {
        Require(printerOpen && !docOpen && doc == "Corvane Status Page" && type == "RAW");
        if (Fail()) return 0;
        docOpen = true;
        held.push_back("doc");
        return 7;
    }
    bool StartPage() override
    {
        Require(docOpen);
        if (Fail()) return false;
        ++openPages;
        return true;
    }
    bool Write(const void* data, std::uint32_t size) override
    {
        Require(docOpen && openPages > 0 && size > 0 && size <= kTransferBufferSize);
        if (Fail()) return false;
        sent.append(static_cast<const char*>(data), size);
        return true;
    }
    bool EndPage() override
    {
        Require(openPages > 0);
        --openPages;
        return !Fail();
    }
    bool EndDocument() override
    {
        Require(docOpen && !held.empty() && held.back() == "doc");
        held.pop_back();
        docOpen = false;
        return true;
    }
    bool Close() override
    {
        Require(!docOpen && held.size() == 1 && held.back() == "printer");
        held.pop_back();
        printerOpen = false;
        return true;
    }
    OsUtils::FileHandle OpenForRead(const std::string& name, int& error) override
    {
        Require(docOpen && held.back() == "doc");
        const auto it = files.find(name);
        if (Fail() || it == files.end()) {
            error = 2;
            return OsUtils::kInvalidFileHandle;
        }
        current_ = it->second;
        offset_ = 0;
        held.push_back("file");
        return 3;
    }
    long long Read(OsUtils::FileHandle file, char* buffer, std::size_t size, int& error) override
    {
        Require(file == 3 && held.back() == "file" && size == kTransferBufferSize);
        if (Fail()) {
            error = 5;
            return -1;
        }
        const std::size_t read = std::min(size, current_.size() - offset_);
        current_.copy(buffer, read, offset_);
        expected.append(current_, offset_, read);
        offset_ += read;
        return static_cast<long long>(read);
    }
    bool Close(OsUtils::FileHandle file, int&) override
    {
        Require(file == 3 && !held.empty() && held.back() == "file");
        held.pop_back();
        return true;
    }
    // A job only reads files.
    OsUtils::FileHandle OpenForWrite(const std::string&, int&) override { return Unexpected(); }
    bool Identify(OsUtils::FileHandle, OsUtils::FileIdentity&, int&) override { return Unexpected(); }
    bool Truncate(OsUtils::FileHandle, int&) override { return Unexpected(); }
    long long Write(OsUtils::FileHandle, const char*, std::size_t, int&) override { return Unexpected(); }
    bool Delete(const std::string&) override { return Unexpected(); }

private:
    [[noreturn]] static int Unexpected() { std::abort(); }
    bool Fail()
    {
        if (calls_++ != failAtCall) return false;
        OsUtils::SetLastOSError(5);
        return true;
    }
    int calls_ = 0;
    std::string current_;
    std::size_t offset_ = 0;
};

}  // namespace

// Input: one control byte (failure point), then NUL-separated fields: the
// printer name, the file list text, and the contents of the listed files in
// order (a missing field leaves that file absent).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    RecordingJob spooler;
    spooler.failAtCall = data[0] == 0xFF ? -1 : data[0];
    std::vector<std::string> fields;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (;;) {
        const auto nul = rest.find('\0');
        fields.emplace_back(rest.substr(0, nul));
        if (nul == std::string_view::npos) break;
        rest.remove_prefix(nul + 1);
    }
    const std::string printer = fields[0];
    const std::string list = fields.size() > 1 ? fields[1] : std::string();
    SysUtils::TStringList names;
    names.SetText(list);
    for (int i = 0; i < names.Count() && static_cast<std::size_t>(i) + 2 < fields.size(); ++i)
        spooler.files.emplace(names[i], fields[static_cast<std::size_t>(i) + 2]);

    bool raised = false;
    try {
        PrinterUtils::PrintFiles(spooler, spooler, PrinterUtils::ParsePrinterTarget(printer), list,
                                 "Corvane Status Page");
    } catch (const SysUtils::EOSError& e) {
        raised = true;
        Require(e.Message().find(": Error code ") != std::string::npos);
    }
    // Everything acquired was released, whatever happened.
    Require(spooler.held.empty() && !spooler.docOpen && !spooler.printerOpen);
    if (!raised) Require(spooler.openPages == 0);
    Require(spooler.sent.size() <= spooler.expected.size());
    Require(spooler.expected.compare(0, spooler.sent.size(), spooler.sent) == 0);
    if (!raised) Require(spooler.sent == spooler.expected);
    return 0;
}
