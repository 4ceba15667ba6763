#include "registration.h"

#include <oleauto.h>

#include <string>

#include "classes.h"
#include "module.h"
#include "registry_script.h"

namespace ferrolok::com {
namespace {

HRESULT fromWin32(long error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

// The script paths under HKEY_CLASSES_ROOT, through the Reg* functions.
class ClassesRoot final : public RegistryTarget {
 public:
  long createKey(const std::wstring& path) override {
    HKEY key = nullptr;
    const LONG err =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr);
    if (err == ERROR_SUCCESS) RegCloseKey(key);
    return err;
  }
  long setValue(const std::wstring& path, const std::wstring& name,
                const std::wstring& value) override {
    HKEY key = nullptr;
    LONG err = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (err != ERROR_SUCCESS) return err;
    err = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return err;
  }
  long deleteTree(const std::wstring& path) override {
    const LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (err != ERROR_SUCCESS) return err;
    // RegDeleteTree empties the key; remove the key itself as well.
    const LONG gone = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
  }
};

// The class's registration script from the DLL's REGISTRY resource.
HRESULT loadScript(const ClassIdentity& c, RegistryScript& script) {
  HMODULE module = moduleInstance();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(c.script), L"REGISTRY");
  if (!found) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  HGLOBAL loaded = LoadResource(module, found);
  const void* text = loaded ? LockResource(loaded) : nullptr;
  if (!text) return HRESULT_FROM_WIN32(GetLastError());
  try {
    script = RegistryScript::parse(
        std::string(static_cast<const char*>(text), SizeofResource(module, found)));
  } catch (const ScriptError&) {
    return E_UNEXPECTED;  // a resource of this DLL that does not read
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace

HRESULT registerServer() {
  const std::wstring dll = modulePath();
  if (dll.empty()) return HRESULT_FROM_WIN32(GetLastError());
  const std::map<std::wstring, std::wstring> variables = {{L"MODULE", dll}};
  ClassesRoot root;
  for (const ClassEntry& c : kClasses) {
    RegistryScript script;
    HRESULT hr = loadScript(*c.identity, script);
    if (SUCCEEDED(hr)) hr = fromWin32(script.apply(root, variables));
    if (FAILED(hr)) return hr;
  }
  // Registers the type library under its LIBID with this DLL as its file.
  ITypeLib* tl = nullptr;
  const HRESULT hr = LoadTypeLibEx(dll.c_str(), REGKIND_REGISTER, &tl);
  if (tl) tl->Release();
  return hr;
}

HRESULT unregisterServer() {
  HRESULT result = S_OK;
  ClassesRoot root;
  for (const ClassEntry& c : kClasses) {
    RegistryScript script;
    HRESULT hr = loadScript(*c.identity, script);
    if (SUCCEEDED(hr)) hr = fromWin32(script.remove(root));
    if (SUCCEEDED(result) && FAILED(hr)) result = hr;
  }
  ITypeLib* tl = typeLib();
  if (!tl) return FAILED(result) ? result : TYPE_E_CANTLOADLIBRARY;
  TLIBATTR* attr = nullptr;
  HRESULT hr = tl->GetLibAttr(&attr);
  if (SUCCEEDED(hr)) {
    const TLIBATTR a = *attr;
    tl->ReleaseTLibAttr(attr);
    hr = UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    // Unregistering a library that is not registered is no failure.
    if (hr == TYPE_E_REGISTRYACCESS) hr = S_OK;
  }
  return FAILED(result) ? result : hr;
}

}  // namespace ferrolok::com
