// Checks and COM helpers shared by the C++ client's parts.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "ferrolok_idl.h"

namespace client {

// Counted from any thread.
inline std::atomic<int> g_failures{0};
inline std::atomic<int> g_checks{0};

#define CHECK(cond)                                               \
  do {                                                            \
    ++g_checks;                                                   \
    if (!(cond)) {                                                \
      ++g_failures;                                               \
      std::printf("FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond); \
    }                                                             \
  } while (0)

#define CHECK_HR(expr, expected)                                                             \
  do {                                                                                       \
    ++g_checks;                                                                              \
    const HRESULT hr_ = (expr);                                                              \
    if (hr_ != (expected)) {                                                                 \
      ++g_failures;                                                                          \
      std::printf("FAIL %s:%d: %s = 0x%08lx, expected 0x%08lx\n", __FILE__, __LINE__, #expr, \
                  static_cast<unsigned long>(hr_), static_cast<unsigned long>(expected));    \
    }                                                                                        \
  } while (0)

inline const wchar_t kDefaultProvider[] = L"Microsoft Base Cryptographic Provider v1.0";

// Owns one reference.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  explicit Ptr(T* p) : p_(p) {}
  ~Ptr() { reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T** out() {
    reset();
    return &p_;
  }
  void** outVoid() { return reinterpret_cast<void**>(out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

struct Bstr {
  BSTR s = nullptr;
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : s(text ? SysAllocString(text) : nullptr) {}
  ~Bstr() { SysFreeString(s); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* out() {
    SysFreeString(s);
    s = nullptr;
    return &s;
  }
  bool isNull() const { return s == nullptr; }
  std::wstring text() const { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }
};

struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

inline std::vector<BYTE> bytesOf(const VARIANT& v) {
  std::vector<BYTE> out;
  if (V_VT(&v) != (VT_ARRAY | VT_UI1)) return out;
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(V_ARRAY(&v), 1, &lb);
  SafeArrayGetUBound(V_ARRAY(&v), 1, &ub);
  for (LONG i = lb; i <= ub; ++i) {
    BYTE b = 0;
    SafeArrayGetElement(V_ARRAY(&v), &i, &b);
    out.push_back(b);
  }
  return out;
}

inline bool isByteArray(const VARIANT& v, LONG lowerBound = 0) {
  if (V_VT(&v) != (VT_ARRAY | VT_UI1) || !V_ARRAY(&v)) return false;
  LONG lb = -1;
  return SafeArrayGetDim(V_ARRAY(&v)) == 1 && SUCCEEDED(SafeArrayGetLBound(V_ARRAY(&v), 1, &lb)) &&
         lb == lowerBound;
}

// A byte array VARIANT with the given lower bound.
inline void makeArray(VARIANT* v, const std::vector<BYTE>& bytes, LONG lowerBound) {
  SAFEARRAYBOUND bound = {static_cast<ULONG>(bytes.size()), lowerBound};
  SAFEARRAY* sa = SafeArrayCreate(VT_UI1, 1, &bound);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    LONG index = lowerBound + static_cast<LONG>(i);
    BYTE b = bytes[i];
    SafeArrayPutElement(sa, &index, &b);
  }
  VariantClear(v);
  V_VT(v) = VT_ARRAY | VT_UI1;
  V_ARRAY(v) = sa;
}

template <class T>
bool create(const wchar_t* progId, Ptr<T>& out, REFIID iid) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return false;
  return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out.outVoid()));
}

// The checks of client_files.cpp.
void checkScriptArrays();
void checkUnicodeNames();
void checkDestinationsThatAreNoFiles();
// The checks of client_control.cpp.
void checkExtent();
void checkDrawing(const wchar_t* dllPath);
void checkPersistence();

}  // namespace client
