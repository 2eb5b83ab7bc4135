// A TCP client connection that can be upgraded to TLS (for the mail
// transport's STARTTLS).
//
// Windows: Winsock and Schannel. Host build: POSIX sockets and OpenSSL.
// Both speak TLS 1.2 or later only and verify the server's certificate
// chain and host name: against the system's trusted roots, or, when a
// certificate file is named, against the certificates in that file (PEM).
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// A connection handle; 0 is none.
using NetSocket = Handle;

enum class NetResult {
  kOk,       // data moved
  kClosed,   // the peer closed the connection
  kTimeout,  // nothing arrived or could be sent in time
  kError,    // the connection failed; `error` tells why
};

// Resolves `host` and connects to `port`, giving up after timeout_ms.
// Returns 0 and an error text on failure.
NetSocket NetConnect(const std::wstring& host, std::uint16_t port, std::uint32_t timeout_ms, std::wstring& error);

// Sends all of `data` (through TLS once it is started).
NetResult NetSend(NetSocket s, const std::string& data, std::uint32_t timeout_ms, std::wstring& error);

// Receives what is available, at most `max` bytes, waiting at most timeout_ms
// for the first byte. `got` is the number of bytes placed in `buffer`.
NetResult NetReceive(NetSocket s, char* buffer, std::size_t max, std::size_t& got, std::uint32_t timeout_ms,
                     std::wstring& error);

// Runs the TLS client handshake on the connection, for the server named `host`.
// `ca_file` empty: the system's trusted roots; otherwise the PEM certificates
// in that file are the trusted roots (a self-signed server certificate may be
// named directly). False, with the reason, when the server cannot be trusted
// or speaks nothing newer than TLS 1.1; the connection is then unusable.
bool TlsStartClient(NetSocket s, const std::wstring& host, const std::wstring& ca_file, std::uint32_t timeout_ms,
                    std::wstring& error);

// True once TlsStartClient succeeded on the connection.
bool TlsActive(NetSocket s);

// Closes the connection (sending the TLS close notification when TLS is on).
void NetClose(NetSocket s);

}  // namespace plat
