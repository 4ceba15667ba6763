#include "registration.h"

#include <oleauto.h>

#include <string>

#include "server.h"

namespace ferrolok::com {
namespace {

constexpr wchar_t kProgIdPrefix[] = L"Ferrolok.";
constexpr wchar_t kLibId[] = L"{F08A1D92-7E1F-416D-BA15-0E9053571415}";
constexpr wchar_t kMiscStatus[] = L"132497";  // 0x20591, see the OLEMISC flags of the classes

std::wstring guidText(const GUID& g) {
  wchar_t text[40] = {};
  StringFromGUID2(g, text, 40);
  return text;
}

HRESULT fromWin32(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

// Creates HKCR\path (and its parents), optionally with a default or named
// string value.
HRESULT setKey(const std::wstring& path, const wchar_t* name = nullptr,
               const std::wstring* value = nullptr) {
  HKEY key = nullptr;
  LONG err = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE, nullptr, &key, nullptr);
  if (err != ERROR_SUCCESS) return fromWin32(err);
  if (value)
    err = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                         static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return fromWin32(err);
}

HRESULT setDefault(const std::wstring& path, const std::wstring& value) {
  return setKey(path, nullptr, &value);
}

// Deletes HKCR\path with everything below it; a key that is not there is
// not an error.
HRESULT deleteTree(const std::wstring& path) {
  const LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (err == ERROR_FILE_NOT_FOUND) return S_OK;
  if (err != ERROR_SUCCESS) return fromWin32(err);
  // RegDeleteTree empties the key; remove the key itself as well.
  const LONG gone = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return gone == ERROR_FILE_NOT_FOUND ? S_OK : fromWin32(gone);
}

struct Names {
  std::wstring progId;       // Ferrolok.EncryptString.1
  std::wstring progIdAny;    // Ferrolok.EncryptString
  std::wstring description;  // EncryptString Class
  std::wstring classKey;     // CLSID\{...}
};

Names namesOf(const ClassInfo& c) {
  Names n;
  n.progIdAny = std::wstring(kProgIdPrefix) + c.name;
  n.progId = n.progIdAny + L".1";
  n.description = std::wstring(c.name) + L" Class";
  n.classKey = L"CLSID\\" + guidText(*c.clsid);
  return n;
}

HRESULT registerClass(const ClassInfo& c, const std::wstring& dll) {
  const Names n = namesOf(c);
  const std::wstring clsid = guidText(*c.clsid);
  HRESULT hr = S_OK;
  auto step = [&hr](HRESULT r) {
    if (SUCCEEDED(hr) && FAILED(r)) hr = r;
  };
  step(setDefault(n.progId, n.description));
  step(setDefault(n.progId + L"\\CLSID", clsid));
  step(setDefault(n.progIdAny, n.description));
  step(setDefault(n.progIdAny + L"\\CLSID", clsid));
  step(setDefault(n.progIdAny + L"\\CurVer", n.progId));

  // The class key is replaced whole.
  step(deleteTree(n.classKey));
  step(setDefault(n.classKey, n.description));
  step(setDefault(n.classKey + L"\\ProgID", n.progId));
  step(setDefault(n.classKey + L"\\VersionIndependentProgID", n.progIdAny));
  step(setKey(n.classKey + L"\\Programmable"));
  step(setKey(n.classKey + L"\\Control"));
  step(setKey(n.classKey + L"\\Insertable"));
  step(setDefault(n.classKey + L"\\InprocServer32", dll));
  const std::wstring apartment = L"Apartment";
  step(setKey(n.classKey + L"\\InprocServer32", L"ThreadingModel", &apartment));
  step(setDefault(n.classKey + L"\\ToolboxBitmap32", dll + L", " + std::to_wstring(c.bitmap)));
  step(setDefault(n.classKey + L"\\MiscStatus", L"0"));
  step(setDefault(n.classKey + L"\\MiscStatus\\1", kMiscStatus));
  step(setDefault(n.classKey + L"\\TypeLib", kLibId));
  step(setDefault(n.classKey + L"\\Version", L"1.0"));
  return hr;
}

HRESULT unregisterClass(const ClassInfo& c) {
  const Names n = namesOf(c);
  HRESULT hr = deleteTree(n.progId);
  const HRESULT any = deleteTree(n.progIdAny);
  const HRESULT cls = deleteTree(n.classKey);
  if (FAILED(hr)) return hr;
  return FAILED(any) ? any : cls;
}

}  // namespace

HRESULT registerServer() {
  const std::wstring dll = modulePath();
  if (dll.empty()) return HRESULT_FROM_WIN32(GetLastError());
  for (const ClassInfo& c : kClasses) {
    const HRESULT hr = registerClass(c, dll);
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
  for (const ClassInfo& c : kClasses) {
    const HRESULT hr = unregisterClass(c);
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
