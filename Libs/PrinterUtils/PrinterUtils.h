// SPDX-License-Identifier: Apache-2.0
// PrinterUtils: the printers a user can print to, the user's default printer,
// and sending files unchanged to a printer as one raw spooler job.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "PrinterBounds.h"
#include "PrinterTarget.h"
#include "SysUtils.h"

namespace PrinterUtils {

// One part of a printer list; a TPrinterListParts is a set of these bits.
enum TPrinterListPart : std::uint8_t {
    plpLocal = 1,    // printers on this machine
    plpNetwork = 2,  // connections to printers on other machines
    plpShared = 4,   // admits local printers that are shared; alone selects nothing
};
using TPrinterListParts = std::uint8_t;

// Inserts at position 0 of items the name of every printer selected by parts,
// so the names end up in the reverse of the spooler's order, before the
// names items already held. Raises EAssertionFailed for the empty set,
// {plpShared} and {plpNetwork, plpShared}; spooler failures add nothing.
void ListPrinters(SysUtils::TStrings& items, TPrinterListParts parts);

// The current user's default printer; raises EOSError when there is none.
std::string GetDefaultPrinterName();

// Sends the files named one per line in fileNames, in order, as one raw job
// to the printer printerName names (a queue or an address).
void PrintFiles(const std::string& printerName, const std::string& fileNames, const std::string& documentName);

// Sends the files as one raw job named documentName; raises EOSError naming
// the step that failed. A job to an address is followed to its end (within
// kJobOutcomeTimeoutMs): an aborted or canceled job, or one whose end never
// came, raises EOSError "Error sending print job: ..." with the printer's
// words. A queue's job is the spooler's once it has it.
void PrintFileList(const TPrinterTarget& printer, const SysUtils::TStrings& fileNames, const std::string& documentName);

// What became of a job, as far as it was followed.
enum TJobState : std::uint8_t {
    jsSent,       // handed over whole; its end was not followed or not seen
    jsCompleted,  // the printer (or server) reports the job done
    jsAborted,    // the printer gave up on it: a PostScript error, a failed job
    jsCanceled,   // someone canceled it
};

// How far SendFileList follows a job.
struct TJobOptions {
    // Follow the job to its end: read a socket:// printer's back channel
    // until it closes, wait for a final IPP state of an ipp:// printer or of
    // a CUPS queue's job on its server. Jobs of the Windows spooler are not
    // followed: they stay jsSent.
    bool wait = false;
    // The bound on that wait, counted from the job's last byte.
    int timeoutMs = kJobOutcomeTimeoutMs;
};

struct TJobOutcome {
    TJobState state = jsSent;
    // Waiting was asked for and no end came within the bound (state jsSent).
    bool timedOut = false;
    // Why the job ended as it did: job-state-reasons and job-state-message,
    // or the printer's own PostScript error messages; "" when all went well.
    std::string message;
    // What a socket:// printer wrote back (its %stdout), the first
    // kBackChannelMaxBytes of it.
    std::string backChannel;
    // The job's id on the server or printer; 0 where there is none.
    std::uint32_t jobId = 0;
};

// Sends the files as one raw job named documentName, exactly as
// PrintFileList does, to a queue or an address (socket://HOST[:PORT],
// ipp://HOST[:PORT]/PATH, ipps://...), and says what became of it. A job
// that never reached the printer or server raises EOSError naming the step,
// as PrintFileList does; what happened after that is the outcome. Safe to
// call from several threads at once for different printers.
TJobOutcome SendFileList(const TPrinterTarget& printer, const SysUtils::TStrings& fileNames,
                         const std::string& documentName, const TJobOptions& options);

// Whether a job to this printer is followed to its end unless the caller
// asks otherwise: a job to an address is, because only the printer can tell
// a printed page from a refused one (a PostScript error, a job that never
// ends); a queue's job is the spooler's business once the spooler has it.
bool FollowsJobs(const TPrinterTarget& printer) noexcept;

// Raises EOSError "Error sending print job: ..." for an aborted or canceled
// job and for a wait that ran out; returns for the others.
void CheckJobOutcome(const TJobOutcome& outcome);

// While one lives, the calls above made on the same thread share one
// connection to the print server, or its one failure: a server that never
// answers costs the start-up one connection bound, not one per call.
// Spoolers without connections ignore it.
class TSpoolerSession {
public:
    TSpoolerSession();
    ~TSpoolerSession();
    TSpoolerSession(const TSpoolerSession&) = delete;
    TSpoolerSession& operator=(const TSpoolerSession&) = delete;
};

// Asks the user for the credentials a print server wants. server names the
// server; user arrives holding a suggestion. Returns false when the user
// declines, which fails the call with the server's own status.
using TCredentialsPrompt = std::function<bool(const std::string& server, std::string& user, std::string& password)>;

// Installs the prompt used when a print server asks for credentials; without
// one such a call fails with the server's status. Credentials the user gives
// are kept in this process's memory only and reused for the same server.
// Spoolers that prompt on their own (Windows) never call it.
void SetCredentialsPrompt(TCredentialsPrompt prompt);

// A printer of the list with the kinds its record carries.
struct TPrinterInfo {
    std::string name;
    bool local = false;
    bool network = false;
    bool shared = false;
};

// Every printer the window lists (all three parts), in the spooler's order
// (the reverse of ListPrinters'), each with its kinds; a spooler that cannot
// be asked gives an empty list.
std::vector<TPrinterInfo> ListPrinterInfo();

// The device URI of a queue of the print server ("socket://10.0.0.7:9100",
// "ipp://...", "usb://..."); empty when the name is no queue or the
// spooler does not say.
std::string QueueDeviceUri(const std::string& queue);

// What the print server itself knows of the queue, in the record's terms;
// false with the last error recorded where it says nothing.
struct TPrinterStatus;
bool QueueServerStatus(const std::string& queue, TPrinterStatus& status);

// A printer that announces itself on the local network (DNS-SD) and has no
// queue on the print server: printing to its name goes through a temporary
// queue the server makes, as lp does.
struct TNetworkPrinter {
    std::string name;       // as lp spells it: the name printing takes
    std::string deviceUri;  // as announced: by DNS-SD service name
};

// The printers the browse of the network found, by name, leaving out any
// name the print server has a queue of (compared without case, as the
// server compares). Waits for a running browse at most kDiscoveryTimeoutMs
// and starts one when none ever ran. Empty where the spooler lists network
// printers itself (Windows). A browse that could not run (no DNS-SD service)
// or did not end within its bound gives an empty list with the failure
// recorded as the last OS error (OsUtils::GetLastOSError).
std::vector<TNetworkPrinter> ListDiscoveredPrinters();

// Keeps a WhenDiscoveryEnds call pending while it lives; destroying it
// cancels the call, waiting for one in progress.
class TDiscoveryWatch {
public:
    TDiscoveryWatch() = default;
    explicit TDiscoveryWatch(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    TDiscoveryWatch(TDiscoveryWatch&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    TDiscoveryWatch& operator=(TDiscoveryWatch&& other) noexcept
    {
        if (this != &other) {
            Cancel();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    ~TDiscoveryWatch() { Cancel(); }

private:
    void Cancel()
    {
        if (cancel_) std::exchange(cancel_, nullptr)();
    }
    std::function<void()> cancel_;
};

// Calls done once with what ListDiscoveredPrinters gives, never waiting for
// the network: when the running browse ends, on the browse's own thread; at
// once, on the calling thread, when none runs (with what the last one found,
// nothing when none ran). done must only hand the list on: calling into
// this library from it, or destroying the watch there, deadlocks.
[[nodiscard]] TDiscoveryWatch WhenDiscoveryEnds(std::function<void(std::vector<TNetworkPrinter>)> done);

struct TNetworkPrinterAddress {
    std::string name;     // as ListDiscoveredPrinters gives it
    std::string address;  // ipp://HOST:PORT/PATH (or ipps://); "" when not resolved in time
};

// Each printer of ListDiscoveredPrinters, in its order, with its service
// name resolved to an address that can be asked directly. All are resolved
// at once after the browse, so the whole call takes at most
// kDiscoveryTimeoutMs + kConnectTimeoutMs. A failed browse is recorded as
// for ListDiscoveredPrinters.
std::vector<TNetworkPrinterAddress> DiscoveredPrinterAddresses();

}  // namespace PrinterUtils
