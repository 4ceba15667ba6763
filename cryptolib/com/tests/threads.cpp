// The registered server used from several threads at once, as a multi-threaded
// client uses it: objects created and used in eight single-threaded apartments
// side by side, DllCanUnloadNow saying S_FALSE while any of them holds an
// object and S_OK once all have ended (the classes then load again); then an
// object created from the multithreaded apartment (COM puts it in an
// apartment of its own and hands back a proxy) and an object of the main
// apartment marshalled to a worker, both called through the type library's
// proxies. (DllCanUnloadNow is not asked after that: the apartment COM made
// for the object keeps its class object.) Run under Wine with the DLL's path
// as argument. Prints each section as it starts (so a hang shows where) and
// one line per failed check; exits with the number of failures, or 200 when
// a section did not end in time.
#include <ocidl.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "client_util.h"
#include "ferrolok_idl.h"

namespace client {
namespace {

constexpr int kApartments = 8;
constexpr int kRounds = 20;
// Generous: under an emulator a thread's first COM call can take minutes.
constexpr DWORD kSectionTimeoutMs = 15 * 60 * 1000;

void section(const char* name) {
  std::printf("-- %s\n", name);
  std::fflush(stdout);
}

// The encryption of `text` under "plumb", through a fresh object of the
// calling apartment (or a proxy to one).
std::vector<BYTE> encrypt(IEncryptString* enc, const std::wstring& text) {
  Bstr password(L"plumb"), input(text.c_str());
  enc->put_SaveToFile(0);
  enc->put_Password(password.s);
  enc->put_Input(input.s);
  Variant result;
  if (FAILED(enc->Encrypt(&result.v))) return {};
  return bytesOf(result.v);
}

std::vector<BYTE> decrypt(IDecryptData* dec, const std::vector<BYTE>& cipher) {
  Bstr password(L"plumb");
  dec->put_SaveToFile(0);
  dec->put_Password(password.s);
  Variant data, result;
  makeArray(&data.v, cipher, 0);
  dec->put_Data(data.v);
  if (FAILED(dec->Decrypt(&result.v))) return {};
  return bytesOf(result.v);
}

std::vector<BYTE> narrow(const std::wstring& text) {
  std::vector<BYTE> out;
  for (wchar_t c : text) out.push_back(static_cast<BYTE>(c));
  return out;
}

std::wstring rowText(int apartment, int round) {
  return L"Operator " + std::to_wstring(apartment) + L", batch " + std::to_wstring(round) +
         L", 5/3/2004 9:05:07 AM";
}

// Waits for `handles` while letting this apartment's calls in; false on a
// timeout.
bool waitAll(std::vector<HANDLE> handles) {
  const DWORD start = GetTickCount();
  while (!handles.empty()) {
    DWORD index = 0;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kSectionTimeoutMs) return false;
    const HRESULT hr = CoWaitForMultipleHandles(
        0, kSectionTimeoutMs - elapsed, static_cast<ULONG>(handles.size()), handles.data(), &index);
    if (hr == RPC_S_CALLPENDING || FAILED(hr)) return false;
    CloseHandle(handles[index]);
    handles.erase(handles.begin() + index);
  }
  return true;
}

struct ApartmentRun {
  int number = 0;
  std::vector<BYTE> expectedDigest;  // MD5 of "abc", from the main apartment
  HANDLE ready = nullptr;            // set once the objects exist
  HANDLE proceed = nullptr;          // the main thread has asked DllCanUnloadNow
};

// One single-threaded apartment: its own objects, round after round of
// encryption, decryption and a digest, each result compared.
DWORD WINAPI apartmentThread(void* param) {
  const auto& run = *static_cast<const ApartmentRun*>(param);
  CHECK_HR(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  {
    Ptr<IEncryptString> enc;
    Ptr<IDecryptData> dec;
    Ptr<ICreateStringHash> hash;
    CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
    CHECK(create(L"Ferrolok.DecryptData", dec, IID_IDecryptData));
    CHECK(create(L"Ferrolok.CreateStringHash", hash, IID_ICreateStringHash));
    SetEvent(run.ready);
    WaitForSingleObject(run.proceed, kSectionTimeoutMs);
    if (enc && dec && hash) {
      Bstr abc(L"abc");
      hash->put_Input(abc.s);
      for (int round = 0; round < kRounds; ++round) {
        const std::wstring text = rowText(run.number, round);
        const std::vector<BYTE> cipher = encrypt(enc.get(), text);
        CHECK(cipher.size() == (text.size() / 8 + 1) * 8);
        CHECK(decrypt(dec.get(), cipher) == narrow(text));
        Variant digest;
        CHECK(SUCCEEDED(hash->Hash(&digest.v)) && bytesOf(digest.v) == run.expectedDigest);
      }
      // The type information, loaded once for the module, from every apartment.
      Ptr<IDispatch> disp;
      enc->QueryInterface(IID_IDispatch, disp.outVoid());
      Ptr<ITypeInfo> info;
      CHECK(disp && SUCCEEDED(disp->GetTypeInfo(0, 0x409, info.out())) && info);
    }
  }
  CoUninitialize();
  return 0;
}

using CanUnloadNow = HRESULT(WINAPI*)();

CanUnloadNow canUnloadNowOf(HMODULE dll) {
  return reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
}

// Eight apartments at once; DllCanUnloadNow is asked while their objects
// live and after all have ended.
bool checkApartments(const std::wstring& dllName) {
  section("8 single-threaded apartments, each with its own objects");
  std::vector<BYTE> digest;
  {
    Ptr<ICreateStringHash> hash;
    CHECK(create(L"Ferrolok.CreateStringHash", hash, IID_ICreateStringHash));
    if (!hash) return true;
    Bstr abc(L"abc");
    hash->put_Input(abc.s);
    Variant v;
    hash->Hash(&v.v);
    digest = bytesOf(v.v);
    CHECK(digest.size() == 16);
  }
  std::vector<ApartmentRun> runs(kApartments);
  std::vector<HANDLE> threads, ready;
  HANDLE proceed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  for (int i = 0; i < kApartments; ++i) {
    runs[i].number = i;
    runs[i].expectedDigest = digest;
    runs[i].ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    runs[i].proceed = proceed;
    ready.push_back(runs[i].ready);
    threads.push_back(CreateThread(nullptr, 0, apartmentThread, &runs[i], 0, nullptr));
  }
  bool inTime = waitAll(ready);
  // Objects live in other apartments: the module stays.
  HMODULE dll = GetModuleHandleW(dllName.c_str());
  CHECK(dll != nullptr);
  if (CanUnloadNow canUnloadNow = dll ? canUnloadNowOf(dll) : nullptr)
    CHECK_HR(canUnloadNow(), S_FALSE);
  SetEvent(proceed);
  inTime = waitAll(threads) && inTime;
  CloseHandle(proceed);
  if (!inTime) std::printf("FAIL the apartments did not end in time\n");
  return inTime;
}

struct WorkerRun {
  IStream* marshalled = nullptr;  // the main apartment's EncryptString
  std::vector<BYTE> expected;     // its encryption of rowText(99, 0)
};

// The multithreaded apartment: a class created here lives in an apartment
// COM makes for it and is reached through a proxy; the main apartment's
// object is reached through one too.
DWORD WINAPI workerThread(void* param) {
  const auto& run = *static_cast<const WorkerRun*>(param);
  CHECK_HR(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    Ptr<IEncryptString> enc;
    Ptr<IDecryptData> dec;
    CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
    CHECK(create(L"Ferrolok.DecryptData", dec, IID_IDecryptData));
    if (enc && dec) {
      // Only a proxy answers IClientSecurity.
      Ptr<IUnknown> security;
      CHECK(SUCCEEDED(enc->QueryInterface(IID_IClientSecurity, security.outVoid())));
      const std::wstring text = rowText(99, 0);
      const std::vector<BYTE> cipher = encrypt(enc.get(), text);
      CHECK(cipher == run.expected);
      CHECK(decrypt(dec.get(), cipher) == narrow(text));
      // By name and DISPID, as a script engine calls.
      Ptr<IDispatch> disp;
      enc->QueryInterface(IID_IDispatch, disp.outVoid());
      DISPID id = 0;
      wchar_t name[] = L"Encrypt";
      LPOLESTR names[] = {name};
      CHECK(disp && disp->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id) == S_OK);
      Variant result;
      DISPPARAMS none = {nullptr, nullptr, 0, 0};
      CHECK(disp &&
            disp->Invoke(id, IID_NULL, 0x409, DISPATCH_METHOD, &none, &result.v, nullptr,
                         nullptr) == S_OK &&
            bytesOf(result.v) == run.expected);
    }
    Ptr<IEncryptString> mainObject;
    CHECK(SUCCEEDED(
        CoGetInterfaceAndReleaseStream(run.marshalled, IID_IEncryptString, mainObject.outVoid())));
    if (mainObject) CHECK(encrypt(mainObject.get(), rowText(99, 0)) == run.expected);
  }
  CoUninitialize();
  return 0;
}

bool checkProxies() {
  section("a multithreaded caller through the proxies");
  Ptr<IEncryptString> enc;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  if (!enc) return true;
  WorkerRun run;
  run.expected = encrypt(enc.get(), rowText(99, 0));
  CHECK(run.expected.size() == (rowText(99, 0).size() / 8 + 1) * 8);
  CHECK_HR(CoMarshalInterThreadInterfaceInStream(IID_IEncryptString, enc.get(), &run.marshalled),
           S_OK);
  HANDLE thread = CreateThread(nullptr, 0, workerThread, &run, 0, nullptr);
  const bool inTime = waitAll({thread});
  if (!inTime) std::printf("FAIL the multithreaded caller did not end in time\n");
  return inTime;
}

// With every object gone the module may go; freed, it loads again.
void checkUnload(const std::wstring& dllName) {
  section("DllCanUnloadNow once the apartments have ended");
  HMODULE dll = GetModuleHandleW(dllName.c_str());
  CHECK(dll != nullptr);
  if (CanUnloadNow canUnloadNow = dll ? canUnloadNowOf(dll) : nullptr)
    CHECK_HR(canUnloadNow(), S_OK);
  CoFreeUnusedLibrariesEx(0, 0);
  Ptr<IEncryptString> enc;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  if (enc) CHECK(encrypt(enc.get(), L"a").size() == 8);
}

}  // namespace
}  // namespace client

using namespace client;

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: com_threads PATH-OF-Ferrolok.dll\n");
    return 100;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 101;
  std::wstring name = argv[1];
  name = name.substr(name.find_last_of(L"\\/") + 1);
  bool inTime = checkApartments(name);
  if (inTime) checkUnload(name);
  inTime = inTime && checkProxies();
  CoUninitialize();
  std::printf("%d checks, %d failed\n", g_checks.load(), g_failures.load());
  return inTime ? g_failures.load() : 200;
}
