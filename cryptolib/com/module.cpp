#include "module.h"

#include <oleauto.h>

namespace ferrolok::com {
namespace {

HINSTANCE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
ITypeLib* volatile g_typeLib = nullptr;

}  // namespace

void setModuleInstance(HINSTANCE instance) { g_module = instance; }
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

}  // namespace ferrolok::com
