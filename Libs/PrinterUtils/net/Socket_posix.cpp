// SPDX-License-Identifier: Apache-2.0
// The TCP calls of socket:// printers on POSIX: getaddrinfo, a non-blocking
// connect bounded by poll, and non-blocking sends and receives. Failures
// record errno, or the resolver's code and text.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "OsUtils.h"
#include "HostLookup.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

const int kSocketResetCode = ECONNRESET;
const int kSocketTimedOutCode = ETIMEDOUT;

namespace {

bool RecordErrno()
{
    OsUtils::SetLastOSError(errno);
    return false;
}

// Connects one resolved address within timeoutMs; -1 with errno set.
int ConnectOne(const addrinfo& ai, int timeoutMs)
{
    const int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai.ai_protocol);
    if (fd < 0) return -1;
    if (::connect(fd, ai.ai_addr, ai.ai_addrlen) == 0) return fd;
    int err = errno;
    if (err == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int n = 0;
        do {
            n = ::poll(&p, 1, timeoutMs);
        } while (n < 0 && errno == EINTR);
        if (n == 0) {
            err = ETIMEDOUT;
        } else if (n < 0) {
            err = errno;
        } else {
            socklen_t len = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        }
    }
    if (err == 0) return fd;
    ::close(fd);
    errno = err;
    return -1;
}

}  // namespace

bool SocketConnect(const std::string& host, int port, int timeoutMs, SocketHandle& socket)
{
    // The lookup and the connects share one bound.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    // An address in numbers needs no name service (whose modules cost more
    // than the whole job to a printer on the local network).
    hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    addrinfo* numeric = nullptr;
    std::optional<HostAddresses> named;
    int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &numeric);
    int lookupErrno = errno;
    if (rc == EAI_NONAME) {
        hints.ai_flags = AI_NUMERICSERV;
        named = LookUpHost(host, port, hints, timeoutMs);
        if (!named) {
            OsUtils::SetLastOSError(ETIMEDOUT, SysUtils::Format("unknown host (the name service did not answer "
                                                                "within %d s)",
                                                                timeoutMs / 1000));
            return false;
        }
        rc = named->rc;
        lookupErrno = named->err;
    }
    if (rc != 0) {
        const int code = rc == EAI_SYSTEM ? lookupErrno : rc;
        OsUtils::SetLastOSError(code,
                                SysUtils::Format("unknown host (%s)",
                                                 rc == EAI_SYSTEM ? std::strerror(lookupErrno) : ::gai_strerror(rc)));
        return false;
    }
    const addrinfo* found = named ? named->list.get() : numeric;
    // Each address of the host in turn, within what is left of the bound.
    int fd = -1;
    int err = ETIMEDOUT;
    for (const addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            err = ETIMEDOUT;
            break;
        }
        fd = ConnectOne(*ai, static_cast<int>(left));
        if (fd < 0) err = errno;
    }
    if (numeric) ::freeaddrinfo(numeric);
    if (fd < 0) {
        OsUtils::SetLastOSError(err);
        return false;
    }
    socket = fd;
    return true;
}

bool SocketPoll(SocketHandle socket, bool write, int timeoutMs, bool& readable, bool& writable)
{
    pollfd p{static_cast<int>(socket), static_cast<short>(POLLIN | (write ? POLLOUT : 0)), 0};
    int n = 0;
    do {
        n = ::poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return RecordErrno();
    // An error or hang-up shows as readable: the receive that follows
    // reports it.
    readable = (p.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
    writable = (p.revents & POLLOUT) != 0;
    return true;
}

bool SocketSend(SocketHandle socket, const char* data, std::size_t size, std::size_t& sent)
{
    sent = 0;
    const ssize_t n = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
    if (n >= 0) {
        sent = static_cast<std::size_t>(n);
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
    return RecordErrno();
}

bool SocketReceive(SocketHandle socket, char* buffer, std::size_t size, std::size_t& received, bool& closed)
{
    received = 0;
    const ssize_t n = ::recv(static_cast<int>(socket), buffer, size, 0);
    if (n > 0) {
        received = static_cast<std::size_t>(n);
        return true;
    }
    if (n == 0) {
        closed = true;
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
    return RecordErrno();
}

bool SocketShutdownSend(SocketHandle socket)
{
    return ::shutdown(static_cast<int>(socket), SHUT_WR) == 0 || RecordErrno();
}

void SocketClose(SocketHandle socket) noexcept
{
    if (socket != kNoSocket) ::close(static_cast<int>(socket));
}

}  // namespace PrinterUtils
