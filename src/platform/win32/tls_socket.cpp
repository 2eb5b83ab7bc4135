// Connections of the windows build: Winsock, and Schannel for TLS.
//
// The server's certificate is checked here, not by Schannel (manual
// validation): the chain must verify under the SSL policy for the host name,
// either to a root the system trusts or to a certificate of the file named in
// the mail settings. TLS 1.2 and 1.3 only.
#include "platform/tls_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr DWORD kIgnoreUnknownCa = 0x00000100;  // SECURITY_FLAG_IGNORE_UNKNOWN_CA
constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

struct Conn {
  SOCKET s = INVALID_SOCKET;
  std::wstring host;
  bool tls = false;
  bool has_cred = false;
  bool has_ctx = false;
  CredHandle cred{};
  CtxtHandle ctx{};
  SecPkgContext_StreamSizes sizes{};
  std::string raw;    // received and not yet decrypted
  std::string plain;  // decrypted and not yet handed out

  ~Conn() {
    if (has_ctx) ::DeleteSecurityContext(&ctx);
    if (has_cred) ::FreeCredentialsHandle(&cred);
    if (s != INVALID_SOCKET) ::closesocket(s);
  }
};

std::mutex g_lock;
std::map<plat::NetSocket, std::shared_ptr<Conn>> g_conns;
plat::NetSocket g_next = 1;

std::shared_ptr<Conn> Find(plat::NetSocket s) {
  std::lock_guard<std::mutex> g(g_lock);
  auto it = g_conns.find(s);
  return it == g_conns.end() ? nullptr : it->second;
}

void StartWinsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

std::wstring ErrorText(const wchar_t* what, long code) {
  wchar_t buf[64];
  std::swprintf(buf, 64, L" (0x%08lX)", static_cast<unsigned long>(code));
  return std::wstring(what) + buf;
}

// Waits until the socket can be read (or written) within timeout_ms.
bool WaitSocket(SOCKET s, bool for_write, std::uint32_t timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
  int rc = for_write ? ::select(0, nullptr, &set, nullptr, &tv) : ::select(0, &set, nullptr, nullptr, &tv);
  return rc > 0;
}

plat::NetResult SendRawBytes(Conn& c, const char* data, size_t size, std::uint32_t timeout_ms, std::wstring& error) {
  size_t done = 0;
  while (done < size) {
    if (!WaitSocket(c.s, true, timeout_ms)) return plat::NetResult::kTimeout;
    int n = ::send(c.s, data + done, static_cast<int>(std::min<size_t>(size - done, 1 << 20)), 0);
    if (n == SOCKET_ERROR) {
      int e = ::WSAGetLastError();
      error = ErrorText(L"send failed", e);
      return e == WSAECONNRESET || e == WSAECONNABORTED ? plat::NetResult::kClosed : plat::NetResult::kError;
    }
    done += static_cast<size_t>(n);
  }
  return plat::NetResult::kOk;
}

plat::NetResult ReceiveRaw(Conn& c, std::string& into, std::uint32_t timeout_ms, std::wstring& error) {
  if (!WaitSocket(c.s, false, timeout_ms)) return plat::NetResult::kTimeout;
  char buf[16384];
  int n = ::recv(c.s, buf, sizeof buf, 0);
  if (n == 0) return plat::NetResult::kClosed;
  if (n == SOCKET_ERROR) {
    int e = ::WSAGetLastError();
    error = ErrorText(L"recv failed", e);
    return e == WSAECONNRESET || e == WSAECONNABORTED ? plat::NetResult::kClosed : plat::NetResult::kError;
  }
  into.append(buf, static_cast<size_t>(n));
  return plat::NetResult::kOk;
}

// Runs InitializeSecurityContext until the handshake completes, sending its
// tokens; c.raw holds what the server sent and was not consumed yet.
bool HandshakeLoop(Conn& c, bool first, std::uint32_t timeout_ms, std::wstring& error) {
  bool need_data = first ? false : c.raw.empty();
  for (int round = 0; round < 64; ++round) {
    if (need_data) {
      plat::NetResult r = ReceiveRaw(c, c.raw, timeout_ms, error);
      if (r != plat::NetResult::kOk) {
        if (error.empty())
          error = r == plat::NetResult::kTimeout ? L"TLS handshake timed out"
                                                 : L"Connection closed during the TLS handshake";
        return false;
      }
    }
    SecBuffer in[2] = {{static_cast<unsigned long>(c.raw.size()), SECBUFFER_TOKEN, c.raw.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, out};
    unsigned long attrs = 0;
    SECURITY_STATUS st;
    if (first) {
      st = ::InitializeSecurityContextW(&c.cred, nullptr, const_cast<wchar_t*>(c.host.c_str()), kContextFlags, 0, 0,
                                        nullptr, 0, &c.ctx, &out_desc, &attrs, nullptr);
      if (st == SEC_I_CONTINUE_NEEDED || st == SEC_E_OK) c.has_ctx = true;
      first = false;
    } else {
      st = ::InitializeSecurityContextW(&c.cred, &c.ctx, const_cast<wchar_t*>(c.host.c_str()), kContextFlags, 0, 0,
                                        &in_desc, 0, nullptr, &out_desc, &attrs, nullptr);
    }
    if (st == SEC_E_INCOMPLETE_MESSAGE) {
      need_data = true;
      continue;
    }
    if (out[0].pvBuffer && out[0].cbBuffer > 0) {
      plat::NetResult r =
          SendRawBytes(c, static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer, timeout_ms, error);
      ::FreeContextBuffer(out[0].pvBuffer);
      if (r != plat::NetResult::kOk) {
        if (error.empty()) error = L"Connection lost during the TLS handshake";
        return false;
      }
    } else if (out[0].pvBuffer) {
      ::FreeContextBuffer(out[0].pvBuffer);
    }
    if (st != SEC_E_OK && st != SEC_I_CONTINUE_NEEDED) {
      error = ErrorText(L"TLS handshake failed", st);
      return false;
    }
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= c.raw.size()) {
      c.raw.erase(0, c.raw.size() - in[1].cbBuffer);
    } else if (round > 0 || c.has_ctx) {
      c.raw.clear();
    }
    if (st == SEC_E_OK) return true;
    need_data = c.raw.empty();
  }
  error = L"TLS handshake did not finish";
  return false;
}

std::vector<PCCERT_CONTEXT> LoadPemCertificates(const std::wstring& file) {
  std::vector<PCCERT_CONTEXT> certs;
  FILE* f = ::_wfopen(file.c_str(), L"rb");
  if (!f) return certs;
  std::string text;
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  const std::string begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
  size_t pos = 0;
  while ((pos = text.find(begin, pos)) != std::string::npos) {
    size_t stop = text.find(end, pos);
    if (stop == std::string::npos) break;
    stop += end.size();
    const std::string block = text.substr(pos, stop - pos);
    DWORD size = 0;
    if (::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                               &size, nullptr, nullptr)) {
      std::vector<BYTE> der(size);
      if (::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                                 &size, nullptr, nullptr)) {
        PCCERT_CONTEXT cert = ::CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), size);
        if (cert) certs.push_back(cert);
      }
    }
    pos = stop;
  }
  return certs;
}

// Verifies the server's certificate chain and host name.
bool VerifyServer(Conn& c, const std::wstring& ca_file, std::wstring& error) {
  PCCERT_CONTEXT server = nullptr;
  if (::QueryContextAttributesW(&c.ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &server) != SEC_E_OK || !server) {
    error = L"The server sent no certificate";
    return false;
  }
  std::vector<PCCERT_CONTEXT> trusted;
  if (!ca_file.empty()) {
    trusted = LoadPemCertificates(ca_file);
    if (trusted.empty()) {
      ::CertFreeCertificateContext(server);
      error = L"Cannot read the certificate file " + ca_file;
      return false;
    }
  }
  HCERTSTORE extra = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  for (PCCERT_CONTEXT t : trusted) ::CertAddCertificateContextToStore(extra, t, CERT_STORE_ADD_ALWAYS, nullptr);
  if (server->hCertStore) {
    PCCERT_CONTEXT sent = nullptr;
    while ((sent = ::CertEnumCertificatesInStore(server->hCertStore, sent)) != nullptr)
      ::CertAddCertificateContextToStore(extra, sent, CERT_STORE_ADD_USE_EXISTING, nullptr);
  }
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool ok = false;
  if (::CertGetCertificateChain(nullptr, server, nullptr, extra, &chain_para, 0, nullptr, &chain) && chain) {
    // A root of the certificate file counts as trusted: accept an unknown
    // root only when it is one of them.
    bool root_from_file = false;
    if (chain->cChain > 0 && chain->rgpChain[0]->cElement > 0) {
      const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
      PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
      for (PCCERT_CONTEXT t : trusted)
        if (::CertCompareCertificate(X509_ASN_ENCODING, root->pCertInfo, t->pCertInfo)) root_from_file = true;
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = root_from_file ? kIgnoreUnknownCa : 0;
    ssl.pwszServerName = const_cast<wchar_t*>(c.host.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
      error = L"Certificate policy check failed";
    } else if (status.dwError != 0) {
      error = ErrorText(L"Server certificate not trusted", static_cast<long>(status.dwError));
    } else {
      ok = true;
    }
    ::CertFreeCertificateChain(chain);
  } else {
    error = ErrorText(L"No certificate chain", static_cast<long>(::GetLastError()));
  }
  ::CertCloseStore(extra, 0);
  for (PCCERT_CONTEXT t : trusted) ::CertFreeCertificateContext(t);
  ::CertFreeCertificateContext(server);
  return ok;
}

}  // namespace

namespace plat {

NetSocket NetConnect(const std::wstring& host, std::uint16_t port, std::uint32_t timeout_ms, std::wstring& error) {
  StartWinsock();
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* list = nullptr;
  const std::wstring service = std::to_wstring(port);
  int rc = ::GetAddrInfoW(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    error = ErrorText(L"Host not found", rc);
    return 0;
  }
  SOCKET s = INVALID_SOCKET;
  error = L"No address";
  for (ADDRINFOW* a = list; a && s == INVALID_SOCKET; a = a->ai_next) {
    SOCKET t = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (t == INVALID_SOCKET) continue;
    u_long nonblocking = 1;
    ::ioctlsocket(t, FIONBIO, &nonblocking);
    rc = ::connect(t, a->ai_addr, static_cast<int>(a->ai_addrlen));
    bool ok = rc == 0;
    if (!ok && ::WSAGetLastError() == WSAEWOULDBLOCK) {
      // A refused connect is signalled in the except set, a completed one in the write set.
      fd_set wr, ex;
      FD_ZERO(&wr);
      FD_ZERO(&ex);
      FD_SET(t, &wr);
      FD_SET(t, &ex);
      timeval tv{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
      if (::select(0, nullptr, &wr, &ex, &tv) > 0) {
        int soerr = 0;
        int len = sizeof soerr;
        ::getsockopt(t, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soerr), &len);
        ok = soerr == 0;
        if (!ok) error = ErrorText(L"connect failed", soerr);
      } else {
        error = L"Connect timed out";
      }
    } else if (!ok) {
      error = ErrorText(L"connect failed", ::WSAGetLastError());
    }
    if (!ok) {
      ::closesocket(t);
      continue;
    }
    nonblocking = 0;
    ::ioctlsocket(t, FIONBIO, &nonblocking);
    s = t;
  }
  ::FreeAddrInfoW(list);
  if (s == INVALID_SOCKET) return 0;
  auto c = std::make_shared<Conn>();
  c->s = s;
  std::lock_guard<std::mutex> g(g_lock);
  NetSocket id = g_next++;
  g_conns[id] = c;
  error.clear();
  return id;
}

NetResult NetSend(NetSocket s, const std::string& data, std::uint32_t timeout_ms, std::wstring& error) {
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return NetResult::kError;
  }
  if (!c->tls) return SendRawBytes(*c, data.data(), data.size(), timeout_ms, error);
  size_t done = 0;
  std::string record;
  while (done < data.size()) {
    const size_t chunk = std::min<size_t>(data.size() - done, c->sizes.cbMaximumMessage);
    record.assign(c->sizes.cbHeader + chunk + c->sizes.cbTrailer, '\0');
    std::memcpy(&record[c->sizes.cbHeader], data.data() + done, chunk);
    SecBuffer b[4] = {{c->sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                      {static_cast<unsigned long>(chunk), SECBUFFER_DATA, record.data() + c->sizes.cbHeader},
                      {c->sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + c->sizes.cbHeader + chunk},
                      {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    SECURITY_STATUS st = ::EncryptMessage(&c->ctx, 0, &desc, 0);
    if (st != SEC_E_OK) {
      error = ErrorText(L"EncryptMessage failed", st);
      return NetResult::kError;
    }
    NetResult r = SendRawBytes(*c, record.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer, timeout_ms, error);
    if (r != NetResult::kOk) return r;
    done += chunk;
  }
  return NetResult::kOk;
}

NetResult NetReceive(NetSocket s, char* buffer, std::size_t max, std::size_t& got, std::uint32_t timeout_ms,
                     std::wstring& error) {
  got = 0;
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return NetResult::kError;
  }
  if (!c->tls && c->plain.empty()) {
    std::string in;
    NetResult r = ReceiveRaw(*c, in, timeout_ms, error);
    if (r != NetResult::kOk) return r;
    // ReceiveRaw reads at most 16 KiB; hand out what fits and keep the rest.
    c->plain += in;
  }
  while (c->plain.empty()) {
    if (!c->raw.empty()) {
      SecBuffer b[4] = {{static_cast<unsigned long>(c->raw.size()), SECBUFFER_DATA, c->raw.data()},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      SECURITY_STATUS st = ::DecryptMessage(&c->ctx, &desc, 0, nullptr);
      if (st == SEC_E_OK || st == SEC_I_RENEGOTIATE || st == SEC_I_CONTEXT_EXPIRED) {
        std::string extra;
        for (auto& x : b) {
          if (x.BufferType == SECBUFFER_DATA && x.cbBuffer) c->plain.append(static_cast<char*>(x.pvBuffer), x.cbBuffer);
          if (x.BufferType == SECBUFFER_EXTRA && x.cbBuffer) extra.assign(static_cast<char*>(x.pvBuffer), x.cbBuffer);
        }
        c->raw = extra;
        if (st == SEC_I_CONTEXT_EXPIRED) {
          if (c->plain.empty()) return NetResult::kClosed;
          break;
        }
        if (st == SEC_I_RENEGOTIATE) {
          // Post-handshake messages (TLS 1.3 tickets): let Schannel consume them.
          if (!HandshakeLoop(*c, false, timeout_ms, error)) return NetResult::kError;
        }
        continue;
      }
      if (st != SEC_E_INCOMPLETE_MESSAGE) {
        error = ErrorText(L"DecryptMessage failed", st);
        return NetResult::kError;
      }
    }
    NetResult r = ReceiveRaw(*c, c->raw, timeout_ms, error);
    if (r != NetResult::kOk) return r;
  }
  got = std::min(max, c->plain.size());
  std::memcpy(buffer, c->plain.data(), got);
  c->plain.erase(0, got);
  return NetResult::kOk;
}

bool TlsStartClient(NetSocket s, const std::wstring& host, const std::wstring& ca_file, std::uint32_t timeout_ms,
                    std::wstring& error) {
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return false;
  }
  if (c->tls) return true;
  c->host = host;
  SCHANNEL_CRED cred{};
  cred.dwVersion = SCHANNEL_CRED_VERSION;
  cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  SECURITY_STATUS st = SEC_E_INTERNAL_ERROR;
  // TLS 1.3 where the system offers it through this interface, else 1.2.
  for (DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT), DWORD(SP_PROT_TLS1_2_CLIENT)}) {
    cred.grbitEnabledProtocols = protocols;
    st = ::AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &cred,
                                     nullptr, nullptr, &c->cred, nullptr);
    if (st == SEC_E_OK) break;
  }
  if (st != SEC_E_OK) {
    error = ErrorText(L"No TLS credentials", st);
    return false;
  }
  c->has_cred = true;
  if (!HandshakeLoop(*c, true, timeout_ms, error)) return false;
  SecPkgContext_ConnectionInfo info{};
  if (::QueryContextAttributesW(&c->ctx, SECPKG_ATTR_CONNECTION_INFO, &info) == SEC_E_OK &&
      (info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) == 0) {
    error = L"The server speaks no TLS 1.2 or later";
    return false;
  }
  if (!VerifyServer(*c, ca_file, error)) return false;
  if (::QueryContextAttributesW(&c->ctx, SECPKG_ATTR_STREAM_SIZES, &c->sizes) != SEC_E_OK) {
    error = L"No TLS stream sizes";
    return false;
  }
  c->tls = true;
  return true;
}

bool TlsActive(NetSocket s) {
  auto c = Find(s);
  return c && c->tls;
}

void NetClose(NetSocket s) {
  std::shared_ptr<Conn> c;
  {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = g_conns.find(s);
    if (it == g_conns.end()) return;
    c = it->second;
    g_conns.erase(it);
  }
  if (c->tls) {
    // close_notify, best effort.
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer in{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 1, &in};
    if (::ApplyControlToken(&c->ctx, &in_desc) == SEC_E_OK) {
      SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
      SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
      unsigned long attrs = 0;
      ::InitializeSecurityContextW(&c->cred, &c->ctx, const_cast<wchar_t*>(c->host.c_str()), kContextFlags, 0, 0,
                                   nullptr, 0, nullptr, &out_desc, &attrs, nullptr);
      if (out.pvBuffer) {
        std::wstring ignored;
        SendRawBytes(*c, static_cast<const char*>(out.pvBuffer), out.cbBuffer, 500, ignored);
        ::FreeContextBuffer(out.pvBuffer);
      }
    }
  }
}

}  // namespace plat
