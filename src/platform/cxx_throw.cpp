#include "platform/cxx_throw.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/utf8.h"

namespace plat::detail {

std::wstring ReadableClassName(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : type.name();
  std::free(demangled);
  if (name.rfind("std::", 0) != 0) {
    // Drop namespace qualifiers that stand before the class name itself
    // (only outside template arguments).
    int depth = 0;
    size_t cut = 0;
    for (size_t i = 0; i + 1 < name.size(); ++i) {
      char c = name[i];
      if (c == '<' || c == '(')
        ++depth;
      else if ((c == '>' || c == ')') && depth > 0)
        --depth;
      else if (depth == 0 && c == ':' && name[i + 1] == ':')
        cut = i + 2;
    }
    name = name.substr(cut);
  }
  return FromUtf8(name);
}

void DescribeThrown(void* object, const std::type_info* type, RaisedException& out) {
  out.object = object;
  out.exception_base = nullptr;
  out.class_name = type ? ReadableClassName(*type) : L"EExternalException";
  out.is_exception = false;
  out.message.clear();
  if (!type || !object) return;
  // Ask the runtime whether a handler for std::exception would take this
  // object, as a catch clause would; it also adjusts the pointer to the base.
  void* adjusted = object;
  if (typeid(std::exception).__do_catch(type, &adjusted, 1)) {
    out.is_exception = true;
    out.exception_base = adjusted;
    try {
      out.message = FromUtf8(static_cast<const std::exception*>(adjusted)->what());
    } catch (...) {}
  }
}

}  // namespace plat::detail

namespace plat::detail {

std::wstring HexAddress(std::uint64_t value) {
  wchar_t buf[17];
  int digits = value > 0xFFFFFFFFull ? 16 : 8;
  for (int i = digits - 1; i >= 0; --i) {
    buf[i] = L"0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  }
  return std::wstring(buf, static_cast<size_t>(digits));
}

void DescribeFault(std::uint32_t code, std::uint64_t address, std::uint64_t access, std::uint64_t target,
                   RaisedException& out) {
  out.hardware_fault = true;
  out.is_exception = true;
  out.code = code;
  out.object = nullptr;
  out.address = address;
  const std::wstring at = L" at address " + HexAddress(address);
  switch (code) {
    case kStatusAccessViolation: {
      out.class_name = L"EAccessViolation";
      const wchar_t* what = access == 1   ? L"Write of address "
                            : access == 8 ? L"Execution of address "
                                          : L"Read of address ";
      out.message = L"Access violation" + at + L". " + what + HexAddress(target);
      return;
    }
    case kStatusIntegerDivideByZero:
      out.class_name = L"EDivByZero";
      out.message = L"Division by zero" + at;
      return;
    case kStatusIntegerOverflow:
      out.class_name = L"EIntOverflow";
      out.message = L"Integer overflow" + at;
      return;
    case kStatusArrayBoundsExceeded:
      out.class_name = L"ERangeError";
      out.message = L"Range check error" + at;
      return;
    case kStatusFltDivideByZero:
      out.class_name = L"EZeroDivide";
      out.message = L"Floating point division by zero" + at;
      return;
    case kStatusFltInvalidOperation:
      out.class_name = L"EInvalidOp";
      out.message = L"Invalid floating point operation" + at;
      return;
    case kStatusFltOverflow:
      out.class_name = L"EOverflow";
      out.message = L"Floating point overflow" + at;
      return;
    case kStatusFltUnderflow:
      out.class_name = L"EUnderflow";
      out.message = L"Floating point underflow" + at;
      return;
    case kStatusPrivilegedInstruction:
      out.class_name = L"EPrivilege";
      out.message = L"Privileged instruction" + at;
      return;
    case kStatusIllegalInstruction:
      out.class_name = L"EIllegalInstruction";
      out.message = L"Illegal instruction" + at;
      return;
    case kStatusStackOverflow:
      out.class_name = L"EStackOverflow";
      out.message = L"Stack overflow" + at;
      return;
    default:
      out.class_name = L"EExternalException";
      out.message = L"External exception " + HexAddress(code) + at;
      return;
  }
}

}  // namespace plat::detail

namespace plat {
namespace {

thread_local const FaultGuard* t_innermost_guard = nullptr;
thread_local RaisedException t_fault_to_throw;
thread_local bool t_throwing_fault = false;

// Readers of the DWARF pointer encodings (DW_EH_PE_*) an exception table uses.
constexpr std::uint8_t kEncOmit = 0xFF;

bool ReadUleb(const std::uint8_t*& p, std::uint64_t& out) {
  out = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    const std::uint8_t b = *p++;
    out |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

bool ReadEncoded(const std::uint8_t*& p, std::uint8_t encoding, std::uint64_t& out) {
  auto fixed = [&](int bytes, bool is_signed) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    if (is_signed && bytes < 8 && (v >> (8 * bytes - 1)) & 1) v |= ~0ull << (8 * bytes);
    p += bytes;
    out = v;
    return true;
  };
  switch (encoding & 0x0F) {
    case 0x00:
      return fixed(8, false);  // absptr
    case 0x01:
      return ReadUleb(p, out);
    case 0x02:
      return fixed(2, false);
    case 0x03:
      return fixed(4, false);
    case 0x04:
      return fixed(8, false);
    case 0x09: {
      std::uint64_t v = 0;
      int shift = 0;
      std::uint8_t b;
      do {
        b = *p++;
        v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        shift += 7;
      } while ((b & 0x80) && shift < 64);
      if (shift < 64 && (b & 0x40)) v |= ~0ull << shift;
      out = v;
      return true;
    }
    case 0x0A:
      return fixed(2, true);
    case 0x0B:
      return fixed(4, true);
    case 0x0C:
      return fixed(8, true);
    default:
      return false;
  }
}

}  // namespace

bool IsRecoverableFault(std::uint32_t code) {
  switch (code) {
    case kStatusAccessViolation:
    case kStatusIntegerDivideByZero:
    case kStatusIntegerOverflow:
    case kStatusArrayBoundsExceeded:
    case kStatusIllegalInstruction:
    case kStatusPrivilegedInstruction:
      return true;
    default:
      return false;
  }
}

FaultGuard::FaultGuard() : outer_(t_innermost_guard) { t_innermost_guard = this; }
FaultGuard::~FaultGuard() { t_innermost_guard = outer_; }

namespace detail {

const void* InnermostFaultGuard() { return t_innermost_guard; }

void SetFaultToThrow(const RaisedException& fault) { t_fault_to_throw = fault; }

void ThrowPendingFault() {
  const RaisedException& f = t_fault_to_throw;
  std::string message = ToUtf8(f.message);
  t_throwing_fault = true;
  switch (f.code) {
    case kStatusAccessViolation:
      throw EAccessViolation(f.code, f.address, std::move(message));
    case kStatusIntegerDivideByZero:
      throw EDivByZero(f.code, f.address, std::move(message));
    default:
      throw EHardwareFault(f.code, f.address, std::move(message));
  }
}

bool TakeThrownFault(RaisedException& out) {
  if (!t_throwing_fault) return false;
  t_throwing_fault = false;
  out = t_fault_to_throw;
  return true;
}

bool CallSiteListed(const std::uint8_t* lsda, std::uint64_t region_start, std::uint64_t ip) {
  if (!lsda) return false;
  const std::uint8_t* p = lsda;
  std::uint64_t ignored = 0;
  const std::uint8_t lpstart_encoding = *p++;
  if (lpstart_encoding != kEncOmit && !ReadEncoded(p, lpstart_encoding, ignored)) return false;
  const std::uint8_t ttype_encoding = *p++;
  if (ttype_encoding != kEncOmit && !ReadUleb(p, ignored)) return false;
  const std::uint8_t call_site_encoding = *p++;
  std::uint64_t table_length = 0;
  if (!ReadUleb(p, table_length)) return false;
  const std::uint8_t* end = p + table_length;
  while (p < end) {
    std::uint64_t start = 0, length = 0, landing_pad = 0, action = 0;
    if (!ReadEncoded(p, call_site_encoding, start) || !ReadEncoded(p, call_site_encoding, length) ||
        !ReadEncoded(p, call_site_encoding, landing_pad) || !ReadUleb(p, action))
      return false;
    // The table is sorted by start address.
    if (ip < region_start + start) return false;
    if (ip < region_start + start + length) return true;
  }
  return false;
}

}  // namespace detail
}  // namespace plat
