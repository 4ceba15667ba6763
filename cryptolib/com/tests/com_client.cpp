// A C++ client of the registered Ferrolok server, checking through COM what
// a script cannot see: the interfaces, null strings, the array bounds and
// copies, the control extent, persistence, the type library and the module's
// exports, script arrays as Data and file names beyond the code page. Run
// under Wine with the DLL's path as argument; prints one line
// per failed check and exits with the number of failures.
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "client_util.h"
#include "ferrolok_idl.h"

namespace client {
namespace {

// ProgIDs, CLSIDs and the interface list of every class.
void checkIdentities() {
  struct Entry {
    const wchar_t* name;
    const CLSID* clsid;
    const IID* iid;
  };
  const Entry entries[] = {
      {L"EncryptString", &CLSID_EncryptString, &IID_IEncryptString},
      {L"DecryptData", &CLSID_DecryptData, &IID_IDecryptData},
      {L"CreateFileHash", &CLSID_CreateFileHash, &IID_ICreateFileHash},
      {L"CreateStringHash", &CLSID_CreateStringHash, &IID_ICreateStringHash},
      {L"DecryptFile", &CLSID_Decryptfile, &IID_IDecryptFile},
      {L"EncryptFile", &CLSID_Encryptfile, &IID_IEncryptFile},
  };
  const IID* control[] = {&IID_IDispatch,
                          &IID_IViewObjectEx,
                          &IID_IViewObject2,
                          &IID_IViewObject,
                          &IID_IOleInPlaceObjectWindowless,
                          &IID_IOleInPlaceObject,
                          &IID_IOleWindow,
                          &IID_IOleInPlaceActiveObject,
                          &IID_IOleControl,
                          &IID_IOleObject,
                          &IID_IPersistStreamInit,
                          &IID_IPersist,
                          &IID_ISpecifyPropertyPages,
                          &IID_IQuickActivate,
                          &IID_IPersistStorage,
                          &IID_IPersistPropertyBag,
                          &IID_IDataObject,
                          &IID_IProvideClassInfo,
                          &IID_IProvideClassInfo2};
  for (const Entry& e : entries) {
    for (const wchar_t* suffix : {L"", L".1"}) {
      const std::wstring progId = std::wstring(L"Ferrolok.") + e.name + suffix;
      CLSID clsid = GUID_NULL;
      CHECK_HR(CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
      CHECK(IsEqualCLSID(clsid, *e.clsid));
    }
    Ptr<IUnknown> unknown;
    CHECK_HR(
        CoCreateInstance(*e.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.outVoid()),
        S_OK);
    if (!unknown) continue;
    Ptr<IUnknown> own;
    CHECK_HR(unknown->QueryInterface(*e.iid, own.outVoid()), S_OK);
    for (const IID* iid : control) {
      Ptr<IUnknown> itf;
      CHECK_HR(unknown->QueryInterface(*iid, itf.outVoid()), S_OK);
      // Every interface leads back to the same object.
      Ptr<IUnknown> back;
      if (itf) itf->QueryInterface(IID_IUnknown, back.outVoid());
      CHECK(back.get() == unknown.get());
    }
    // No connection points, no error information, no aggregation.
    Ptr<IUnknown> none;
    CHECK_HR(unknown->QueryInterface(IID_IConnectionPointContainer, none.outVoid()), E_NOINTERFACE);
    CHECK_HR(unknown->QueryInterface(IID_ISupportErrorInfo, none.outVoid()), E_NOINTERFACE);
    Ptr<IClassFactory> factory;
    CHECK_HR(CoGetClassObject(*e.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                              factory.outVoid()),
             S_OK);
    if (factory)
      CHECK_HR(factory->CreateInstance(unknown.get(), IID_IUnknown, none.outVoid()),
               CLASS_E_NOAGGREGATION);
  }
}

// Defaults, null and empty strings, ProviderType, and the untouched result.
void checkProperties() {
  Ptr<IEncryptString> enc;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  if (!enc) return;
  Bstr s;
  CHECK_HR(enc->get_Provider(s.out()), S_OK);
  CHECK(s.text() == kDefaultProvider);
  for (auto get : {&IEncryptString::get_Input, &IEncryptString::get_DestinationFile,
                   &IEncryptString::get_Password}) {
    CHECK_HR((enc.get()->*get)(s.out()), S_OK);
    CHECK(!s.isNull() && SysStringLen(s.s) == 0);
  }
  short type = 0;
  enc->get_ProviderType(&type);
  CHECK(type == 1);
  LONG save = 0;
  enc->get_SaveToFile(&save);
  CHECK(save == 1);

  // A null string stays null, "" stays an allocated empty string, and a get
  // returns a fresh copy.
  CHECK_HR(enc->put_Password(nullptr), S_OK);
  CHECK_HR(enc->get_Password(s.out()), S_OK);
  CHECK(s.isNull());
  Bstr empty(L"");
  enc->put_Password(empty.s);
  enc->get_Password(s.out());
  CHECK(!s.isNull() && SysStringLen(s.s) == 0 && s.s != empty.s);
  Bstr withZero;
  *withZero.out() = SysAllocStringLen(L"a\0b", 3);
  enc->put_Input(withZero.s);
  enc->get_Input(s.out());
  CHECK(SysStringLen(s.s) == 3 && s.s != withZero.s && std::wmemcmp(s.s, L"a\0b", 3) == 0);

  // ProviderType is a signed 16-bit value; -1 names no provider type.
  enc->put_ProviderType(-2);
  enc->get_ProviderType(&type);
  CHECK(type == -2);
  enc->put_ProviderType(-32768);
  enc->get_ProviderType(&type);
  CHECK(type == -32768);
  enc->put_SaveToFile(0);
  Bstr input(L"abc");
  enc->put_Input(input.s);
  Variant result;
  CHECK_HR(enc->Encrypt(&result.v), S_OK);
  CHECK(isByteArray(result.v) && bytesOf(result.v).empty());
  enc->put_ProviderType(1);

  // Input "" leaves the caller's VARIANT as it was; a null Input encrypts
  // zero bytes into one block.
  enc->put_Input(empty.s);
  VariantClear(&result.v);
  V_VT(&result.v) = VT_I4;
  V_I4(&result.v) = 1234;
  CHECK_HR(enc->Encrypt(&result.v), S_OK);
  CHECK(V_VT(&result.v) == VT_I4 && V_I4(&result.v) == 1234);
  enc->put_Input(nullptr);
  CHECK_HR(enc->Encrypt(&result.v), S_OK);
  CHECK(isByteArray(result.v) && bytesOf(result.v).size() == 8);

  Ptr<ICreateStringHash> hash;
  CHECK(create(L"Ferrolok.CreateStringHash.1", hash, IID_ICreateStringHash));
  if (hash) {
    hash->put_Input(empty.s);
    Variant digest;
    CHECK_HR(hash->Hash(&digest.v), S_OK);
    CHECK(V_VT(&digest.v) == VT_EMPTY);
    hash->put_Input(nullptr);  // MD5 of nothing
    hash->Hash(&digest.v);
    const std::vector<BYTE> md5Empty = {0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                                        0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
    CHECK(isByteArray(digest.v) && bytesOf(digest.v) == md5Empty);
  }
}

// Data: deep copies both ways, any lower bound, empty arrays, non-arrays.
void checkData() {
  Ptr<IEncryptString> enc;
  Ptr<IDecryptData> dec;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  CHECK(create(L"Ferrolok.DecryptData", dec, IID_IDecryptData));
  if (!enc || !dec) return;
  Bstr password(L"plumb"), input(L"Operator 1, 5/3/2004");
  enc->put_Password(password.s);
  dec->put_Password(password.s);
  enc->put_SaveToFile(0);
  dec->put_SaveToFile(0);
  enc->put_Input(input.s);
  Variant cipher;
  enc->Encrypt(&cipher.v);
  const std::vector<BYTE> cipherBytes = bytesOf(cipher.v);
  CHECK(cipherBytes.size() == 24);

  Variant data;
  CHECK_HR(dec->get_Data(&data.v), S_OK);
  CHECK(V_VT(&data.v) == VT_EMPTY);
  Variant result;
  CHECK_HR(dec->Decrypt(&result.v), S_OK);
  CHECK(V_VT(&result.v) == VT_EMPTY);

  // Changing the caller's array after the put, or the array a get returned,
  // leaves the stored one alone.
  CHECK_HR(dec->put_Data(cipher.v), S_OK);
  BYTE* raw = nullptr;
  SafeArrayAccessData(V_ARRAY(&cipher.v), reinterpret_cast<void**>(&raw));
  raw[0] ^= 0xFF;
  SafeArrayUnaccessData(V_ARRAY(&cipher.v));
  Variant got;
  dec->get_Data(&got.v);
  CHECK(V_ARRAY(&got.v) != V_ARRAY(&cipher.v) && bytesOf(got.v) == cipherBytes);
  SafeArrayAccessData(V_ARRAY(&got.v), reinterpret_cast<void**>(&raw));
  raw[1] ^= 0xFF;
  SafeArrayUnaccessData(V_ARRAY(&got.v));
  Variant again;
  dec->get_Data(&again.v);
  CHECK(bytesOf(again.v) == cipherBytes);
  CHECK_HR(dec->Decrypt(&result.v), S_OK);
  const std::vector<BYTE> expected = {'O', 'p', 'e', 'r', 'a', 't', 'o', 'r', ' ', '1',
                                      ',', ' ', '5', '/', '3', '/', '2', '0', '0', '4'};
  CHECK(isByteArray(result.v) && bytesOf(result.v) == expected);

  // Lower bound 1 is decrypted whole; the result still starts at 0.
  Variant shifted;
  makeArray(&shifted.v, cipherBytes, 1);
  dec->put_Data(shifted.v);
  VariantClear(&result.v);
  dec->Decrypt(&result.v);
  CHECK(isByteArray(result.v, 0) && bytesOf(result.v) == expected);
  Variant back;
  dec->get_Data(&back.v);
  CHECK(isByteArray(back.v, 1) && bytesOf(back.v) == cipherBytes);

  // A reference to an array is taken by value.
  SAFEARRAY* referenced = V_ARRAY(&shifted.v);
  Variant byRef;
  V_VT(&byRef.v) = VT_ARRAY | VT_UI1 | VT_BYREF;
  V_ARRAYREF(&byRef.v) = &referenced;
  dec->put_Data(byRef.v);
  V_VT(&byRef.v) = VT_EMPTY;  // not ours to free
  VariantClear(&result.v);
  dec->Decrypt(&result.v);
  CHECK(bytesOf(result.v) == expected);

  // No elements, or a length that is not whole blocks: an empty array.
  for (const std::size_t n : {std::size_t(0), std::size_t(7)}) {
    Variant part;
    makeArray(&part.v, std::vector<BYTE>(cipherBytes.begin(), cipherBytes.begin() + n), 0);
    dec->put_Data(part.v);
    VariantClear(&result.v);
    CHECK_HR(dec->Decrypt(&result.v), S_OK);
    CHECK(isByteArray(result.v) && bytesOf(result.v).empty());
  }

  // A Data that holds no byte array leaves the result untouched.
  Variant text;
  V_VT(&text.v) = VT_BSTR;
  V_BSTR(&text.v) = SysAllocString(L"not bytes");
  dec->put_Data(text.v);
  VariantClear(&result.v);
  V_VT(&result.v) = VT_I2;
  V_I2(&result.v) = 7;
  dec->Decrypt(&result.v);
  CHECK(V_VT(&result.v) == VT_I2 && V_I2(&result.v) == 7);
  Variant textBack;
  dec->get_Data(&textBack.v);
  CHECK(V_VT(&textBack.v) == VT_BSTR && std::wstring(V_BSTR(&textBack.v)) == L"not bytes");
}

// The type library: names, DISPIDs, help strings and flags, reached from an
// object and through IDispatch.
void checkTypeInfo() {
  Ptr<IDispatch> disp;
  CHECK(create(L"Ferrolok.DecryptData", disp, IID_IDispatch));
  if (!disp) return;
  UINT count = 0;
  disp->GetTypeInfoCount(&count);
  CHECK(count == 1);
  const wchar_t* names[] = {L"Data",         L"DestinationFile", L"Password", L"Provider",
                            L"ProviderType", L"SaveToFile",      L"Decrypt"};
  for (int i = 0; i < 7; ++i) {
    DISPID id = 0;
    auto* n = const_cast<LPOLESTR>(names[i]);
    CHECK_HR(disp->GetIDsOfNames(IID_NULL, &n, 1, 0x409, &id), S_OK);
    CHECK(id == i + 1);
  }
  Ptr<ITypeInfo> info;
  CHECK_HR(disp->GetTypeInfo(0, 0x409, info.out()), S_OK);
  if (info) {
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
    CHECK(name && std::wstring(name) == L"IDecryptData");
    CHECK(doc && std::wstring(doc) == L"IDecryptData Interface");
    SysFreeString(name);
    SysFreeString(doc);
    info->GetDocumentation(1, nullptr, &doc, nullptr, nullptr);
    CHECK(doc && std::wstring(doc) == L"property Data");
    SysFreeString(doc);
    info->GetDocumentation(7, nullptr, &doc, nullptr, nullptr);
    CHECK(doc && std::wstring(doc) == L"method Decrypt");
    SysFreeString(doc);
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    CHECK(attr && (attr->wTypeFlags & TYPEFLAG_FDUAL) && IsEqualGUID(attr->guid, IID_IDecryptData));
    if (attr) {
      bool dataHidden = false;
      for (UINT f = 0; f < attr->cFuncs; ++f) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(f, &fd))) continue;
        if (fd->memid == 1) dataHidden = (fd->wFuncFlags & FUNCFLAG_FNONBROWSABLE) != 0;
        info->ReleaseFuncDesc(fd);
      }
      CHECK(dataHidden);
      info->ReleaseTypeAttr(attr);
    }
    Ptr<ITypeLib> lib;
    UINT index = 0;
    CHECK_HR(info->GetContainingTypeLib(lib.out(), &index), S_OK);
    if (lib) {
      TLIBATTR* la = nullptr;
      lib->GetLibAttr(&la);
      const GUID libid = {
          0xF08A1D92, 0x7E1F, 0x416D, {0xBA, 0x15, 0x0E, 0x90, 0x53, 0x57, 0x14, 0x15}};
      CHECK(la && IsEqualGUID(la->guid, libid) && la->wMajorVerNum == 1 && la->wMinorVerNum == 0 &&
            la->lcid == 0x409);
      if (la) lib->ReleaseTLibAttr(la);
      lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
      CHECK(name && std::wstring(name) == L"FERROLOKLib");
      CHECK(doc && std::wstring(doc) == L"Ferrolok 1.0 Type Library");
      SysFreeString(name);
      SysFreeString(doc);
      CHECK(lib->GetTypeInfoCount() == 12);
    }
  }

  // A method by DISPID through IDispatch::Invoke.
  Variant password;
  V_VT(&password.v) = VT_BSTR;
  V_BSTR(&password.v) = SysAllocString(L"plumb");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS args = {&password.v, &put, 1, 1};
  CHECK_HR(disp->Invoke(3, IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &args, nullptr, nullptr, nullptr),
           S_OK);
  Variant data;
  makeArray(&data.v, {0xb5, 0x6c, 0xad, 0x6e, 0xe4, 0xdd, 0x5d, 0x6d}, 0);
  args.rgvarg = &data.v;
  disp->Invoke(1, IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &args, nullptr, nullptr, nullptr);
  Variant zero;
  V_VT(&zero.v) = VT_I4;
  V_I4(&zero.v) = 0;
  args.rgvarg = &zero.v;
  disp->Invoke(6, IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &args, nullptr, nullptr, nullptr);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  Variant result;
  CHECK_HR(disp->Invoke(7, IID_NULL, 0x409, DISPATCH_METHOD, &none, &result.v, nullptr, nullptr),
           S_OK);
  CHECK(bytesOf(result.v) == std::vector<BYTE>{'a'});

  // A null string put through IDispatch stays null.
  Variant nullString;
  V_VT(&nullString.v) = VT_BSTR;
  V_BSTR(&nullString.v) = nullptr;
  args.rgvarg = &nullString.v;
  CHECK_HR(disp->Invoke(2, IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &args, nullptr, nullptr, nullptr),
           S_OK);
  Ptr<IDecryptData> typed;
  disp->QueryInterface(IID_IDecryptData, typed.outVoid());
  Bstr destination;
  typed->get_DestinationFile(destination.out());
  CHECK(destination.isNull());
  // (Wine's IDispatch::Invoke hands a null string result back as an empty
  // one, so the way back is checked through the vtable above only.)

  Ptr<IProvideClassInfo2> classInfo;
  disp->QueryInterface(IID_IProvideClassInfo2, classInfo.outVoid());
  Ptr<ITypeInfo> coclass;
  CHECK_HR(classInfo->GetClassInfo(coclass.out()), S_OK);
  if (coclass) {
    BSTR name = nullptr, doc = nullptr;
    coclass->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
    CHECK(name && std::wstring(name) == L"DecryptData");
    CHECK(doc && std::wstring(doc) == L"DecryptData Class");
    SysFreeString(name);
    SysFreeString(doc);
  }
  // The file classes' coclasses are spelled with a lower-case f.
  Ptr<IProvideClassInfo> fileClassInfo;
  CHECK(create(L"Ferrolok.DecryptFile", fileClassInfo, IID_IProvideClassInfo));
  Ptr<ITypeInfo> fileCoclass;
  if (fileClassInfo) fileClassInfo->GetClassInfo(fileCoclass.out());
  if (fileCoclass) {
    BSTR name = nullptr, doc = nullptr;
    fileCoclass->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
    CHECK(name && std::wstring(name) == L"Decryptfile");
    CHECK(doc && std::wstring(doc) == L"DecryptFile Class");
    SysFreeString(name);
    SysFreeString(doc);
  }
  GUID source = CLSID_DecryptData;
  CHECK_HR(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  CHECK(IsEqualGUID(source, GUID_NULL));
}

// The string, bitmap and version resources of the DLL.
void checkResources(const wchar_t* dllPath) {
  HMODULE res = LoadLibraryExW(dllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  CHECK(res != nullptr);
  if (!res) return;
  wchar_t text[64] = {};
  CHECK(LoadStringW(res, 100, text, 64) == 8 && std::wstring(text) == L"Ferrolok");
  for (int id = 101; id <= 111; id += 2) {
    HANDLE image = LoadImageW(res, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    BITMAP bm = {};
    CHECK(image && GetObjectW(image, sizeof(bm), &bm) == sizeof(bm) && bm.bmWidth == 16 &&
          bm.bmHeight == 16 && bm.bmBitsPixel == 4);
    if (image) DeleteObject(image);
  }
  CHECK(FindResourceW(res, MAKEINTRESOURCEW(1), L"TYPELIB") != nullptr);
  // The registration scripts, one per class.
  for (int id = 102; id <= 112; id += 2)
    CHECK(FindResourceW(res, MAKEINTRESOURCEW(id), L"REGISTRY") != nullptr);
  FreeLibrary(res);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(dllPath, &ignored);
  std::vector<BYTE> version(size);
  CHECK(size > 0 && GetFileVersionInfoW(dllPath, 0, size, version.data()));
  if (size == 0) return;
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT length = 0;
  CHECK(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translation), &length) &&
        length >= sizeof(Translation) && translation->language == 0x0409 &&
        translation->codePage == 0x04B0);
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"FileVersion", L"1, 0, 0, 1"},
      {L"ProductVersion", L"1, 0, 0, 1"},
      {L"FileDescription", L"Ferrolok Module"},
      {L"ProductName", L"Ferrolok Module"},
      {L"InternalName", L"Ferrolok"},
      {L"OriginalFilename", L"Ferrolok.DLL"},
      {L"OLESelfRegister", L""}};
  for (const auto& [name, expected] : strings) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    const bool found =
        VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&value), &length);
    CHECK(found && value && std::wstring(value) == expected);
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  CHECK(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0x00000001);
}

// The module's exports, called directly.
void checkExports(const wchar_t* dllPath) {
  HMODULE dll = LoadLibraryW(dllPath);
  CHECK(dll != nullptr);
  if (!dll) return;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(WINAPI*)();
  auto getClassObject = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  CHECK(getClassObject && canUnloadNow && GetProcAddress(dll, "DllRegisterServer") &&
        GetProcAddress(dll, "DllUnregisterServer"));
  if (!getClassObject || !canUnloadNow) return;

  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  Ptr<IClassFactory> factory;
  CHECK_HR(getClassObject(unknown, IID_IClassFactory, factory.outVoid()),
           CLASS_E_CLASSNOTAVAILABLE);
  CHECK_HR(getClassObject(IID_IEncryptString, IID_IClassFactory, factory.outVoid()),
           CLASS_E_CLASSNOTAVAILABLE);

  CoFreeUnusedLibraries();
  CHECK_HR(canUnloadNow(), S_OK);
  CHECK_HR(getClassObject(CLSID_CreateStringHash, IID_IClassFactory, factory.outVoid()), S_OK);
  CHECK_HR(canUnloadNow(), S_FALSE);  // a factory is held
  Ptr<ICreateStringHash> object;
  CHECK_HR(factory->CreateInstance(nullptr, IID_ICreateStringHash, object.outVoid()), S_OK);
  factory->LockServer(TRUE);
  factory.reset();
  CHECK_HR(canUnloadNow(), S_FALSE);  // an object and a lock
  object.reset();
  CHECK_HR(canUnloadNow(), S_FALSE);  // the lock
  getClassObject(CLSID_CreateStringHash, IID_IClassFactory, factory.outVoid());
  factory->LockServer(FALSE);
  factory.reset();
  CHECK_HR(canUnloadNow(), S_OK);
  FreeLibrary(dll);
}

}  // namespace
}  // namespace client

using namespace client;

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: com_client PATH-OF-Ferrolok.dll\n");
    return 100;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 101;
  checkIdentities();
  checkProperties();
  checkData();
  checkScriptArrays();
  checkUnicodeNames();
  checkDestinationsThatAreNoFiles();
  checkExtent();
  checkDrawing(argv[1]);
  checkPersistence();
  checkTypeInfo();
  checkResources(argv[1]);
  CoFreeUnusedLibraries();
  checkExports(argv[1]);
  CoUninitialize();
  std::printf("%d checks, %d failed\n", g_checks.load(), g_failures.load());
  return g_failures;
}
