// SPDX-License-Identifier: Apache-2.0
// The TCP calls of socket:// printers on Windows: Winsock, started for each
// connection (Winsock counts its users, so threads may do so at once),
// getaddrinfo, a non-blocking connect bounded by select, and non-blocking
// sends and receives. select is used rather than WSAPoll, which Windows
// before Vista lacks. Failures record WSAGetLastError().
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <string>

#include "OsUtils.h"
#include "HostLookup.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

const int kSocketResetCode = WSAECONNRESET;
const int kSocketTimedOutCode = WSAETIMEDOUT;

namespace {

bool RecordWsaError()
{
    OsUtils::SetLastOSError(WSAGetLastError());
    return false;
}

bool WouldBlock()
{
    const int err = WSAGetLastError();
    return err == WSAEWOULDBLOCK || err == WSAEINTR || err == WSAEINPROGRESS;
}

timeval TimevalOf(int timeoutMs)
{
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    return tv;
}

// Connects one resolved address within timeoutMs; INVALID_SOCKET with the
// error in err.
SOCKET ConnectOne(const addrinfo& ai, int timeoutMs, int& err)
{
    SOCKET s = ::socket(ai.ai_family, ai.ai_socktype, ai.ai_protocol);
    if (s == INVALID_SOCKET) {
        err = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    err = 0;
    if (::connect(s, ai.ai_addr, static_cast<int>(ai.ai_addrlen)) != 0) {
        err = WSAGetLastError();
        if (err == WSAEWOULDBLOCK) {
            fd_set writable;
            fd_set failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv = TimevalOf(timeoutMs);
            const int n = ::select(0, nullptr, &writable, &failed, &tv);
            if (n == 0) {
                err = WSAETIMEDOUT;
            } else if (n < 0) {
                err = WSAGetLastError();
            } else if (FD_ISSET(s, &failed)) {
                int soError = 0;
                int len = sizeof soError;
                ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
                err = soError ? soError : WSAECONNREFUSED;
            } else {
                err = 0;
            }
        }
    }
    if (err == 0) return s;
    ::closesocket(s);
    return INVALID_SOCKET;
}

}  // namespace

bool SocketConnect(const std::string& host, int port, int timeoutMs, SocketHandle& socket)
{
    WSADATA data;
    const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0) {
        OsUtils::SetLastOSError(started);
        return false;
    }
    // The lookup and the connects share one bound.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    // The lookup holds a Winsock start of its own: a lookup that outlives
    // the bound still calls into Winsock (and frees its addresses) later.
    WSADATA lookupData;
    std::shared_ptr<void> winsock;
    if (::WSAStartup(MAKEWORD(2, 2), &lookupData) == 0)
        winsock = std::shared_ptr<void>(nullptr, [](void*) { ::WSACleanup(); });
    const std::optional<HostAddresses> named = LookUpHost(host, port, hints, timeoutMs, std::move(winsock));
    if (!named) {
        OsUtils::SetLastOSError(WSAETIMEDOUT, SysUtils::Format("unknown host (the name service did not answer "
                                                               "within %d s)",
                                                               timeoutMs / 1000));
        ::WSACleanup();
        return false;
    }
    const int rc = named->rc;
    if (rc != 0) {
        OsUtils::SetLastOSError(rc, SysUtils::Format("unknown host (%s)", OsUtils::SysErrorText(rc).c_str()));
        ::WSACleanup();
        return false;
    }
    const addrinfo* found = named->list.get();
    // Each address of the host in turn, within what is left of the bound.
    SOCKET s = INVALID_SOCKET;
    int err = WSAETIMEDOUT;
    for (const addrinfo* ai = found; ai && s == INVALID_SOCKET; ai = ai->ai_next) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            err = WSAETIMEDOUT;
            break;
        }
        s = ConnectOne(*ai, static_cast<int>(left), err);
    }
    if (s == INVALID_SOCKET) {
        OsUtils::SetLastOSError(err);
        ::WSACleanup();
        return false;
    }
    socket = static_cast<SocketHandle>(s);
    return true;
}

bool SocketPoll(SocketHandle socket, bool write, int timeoutMs, bool& readable, bool& writable)
{
    const SOCKET s = static_cast<SOCKET>(socket);
    fd_set reads;
    fd_set writes;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_SET(s, &reads);
    if (write) FD_SET(s, &writes);
    timeval tv = TimevalOf(timeoutMs);
    if (::select(0, &reads, write ? &writes : nullptr, nullptr, &tv) < 0) return RecordWsaError();
    readable = FD_ISSET(s, &reads) != 0;
    writable = write && FD_ISSET(s, &writes) != 0;
    return true;
}

bool SocketSend(SocketHandle socket, const char* data, std::size_t size, std::size_t& sent)
{
    sent = 0;
    const int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    const int n = ::send(static_cast<SOCKET>(socket), data, chunk, 0);
    if (n >= 0) {
        sent = static_cast<std::size_t>(n);
        return true;
    }
    return WouldBlock() || RecordWsaError();
}

bool SocketReceive(SocketHandle socket, char* buffer, std::size_t size, std::size_t& received, bool& closed)
{
    received = 0;
    const int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    const int n = ::recv(static_cast<SOCKET>(socket), buffer, chunk, 0);
    if (n > 0) {
        received = static_cast<std::size_t>(n);
        return true;
    }
    if (n == 0) {
        closed = true;
        return true;
    }
    return WouldBlock() || RecordWsaError();
}

bool SocketShutdownSend(SocketHandle socket)
{
    return ::shutdown(static_cast<SOCKET>(socket), SD_SEND) == 0 || RecordWsaError();
}

void SocketClose(SocketHandle socket) noexcept
{
    if (socket == kNoSocket) return;
    ::closesocket(static_cast<SOCKET>(socket));
    ::WSACleanup();
}

}  // namespace PrinterUtils
