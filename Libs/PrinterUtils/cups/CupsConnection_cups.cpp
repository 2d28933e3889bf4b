// SPDX-License-Identifier: Apache-2.0
#include "CupsConnection_cups.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "PrinterDirectory.h"
#include "OsUtils.h"
#include "PrinterBounds.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// Credentials the user gave, per server, for this run only.
struct Credentials {
    std::string user;
    std::string password;
};
std::mutex credentialsLock;
std::map<std::string, Credentials>& KnownCredentials()
{
    static std::map<std::string, Credentials> known;
    return known;
}

// The connection the last stored credentials were offered on: asked again
// on the same connection, the server refused them and the user is asked.
thread_local const http_t* offeredOn = nullptr;
thread_local std::string passwordAnswer;

// libcups asks here when a server wants credentials. Never on a terminal:
// without an installed prompt, or when the user declines, the call fails
// with the server's own status.
const char* AskPassword(const char*, http_t* http, const char*, const char*, void*)
{
    char host[256] = "";
    httpGetHostname(http, host, sizeof host);
    const std::string server = host;
    Credentials given;
    {
        const std::lock_guard<std::mutex> lock(credentialsLock);
        auto& known = KnownCredentials();
        const auto it = known.find(server);
        if (it != known.end() && offeredOn != http) {
            offeredOn = http;
            cupsSetUser(it->second.user.c_str());
            passwordAnswer = it->second.password;
            return passwordAnswer.c_str();
        }
        if (it != known.end()) known.erase(it);
    }
    const TCredentialsPrompt prompt = CredentialsPrompt();
    given.user = cupsUser();
    if (!prompt || !prompt(server, given.user, given.password)) return nullptr;
    {
        const std::lock_guard<std::mutex> lock(credentialsLock);
        KnownCredentials()[server] = given;
    }
    offeredOn = http;
    cupsSetUser(given.user.c_str());
    passwordAnswer = given.password;
    return passwordAnswer.c_str();
}

}  // namespace

void RecordCupsError()
{
    ipp_status_t status = cupsLastError();
    std::string text = cupsLastErrorString();
    // libcups reports a declined password prompt as its own status; the
    // user reads what the server said instead.
    if (status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED) {
        status = IPP_STATUS_ERROR_NOT_AUTHENTICATED;
        text = httpStatus(HTTP_STATUS_UNAUTHORIZED);
    }
    OsUtils::SetLastOSError(static_cast<int>(status), text);
}

namespace {

// The configured server as a user would write it: a local socket's path,
// else host:port.
std::string ServerName()
{
    const char* server = cupsServer();
    if (server[0] == '/') return server;
    return SysUtils::Format("%s:%d", server, ippPort());
}

void RecordServerUnreachable(const std::string& reason)
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                            SysUtils::Format("The print server %s cannot be reached: %s", ServerName().c_str(),
                                             reason.c_str()));
}

// Why a connection to the server failed at once. libcups' clean-up after a
// failed connect leaves errno at "Bad file descriptor" whatever happened,
// so the system is asked again: the local socket's path, or one connect of
// our own to host and port.
std::string WhyUnreachable()
{
    const std::string server = cupsServer();
    if (!server.empty() && server.front() == '/') {
        struct stat st {};
        return std::strerror(::stat(server.c_str(), &st) != 0 ? errno : ECONNREFUSED);
    }
    SocketHandle probe = kNoSocket;
    if (SocketConnect(server, ippPort(), kConnectTimeoutMs, probe)) {
        SocketClose(probe);
        return std::strerror(ECONNREFUSED);
    }
    const OsUtils::OSErrorInfo error = OsUtils::GetLastOSError();
    return error.text ? *error.text : std::strerror(error.code);
}

// The calls of one TSpoolerSession on this thread: one connection, made
// at the first call that needs it, or the failure of making or using it.
struct Session {
    int depth = 0;
    bool tried = false;
    bool failed = false;
    Connection http;
    OsUtils::OSErrorInfo failure;
};
thread_local Session session;

// A request that got no IPP answer at all: the connection broke or the
// server did not answer in time; otherwise the server's status. A session
// whose connection got no answer gives the later calls this failure at
// once instead of waiting for the server again.
void RecordNoAnswer(http_t* http, int err)
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                            SysUtils::Format("The print server %s did not answer: %s", ServerName().c_str(),
                                             std::strerror(err)));
    if (session.depth > 0 && http == session.http.get()) {
        session.failed = true;
        session.failure = OsUtils::GetLastOSError();
    }
}

}  // namespace

void RecordRequestFailure(http_t* http)
{
    const int err = httpError(http);
    if (err != 0 && cupsLastError() >= IPP_STATUS_ERROR_INTERNAL) {
        RecordNoAnswer(http, err);
        return;
    }
    RecordCupsError();
}

// A connection of its own to the configured print server (CUPS_SERVER,
// client.conf or the local scheduler), bounded in connecting and in every
// answer; null with the last error recorded when the server cannot be
// reached.
Connection ConnectToServer()
{
    cupsSetPasswordCB2(AskPassword, nullptr);
    // A new connection has been offered nothing yet, even where it reuses
    // the address of one that was.
    offeredOn = nullptr;
    errno = 0;
    const auto start = std::chrono::steady_clock::now();
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr);
    if (!http) {
        // An attempt that used up the bound timed out; any other failed at
        // once and is asked about again.
        const bool timedOut = std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kConnectTimeoutMs);
        RecordServerUnreachable(timedOut ? std::strerror(ETIMEDOUT) : WhyUnreachable());
        return nullptr;
    }
    BoundAnswers(http);
    return Connection(http);
}

bool ServerLink::Open()
{
    if (session.depth == 0) {
        own_ = ConnectToServer();
        http_ = own_.get();
        return http_ != nullptr;
    }
    if (!session.tried) {
        session.tried = true;
        session.http = ConnectToServer();
        session.failed = !session.http;
        if (session.failed) session.failure = OsUtils::GetLastOSError();
    }
    if (session.failed) {
        OsUtils::SetLastOSError(session.failure.code, session.failure.text);
        return false;
    }
    http_ = session.http.get();
    return true;
}

namespace {

// The answer when it came and its status is a success, else null with the
// last error recorded: the server's status, or its silence.
IppMessage Checked(http_t* http, IppMessage response, int noAnswer, bool recorded)
{
    if (!response) {
        if (noAnswer)
            RecordNoAnswer(http, noAnswer);
        else if (!recorded)
            RecordRequestFailure(http);
        return nullptr;
    }
    return Successful(std::move(response));
}

}  // namespace

IppMessage DoRequest(http_t* http, ipp_t* request, const char* resource)
{
    int noAnswer = 0;
    IppMessage response = SendRequest(http, request, resource, noAnswer);
    return Checked(http, std::move(response), noAnswer, false);
}

IppMessage FinishDocument(http_t* http)
{
    int noAnswer = 0;
    IppMessage response = FinishRequest(http, noAnswer);
    return Checked(http, std::move(response), noAnswer, true);
}

void BeginServerSession()
{
    if (session.depth++ == 0) {
        session.tried = false;
        session.failed = false;
        session.http.reset();
    }
}

void EndServerSession()
{
    if (--session.depth == 0) session.http.reset();
}

}  // namespace PrinterUtils
