// Prints what the string classes make of the random cases of
// crosscheck_cases.h: on Windows through the registered COM server (and so
// the real CryptoAPI), elsewhere through the ferrolok library. The two
// outputs must be identical. Usage: crosscheck SEED COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crosscheck_cases.h"

#ifdef _WIN32
#include <ole2.h>
#include <windows.h>

#include "ferrolok_idl.h"
#else
#include "ferrolok/ferrolok.h"
#endif

namespace ferrolok::crosscheck {
namespace {

using ByteVector = std::vector<std::uint8_t>;

#ifdef _WIN32

BSTR toBstr(const std::optional<std::u16string>& s) {
  if (!s) return nullptr;
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s->data()),
                           static_cast<UINT>(s->size()));
}

// Untouched stays untouched; the VARIANT is pre-set to something else to
// see that.
std::optional<ByteVector> fromVariant(VARIANT& v) {
  if (V_VT(&v) == VT_I4 && V_I4(&v) == 4242) return std::nullopt;
  if (V_VT(&v) != (VT_ARRAY | VT_UI1)) {
    std::fprintf(stderr, "unexpected result type %u\n", V_VT(&v));
    std::exit(2);
  }
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(V_ARRAY(&v), 1, &lb);
  SafeArrayGetUBound(V_ARRAY(&v), 1, &ub);
  ByteVector out;
  for (LONG i = lb; i <= ub; ++i) {
    BYTE b = 0;
    SafeArrayGetElement(V_ARRAY(&v), &i, &b);
    out.push_back(b);
  }
  VariantClear(&v);
  return out;
}

void preset(VARIANT& v) {
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = 4242;
}

template <class T>
T* create(const wchar_t* progId, REFIID iid) {
  CLSID clsid;
  T* p = nullptr;
  if (FAILED(CLSIDFromProgID(progId, &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                              reinterpret_cast<void**>(&p)))) {
    std::fprintf(stderr, "cannot create %ls\n", progId);
    std::exit(2);
  }
  return p;
}

template <class T>
void setCommon(T* o, const Case& c) {
  BSTR password = toBstr(c.password);
  BSTR provider = toBstr(c.provider);
  o->put_Password(password);
  o->put_Provider(provider);
  o->put_ProviderType(c.providerType);
  SysFreeString(password);
  SysFreeString(provider);
}

std::optional<ByteVector> decrypt(IDecryptData* dec, const ByteVector& bytes, LONG lowerBound) {
  SAFEARRAYBOUND bound = {static_cast<ULONG>(bytes.size()), lowerBound};
  SAFEARRAY* sa = SafeArrayCreate(VT_UI1, 1, &bound);
  if (!bytes.empty()) {
    void* p = nullptr;
    SafeArrayAccessData(sa, &p);
    std::memcpy(p, bytes.data(), bytes.size());
    SafeArrayUnaccessData(sa);
  }
  VARIANT data;
  VariantInit(&data);
  V_VT(&data) = VT_ARRAY | VT_UI1;
  V_ARRAY(&data) = sa;
  dec->put_Data(data);
  VariantClear(&data);
  VARIANT r;
  preset(r);
  dec->Decrypt(&r);
  return fromVariant(r);
}

void run(const std::vector<Case>& cases) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto* enc = create<IEncryptString>(L"Ferrolok.EncryptString", IID_IEncryptString);
  auto* dec = create<IDecryptData>(L"Ferrolok.DecryptData", IID_IDecryptData);
  auto* hash = create<ICreateStringHash>(L"Ferrolok.CreateStringHash", IID_ICreateStringHash);
  enc->put_SaveToFile(0);
  dec->put_SaveToFile(0);
  int i = 0;
  for (const Case& c : cases) {
    setCommon(enc, c);
    setCommon(dec, c);
    setCommon(hash, c);
    BSTR input = toBstr(c.input);
    enc->put_Input(input);
    hash->put_Input(input);
    SysFreeString(input);
    VARIANT r;
    preset(r);
    enc->Encrypt(&r);
    const std::optional<ByteVector> cipher = fromVariant(r);
    std::optional<ByteVector> plain;
    if (cipher) plain = decrypt(dec, *cipher, 0);
    const std::optional<ByteVector> bad = decrypt(dec, c.garbage, c.garbageLowerBound);
    preset(r);
    hash->Hash(&r);
    const std::optional<ByteVector> digest = fromVariant(r);
    std::printf("%d enc=%s dec=%s bad=%s md5=%s\n", i++, resultText(cipher).c_str(),
                resultText(plain).c_str(), resultText(bad).c_str(), resultText(digest).c_str());
  }
  enc->Release();
  dec->Release();
  hash->Release();
  CoUninitialize();
}

#else

template <class T>
void setCommon(T& o, const Case& c) {
  o.setPassword(c.password);
  o.setProvider(c.provider);
  o.setProviderType(c.providerType);
}

void run(const std::vector<Case>& cases) {
  EncryptString enc;
  DecryptData dec;
  CreateStringHash hash;
  enc.setSaveToFile(0);
  dec.setSaveToFile(0);
  int i = 0;
  for (const Case& c : cases) {
    setCommon(enc, c);
    setCommon(dec, c);
    setCommon(hash, c);
    enc.setInput(c.input);
    hash.setInput(c.input);
    const Result cipher = enc.Encrypt();
    Result plain;
    if (cipher) {
      dec.setData(ByteArray{0, *cipher});
      plain = dec.Decrypt();
    }
    dec.setData(ByteArray{c.garbageLowerBound, c.garbage});
    const Result bad = dec.Decrypt();
    const Result digest = hash.Hash();
    std::printf("%d enc=%s dec=%s bad=%s md5=%s\n", i++, resultText(cipher).c_str(),
                resultText(plain).c_str(), resultText(bad).c_str(), resultText(digest).c_str());
  }
}

#endif

}  // namespace

// The cases themselves, for reading a difference: provider, type, and the
// 8-bit password and input (hex) as the provider receives them.
void describe(const std::vector<Case>& cases) {
  auto narrow = [](const std::optional<std::u16string>& s) {
    std::optional<std::vector<std::uint8_t>> out;
    if (!s) return out;
    out.emplace();
    for (char16_t c : *s) out->push_back(static_cast<std::uint8_t>(c & 0xFF));
    return out;
  };
  int i = 0;
  for (const Case& c : cases) {
    std::string provider(c.provider.begin(), c.provider.end());
    std::printf("%d provider=\"%s\" type=%d password=%s input=%s\n", i++, provider.c_str(),
                c.providerType, resultText(narrow(c.password)).c_str(),
                resultText(narrow(c.input)).c_str());
  }
}

}  // namespace ferrolok::crosscheck

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "describe") == 0)) {
    std::fprintf(stderr, "usage: crosscheck SEED COUNT [describe]\n");
    return 2;
  }
  const auto seed = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
  const int count = std::atoi(argv[2]);
  const auto cases = ferrolok::crosscheck::makeCases(seed, count);
  if (argc == 4)
    ferrolok::crosscheck::describe(cases);
  else
    ferrolok::crosscheck::run(cases);
  return 0;
}
