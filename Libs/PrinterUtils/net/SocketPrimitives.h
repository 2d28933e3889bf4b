// SPDX-License-Identifier: Apache-2.0
// The TCP calls a socket:// printer is driven through, one file per
// platform (Address_socket_posix.cpp, Address_socket_win32.cpp). Sockets
// are non-blocking once connected: every wait is a SocketPoll with a bound.
// A call that fails returns false and has recorded the failure with
// OsUtils::SetLastOSError, its text naming the printer's host and port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace PrinterUtils {

using SocketHandle = std::intptr_t;
// No socket (the value of INVALID_SOCKET on Windows; no POSIX fd either).
inline constexpr SocketHandle kNoSocket = -1;

// The platform's codes for a connection the peer ended and for a bound
// that passed.
extern const int kSocketResetCode;
extern const int kSocketTimedOutCode;

// Resolves host and connects to its port within timeoutMs.
bool SocketConnect(const std::string& host, int port, int timeoutMs, SocketHandle& socket);
// Waits at most timeoutMs until the socket can be read, or written when
// write is set; neither flag set means the bound passed.
bool SocketPoll(SocketHandle socket, bool write, int timeoutMs, bool& readable, bool& writable);
// Sends some of the bytes without blocking; sent may be 0.
bool SocketSend(SocketHandle socket, const char* data, std::size_t size, std::size_t& sent);
// Receives some bytes without blocking (received may be 0); closed is set
// once the peer ended its side.
bool SocketReceive(SocketHandle socket, char* buffer, std::size_t size, std::size_t& received, bool& closed);
// Ends the sending direction: the printer reads the end of the job.
bool SocketShutdownSend(SocketHandle socket);
void SocketClose(SocketHandle socket) noexcept;

}  // namespace PrinterUtils
