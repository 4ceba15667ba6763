// The in-process server: class factories and the four exports. It sits on
// top: the class table, the registration and the module state are below it,
// and nothing below calls back up.
#include <ole2.h>
#include <windows.h>

#include <iterator>

#include "classes.h"
#include "module.h"
#include "registration.h"

namespace ferrolok::com {
namespace {

// One class factory per class, living as long as the DLL. While a client
// holds one the module stays locked.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

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
    return entry_.create(riid, out);
  }
  STDMETHODIMP LockServer(WINBOOL lock) override {
    if (lock)
      lockModule();
    else
      unlockModule();
    return S_OK;
  }

 private:
  const ClassEntry& entry_;
};

ClassFactory g_factories[] = {ClassFactory(kClasses[0]), ClassFactory(kClasses[1]),
                              ClassFactory(kClasses[2]), ClassFactory(kClasses[3]),
                              ClassFactory(kClasses[4]), ClassFactory(kClasses[5])};
static_assert(std::size(g_factories) == std::size(kClasses));

}  // namespace
}  // namespace ferrolok::com

using namespace ferrolok::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    setModuleInstance(instance);
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
    if (IsEqualCLSID(clsid, *kClasses[i].identity->clsid))
      return g_factories[i].QueryInterface(riid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() { return registerServer(); }

STDAPI DllUnregisterServer() { return unregisterServer(); }

}  // extern "C"
