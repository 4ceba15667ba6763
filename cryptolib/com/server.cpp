// The in-process server: module state, class factories and the four exports.
#include "server.h"

#include <oleauto.h>

#include <cstring>

#include "registration.h"

namespace ferrolok::com {
namespace {

HINSTANCE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
ITypeLib* volatile g_typeLib = nullptr;

// One class factory per class, living as long as the DLL. While a client
// holds one the module stays locked.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassInfo& info) : info_(info) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    lockModule();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    unlockModule();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return info_.create(riid, out);
  }
  STDMETHODIMP LockServer(WINBOOL lock) override {
    if (lock)
      lockModule();
    else
      unlockModule();
    return S_OK;
  }

 private:
  const ClassInfo& info_;
};

ClassFactory g_factories[] = {ClassFactory(kClasses[0]), ClassFactory(kClasses[1]),
                              ClassFactory(kClasses[2]), ClassFactory(kClasses[3]),
                              ClassFactory(kClasses[4]), ClassFactory(kClasses[5])};

}  // namespace

HINSTANCE moduleInstance() { return g_module; }

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void addObject() { InterlockedIncrement(&g_objects); }
void releaseObject() { InterlockedDecrement(&g_objects); }
void lockModule() { InterlockedIncrement(&g_locks); }
void unlockModule() { InterlockedDecrement(&g_locks); }
bool moduleInUse() { return g_objects != 0 || g_locks != 0; }

ITypeLib* typeLib() {
  if (ITypeLib* loaded = g_typeLib) return loaded;
  ITypeLib* tl = nullptr;
  if (FAILED(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &tl))) return nullptr;
  // Objects of several apartments may ask at once: the first one loaded stays.
  if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&g_typeLib), tl,
                                        nullptr) != nullptr)
    tl->Release();
  return g_typeLib;
}

void releaseTypeLib() {
  auto* tl = static_cast<ITypeLib*>(
      InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&g_typeLib), nullptr));
  if (tl) tl->Release();
}

HRESULT typeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ITypeLib* tl = typeLib();
  if (!tl) return TYPE_E_CANTLOADLIBRARY;
  return tl->GetTypeInfoOfGuid(guid, out);
}

HRESULT copyString(const BString& value, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!value) return S_OK;
  *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value->data()),
                           static_cast<UINT>(value->size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

BString toBString(BSTR value) {
  if (!value) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
}

DataValue toDataValue(const VARIANT& value) {
  const VARIANT* v = &value;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  SAFEARRAY* sa = nullptr;
  if (V_VT(v) == (VT_ARRAY | VT_UI1))
    sa = V_ARRAY(v);
  else if (V_VT(v) == (VT_ARRAY | VT_UI1 | VT_BYREF) && V_ARRAYREF(v))
    sa = *V_ARRAYREF(v);
  if (!sa || SafeArrayGetDim(sa) < 1 || SafeArrayGetElemsize(sa) != 1) return std::nullopt;

  // The elements of the first dimension, from its lower bound upwards (with
  // any further dimension at its lower bound): the first ones in memory.
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(sa, 1, &lower)) || FAILED(SafeArrayGetUBound(sa, 1, &upper)))
    return std::nullopt;
  ByteArray array;
  array.lowerBound = lower;
  const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
  if (count > 0) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &data))) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    array.bytes.assign(bytes, bytes + count);
    SafeArrayUnaccessData(sa);
  }
  return array;
}

HRESULT storeResult(const Result& result, VARIANT* out) {
  if (!out) return E_POINTER;
  if (!result) return S_OK;
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(result->size()));
  if (!sa) return S_OK;
  if (!result->empty()) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &data))) {
      SafeArrayDestroy(sa);
      return S_OK;
    }
    std::memcpy(data, result->data(), result->size());
    SafeArrayUnaccessData(sa);
  }
  VariantInit(out);
  V_VT(out) = VT_ARRAY | VT_UI1;
  V_ARRAY(out) = sa;
  return S_OK;
}

}  // namespace ferrolok::com

using namespace ferrolok::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  if (moduleInUse()) return S_FALSE;
  releaseTypeLib();
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (std::size_t i = 0; i < std::size(kClasses); ++i)
    if (IsEqualCLSID(clsid, *kClasses[i].clsid)) return g_factories[i].QueryInterface(riid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() { return registerServer(); }

STDAPI DllUnregisterServer() { return unregisterServer(); }

}  // extern "C"
