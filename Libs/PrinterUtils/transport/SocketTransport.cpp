// SPDX-License-Identifier: Apache-2.0
// socket://HOST[:PORT]: a raw job over one TCP connection to the printer
// (AppSocket). Open connects (bounded); the job's bytes are sent as they
// come; ending the document half-closes the connection, so the printer
// reads the job's end; following the job reads the back channel until the
// printer closes it (the job is done) or the bound passes. A PostScript
// error message on the back channel aborts the job with the printer's
// words. Written once over the platform's TCP calls (SocketPrimitives.h).
//
// The connection is full duplex all along: whenever the printer stops
// taking data, what it has written is read, so a printer that talks (or
// floods) never stalls the job, and what is kept stays bounded.
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>

#include "OsUtils.h"
#include "BackChannel.h"
#include "JobTransport.h"
#include "PrinterBounds.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;

// One open connection to a printer and what it said so far.
struct SocketPrinter {
    SocketHandle socket = kNoSocket;
    std::string where;  // "HOST:PORT", for the error texts
    BackChannel backChannel;
    bool printerClosed = false;
};

// Puts the printer's address in front of the last error's text.
void Blame(const SocketPrinter& printer)
{
    const OsUtils::OSErrorInfo error = OsUtils::GetLastOSError();
    const std::string text = error.text ? *error.text : OsUtils::SysErrorText(error.code);
    OsUtils::SetLastOSError(error.code, printer.where + ": " + text);
}

bool Fail(const SocketPrinter& printer, int code, const std::string& text)
{
    OsUtils::SetLastOSError(code, printer.where + ": " + text);
    return false;
}

// Reads what the printer has written so far, without waiting; false when
// the connection failed.
bool Drain(SocketPrinter& printer)
{
    char buffer[4096];
    // A bounded number of reads, so that a flooding printer still lets the
    // caller look at its clock.
    for (int reads = 0; reads < 64; ++reads) {
        std::size_t received = 0;
        if (!SocketReceive(printer.socket, buffer, sizeof buffer, received, printer.printerClosed)) {
            Blame(printer);
            return false;
        }
        printer.backChannel.Append(buffer, received);
        if (received == 0 || printer.printerClosed) return true;
    }
    return true;
}

class SocketTransport final : public JobTransport {
public:
    ~SocketTransport() override { SocketClose(printer_.socket); }

    bool Open(const TPrinterTarget& target) override
    {
        printer_.where = target.HostAndPort();
        SocketHandle socket = kNoSocket;
        if (!SocketConnect(target.host, target.port, kConnectTimeoutMs, socket)) {
            Blame(printer_);
            return false;
        }
        printer_.socket = socket;
        return true;
    }

    // AppSocket carries no job name and no job id: the connection is the job.
    std::uint32_t StartDocument(const std::string&, const std::string&) override { return 1; }

    bool Write(const void* data, std::uint32_t size) override
    {
        SocketPrinter& printer = printer_;
        const char* bytes = static_cast<const char*>(data);
        std::uint32_t written = 0;
        while (written < size) {
            // Send first: while the printer keeps up, a block costs one call.
            std::size_t sent = 0;
            if (!SocketSend(printer.socket, bytes + written, size - written, sent)) {
                Blame(printer);
                return false;
            }
            written += static_cast<std::uint32_t>(sent);
            if (written == size) break;
            // The printer takes no more for now: wait for room, and read
            // what it says meanwhile, since a printer blocked on its own
            // output may stop reading until it is heard.
            bool readable = false;
            bool writable = false;
            if (!SocketPoll(printer.socket, true, kAnswerTimeoutMs, readable, writable)) {
                Blame(printer);
                return false;
            }
            if (!readable && !writable)
                return Fail(printer, kSocketTimedOutCode,
                            SysUtils::Format("the printer took no data for %d ms", kAnswerTimeoutMs));
            if (readable && !Drain(printer)) return false;
            // A printer that ends the connection before the job's end
            // dropped the rest of it.
            if (printer.printerClosed)
                return Fail(printer, kSocketResetCode, "the printer closed the connection before the end of the job");
        }
        return true;
    }

    bool EndDocument() override
    {
        SocketPrinter& printer = printer_;
        if (printer.printerClosed)
            return Fail(printer, kSocketResetCode, "the printer closed the connection before the end of the job");
        if (!SocketShutdownSend(printer.socket)) {
            Blame(printer);
            return false;
        }
        return true;
    }

    bool Follow(std::uint32_t, const TJobOptions& options, TJobOutcome& outcome) override
    {
        SocketPrinter& printer = printer_;
        outcome.jobId = 0;
        bool ok = true;
        if (!options.wait) {
            // Not followed: take what is already there and leave.
            ok = Drain(printer);
        } else {
            const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
            while (ok && !printer.printerClosed) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) {
                    outcome.timedOut = true;
                    outcome.message = SysUtils::Format("%s: the printer did not end the job within %d ms",
                                                       printer.where.c_str(), options.timeoutMs);
                    break;
                }
                bool readable = false;
                bool writable = false;
                ok = SocketPoll(printer.socket, false, static_cast<int>(left), readable, writable);
                if (!ok)
                    Blame(printer);
                else if (readable)
                    ok = Drain(printer);
            }
            if (ok && printer.printerClosed) outcome.state = jsCompleted;
        }
        outcome.backChannel = printer.backChannel.Kept();
        // The printer's own error messages decide, even when the job was not
        // followed to its end or the connection broke after them.
        if (!printer.backChannel.Errors().empty()) {
            outcome.state = jsAborted;
            outcome.timedOut = false;
            outcome.message = printer.backChannel.Errors();
            return true;
        }
        return ok;
    }

    bool Close() override
    {
        SocketClose(printer_.socket);
        printer_.socket = kNoSocket;
        return true;
    }

private:
    SocketPrinter printer_;
};

}  // namespace

std::unique_ptr<JobTransport> NewSocketTransport()
{
    return std::make_unique<SocketTransport>();
}

}  // namespace PrinterUtils
