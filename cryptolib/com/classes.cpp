// The six classes of the server: each is a Control around the matching
// ferrolok class, whose properties and method are reached through the dual
// interface. Accessors convert at the boundary only; guards, NarrowString and
// the destination file are the library's.
#include "classes.h"

#include <new>
#include <stdexcept>

#include "control.h"
#include "convert.h"
#include "ferrolok_idl.h"

namespace ferrolok::com {
namespace {

// The state every class holds: its ferrolok object.
template <class Iface, class Core, const ClassIdentity& Identity>
class Holder : public Iface {
 public:
  using Interface = Iface;
  static const ClassIdentity& identity() { return Identity; }

 protected:
  Core core_;
  bool dirty_ = false;  // a property was set since the last save or load
};

template <class B>
class CommonProps : public B {
 public:
  STDMETHODIMP get_Password(BSTR* out) override { return copyString(this->core_.Password(), out); }
  STDMETHODIMP put_Password(BSTR v) override {
    this->core_.setPassword(toBString(v));
    this->dirty_ = true;
    return S_OK;
  }
  STDMETHODIMP get_Provider(BSTR* out) override { return copyString(this->core_.Provider(), out); }
  STDMETHODIMP put_Provider(BSTR v) override {
    this->core_.setProvider(toBString(v));
    this->dirty_ = true;
    return S_OK;
  }
  STDMETHODIMP get_ProviderType(short* out) override {
    if (!out) return E_POINTER;
    *out = this->core_.ProviderType();
    return S_OK;
  }
  STDMETHODIMP put_ProviderType(short v) override {
    this->core_.setProviderType(v);
    this->dirty_ = true;
    return S_OK;
  }
};

template <class B>
class SavingProps : public B {
 public:
  STDMETHODIMP get_DestinationFile(BSTR* out) override {
    return copyString(this->core_.DestinationFile(), out);
  }
  STDMETHODIMP put_DestinationFile(BSTR v) override {
    this->core_.setDestinationFile(toBString(v));
    this->dirty_ = true;
    return S_OK;
  }
  STDMETHODIMP get_SaveToFile(long* out) override {
    if (!out) return E_POINTER;
    *out = this->core_.SaveToFile();
    return S_OK;
  }
  STDMETHODIMP put_SaveToFile(long v) override {
    this->core_.setSaveToFile(v);
    this->dirty_ = true;
    return S_OK;
  }
};

template <class B>
class InputProp : public B {
 public:
  STDMETHODIMP get_Input(BSTR* out) override { return copyString(this->core_.Input(), out); }
  STDMETHODIMP put_Input(BSTR v) override {
    this->core_.setInput(toBString(v));
    this->dirty_ = true;
    return S_OK;
  }
};

template <class B>
class FileNameProp : public B {
 public:
  STDMETHODIMP get_FileName(BSTR* out) override { return copyString(this->core_.FileName(), out); }
  STDMETHODIMP put_FileName(BSTR v) override {
    this->core_.setFileName(toBString(v));
    this->dirty_ = true;
    return S_OK;
  }
};

// Data keeps the caller's VARIANT itself (deep-copied in and out, so a get
// returns what was put, whatever it holds); the ferrolok object receives the
// byte array inside it.
template <class B>
class DataProp : public B {
 public:
  DataProp() { VariantInit(&data_); }
  ~DataProp() { VariantClear(&data_); }
  STDMETHODIMP get_Data(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    return VariantCopy(out, &data_);
  }
  STDMETHODIMP put_Data(VARIANT v) override {
    VARIANT copy;
    VariantInit(&copy);
    const HRESULT hr = VariantCopyInd(&copy, &v);
    if (FAILED(hr)) return hr;
    VariantClear(&data_);
    data_ = copy;
    this->core_.setData(toDataValue(data_));
    return S_OK;
  }

 private:
  VARIANT data_;
};

// Hands a method's result to the caller. Memory that runs out on the way (an
// input too large to hold) leaves the result untouched, as a result array
// that cannot be created does: no exception crosses the interface.
template <class Method>
HRESULT callMethod(Method method, VARIANT* out) {
  if (!out) return E_POINTER;
  try {
    return storeResult(method(), out);
  } catch (const std::bad_alloc&) {
    return S_OK;
  } catch (const std::length_error&) {
    return S_OK;
  }
}

template <class B>
class EncryptMethod : public B {
 public:
  STDMETHODIMP Encrypt(VARIANT* out) override {
    return callMethod([this] { return this->core_.Encrypt(); }, out);
  }
};

template <class B>
class DecryptMethod : public B {
 public:
  STDMETHODIMP Decrypt(VARIANT* out) override {
    return callMethod([this] { return this->core_.Decrypt(); }, out);
  }
};

template <class B>
class HashMethod : public B {
 public:
  STDMETHODIMP Hash(VARIANT* out) override {
    return callMethod([this] { return this->core_.Hash(); }, out);
  }
};

const wchar_t* const kEncryptStringSaved[] = {L"Input",    L"DestinationFile", L"Password",
                                              L"Provider", L"ProviderType",    L"SaveToFile",
                                              nullptr};
const wchar_t* const kDecryptDataSaved[] = {L"DestinationFile", L"Password",   L"Provider",
                                            L"ProviderType",    L"SaveToFile", nullptr};
const wchar_t* const kHashFileSaved[] = {L"FileName", L"Password", L"Provider", L"ProviderType",
                                         nullptr};
const wchar_t* const kHashStringSaved[] = {L"Input", L"Password", L"Provider", L"ProviderType",
                                           nullptr};
const wchar_t* const kFileCipherSaved[] = {L"FileName", L"DestinationFile", L"Password",
                                           L"Provider", L"ProviderType",    L"SaveToFile",
                                           nullptr};

constexpr ClassIdentity kEncryptString = {
    &CLSID_EncryptString, &IID_IEncryptString, L"EncryptString", 101, 102, kEncryptStringSaved};
constexpr ClassIdentity kDecryptData = {
    &CLSID_DecryptData, &IID_IDecryptData, L"DecryptData", 103, 104, kDecryptDataSaved};
constexpr ClassIdentity kCreateFileHash = {
    &CLSID_CreateFileHash, &IID_ICreateFileHash, L"CreateFileHash", 105, 106, kHashFileSaved};
constexpr ClassIdentity kCreateStringHash = {
    &CLSID_CreateStringHash, &IID_ICreateStringHash, L"CreateStringHash", 107, 108,
    kHashStringSaved};
constexpr ClassIdentity kDecryptFile = {
    &CLSID_Decryptfile, &IID_IDecryptFile, L"DecryptFile", 109, 110, kFileCipherSaved};
constexpr ClassIdentity kEncryptFile = {
    &CLSID_Encryptfile, &IID_IEncryptFile, L"EncryptFile", 111, 112, kFileCipherSaved};

using EncryptStringObject = Control<EncryptMethod<
    SavingProps<InputProp<CommonProps<Holder<IEncryptString, EncryptString, kEncryptString>>>>>>;
using DecryptDataObject = Control<DecryptMethod<
    SavingProps<DataProp<CommonProps<Holder<IDecryptData, DecryptData, kDecryptData>>>>>>;
using CreateFileHashObject = Control<HashMethod<
    FileNameProp<CommonProps<Holder<ICreateFileHash, CreateFileHash, kCreateFileHash>>>>>;
using CreateStringHashObject = Control<HashMethod<
    InputProp<CommonProps<Holder<ICreateStringHash, CreateStringHash, kCreateStringHash>>>>>;
using DecryptFileObject = Control<DecryptMethod<
    SavingProps<FileNameProp<CommonProps<Holder<IDecryptFile, DecryptFile, kDecryptFile>>>>>>;
using EncryptFileObject = Control<EncryptMethod<
    SavingProps<FileNameProp<CommonProps<Holder<IEncryptFile, EncryptFile, kEncryptFile>>>>>>;

}  // namespace

const ClassEntry kClasses[6] = {
    {&kEncryptString, &EncryptStringObject::create},
    {&kDecryptData, &DecryptDataObject::create},
    {&kCreateFileHash, &CreateFileHashObject::create},
    {&kCreateStringHash, &CreateStringHashObject::create},
    {&kDecryptFile, &DecryptFileObject::create},
    {&kEncryptFile, &EncryptFileObject::create},
};

}  // namespace ferrolok::com
