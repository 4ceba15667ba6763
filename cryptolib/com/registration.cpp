#include "registration.h"

#include <oleauto.h>

#include <cwchar>
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

// The type library's file entry under a locale, "TypeLib\{LIBID}\1.0\409\win32"
// (or win64); the library's own locale when `neutral` is false, else 0.
// Wine's type library marshaler, which makes the proxies a client in another
// apartment calls through, looks the library up under locale 0 only.
// Empty when the library has no attributes.
std::wstring localeKey(ITypeLib* tl, bool neutral) {
  TLIBATTR* attr = nullptr;
  if (!tl || FAILED(tl->GetLibAttr(&attr))) return {};
  wchar_t libid[40] = {};
  StringFromGUID2(attr->guid, libid, 40);
  wchar_t key[96] = {};
  swprintf(key, 96, L"TypeLib\\%ls\\%x.%x\\%x\\%ls", libid, attr->wMajorVerNum, attr->wMinorVerNum,
           neutral ? 0u : static_cast<unsigned>(attr->lcid),
           attr->syskind == SYS_WIN64 ? L"win64" : L"win32");
  tl->ReleaseTLibAttr(attr);
  return key;
}

// The default value of a key under HKEY_CLASSES_ROOT.
long readDefault(const std::wstring& path, std::wstring& value) {
  DWORD bytes = 0;
  LONG err = RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr,
                          &bytes);
  if (err != ERROR_SUCCESS) return err;
  value.assign(bytes / sizeof(wchar_t), L'\0');
  err = RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(),
                     &bytes);
  value.resize(err == ERROR_SUCCESS ? wcslen(value.c_str()) : 0);
  return err;
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
  // Registers the type library under its LIBID with this DLL as its file,
  // under its own locale and the neutral one.
  ITypeLib* tl = nullptr;
  HRESULT hr = LoadTypeLibEx(dll.c_str(), REGKIND_REGISTER, &tl);
  if (SUCCEEDED(hr)) {
    const std::wstring own = localeKey(tl, false), neutral = localeKey(tl, true);
    std::wstring file;
    hr = own.empty() ? E_UNEXPECTED : fromWin32(readDefault(own, file));
    if (SUCCEEDED(hr) && neutral != own) hr = fromWin32(root.createKey(neutral));
    if (SUCCEEDED(hr) && neutral != own) hr = fromWin32(root.setValue(neutral, L"", file));
  }
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
  // This bitness's neutral-locale entry, and the locale's key once empty
  // (the other bitness's entry may remain).
  const std::wstring neutral = localeKey(tl, true);
  if (!neutral.empty() && neutral != localeKey(tl, false)) {
    const LONG gone = RegDeleteKeyW(HKEY_CLASSES_ROOT, neutral.c_str());
    if (gone != ERROR_SUCCESS && gone != ERROR_FILE_NOT_FOUND && SUCCEEDED(result))
      result = HRESULT_FROM_WIN32(gone);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, neutral.substr(0, neutral.rfind(L'\\')).c_str());
  }
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
