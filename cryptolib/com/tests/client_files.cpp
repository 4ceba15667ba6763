// The C++ client's checks of what scripts hand to Data and of file names
// beyond the 8-bit code page.
#include <string>
#include <vector>

#include "client_util.h"

namespace client {
namespace {

const std::vector<BYTE> kPlain = {'O', 'p', 'e', 'r', 'a', 't', 'o', 'r', ' ', '1'};

// A one-dimensional array of variants with the given lower bound, as a
// script's Array(...) makes it.
void makeVariantArray(VARIANT* v, const std::vector<VARIANT>& elements, LONG lowerBound) {
  SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lowerBound};
  SAFEARRAY* sa = SafeArrayCreate(VT_VARIANT, 1, &bound);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    LONG index = lowerBound + static_cast<LONG>(i);
    SafeArrayPutElement(sa, &index, const_cast<VARIANT*>(&elements[i]));
  }
  VariantClear(v);
  V_VT(v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(v) = sa;
}

VARIANT number(VARTYPE type, double value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  if (type != VT_R8) VariantChangeType(&v, &v, 0, type);
  return v;
}

// Decrypts `data` and returns the result VARIANT's bytes; `untouched` tells
// whether the result kept the marker it held before the call.
std::vector<BYTE> decrypt(IDecryptData* dec, VARIANT& data, bool& untouched) {
  dec->put_Data(data);
  Variant result;
  V_VT(&result.v) = VT_I2;
  V_I2(&result.v) = 7;
  const HRESULT hr = dec->Decrypt(&result.v);
  CHECK(hr == S_OK);
  untouched = V_VT(&result.v) == VT_I2 && V_I2(&result.v) == 7;
  return bytesOf(result.v);
}

std::wstring tempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + L"ferrolok-names\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

void writeFile(const std::wstring& path, const std::vector<BYTE>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CHECK(h != INVALID_HANDLE_VALUE);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

// The bytes of a file; "missing" when it is not there.
std::vector<BYTE> readFile(const std::wstring& path, bool* missing = nullptr) {
  std::vector<BYTE> bytes;
  HANDLE h =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (missing) *missing = h == INVALID_HANDLE_VALUE;
  if (h == INVALID_HANDLE_VALUE) return bytes;
  BYTE piece[4096];
  DWORD got = 0;
  while (ReadFile(h, piece, sizeof piece, &got, nullptr) && got > 0)
    bytes.insert(bytes.end(), piece, piece + got);
  CloseHandle(h);
  return bytes;
}

std::vector<BYTE> fromHex(const char* hex) {
  std::vector<BYTE> out;
  for (; hex[0] && hex[1]; hex += 2)
    out.push_back(static_cast<BYTE>(std::stoi(std::string(hex, 2), nullptr, 16)));
  return out;
}

// Bytes as the characters U+0000..U+00FF, one per byte; the caller frees it.
BSTR latin1(const std::vector<BYTE>& bytes) {
  BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(bytes.size()));
  for (std::size_t i = 0; s && i < bytes.size(); ++i) s[i] = bytes[i];
  return s;
}

}  // namespace

// Data takes a script's array of whole numbers 0..255 as those bytes;
// anything else in a variant array leaves the result untouched.
void checkScriptArrays() {
  Ptr<IEncryptString> enc;
  Ptr<IDecryptData> dec;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  CHECK(create(L"Ferrolok.DecryptData", dec, IID_IDecryptData));
  if (!enc || !dec) return;
  Bstr password(L"plumb"), input(L"Operator 1");
  enc->put_Password(password.s);
  dec->put_Password(password.s);
  enc->put_SaveToFile(0);
  dec->put_SaveToFile(0);
  enc->put_Input(input.s);
  Variant cipher;
  enc->Encrypt(&cipher.v);
  const std::vector<BYTE> cipherBytes = bytesOf(cipher.v);
  CHECK(cipherBytes.size() == 16);

  // Every numeric type a script may produce, and any lower bound.
  const VARTYPE types[] = {VT_I2, VT_I4, VT_UI1, VT_R8, VT_R4, VT_I1, VT_UI4, VT_I8};
  for (LONG lowerBound : {0L, 1L}) {
    std::vector<VARIANT> elements;
    for (std::size_t i = 0; i < cipherBytes.size(); ++i) {
      const VARTYPE type = types[i % (sizeof types / sizeof types[0])];
      const double value =
          type == VT_I1 ? static_cast<signed char>(cipherBytes[i] & 0x7F) : cipherBytes[i];
      elements.push_back(number(type, value));
    }
    // A VT_I1 element only holds 0..127; put the byte back in full through I2.
    for (std::size_t i = 0; i < elements.size(); ++i)
      if (V_VT(&elements[i]) == VT_I1) elements[i] = number(VT_I2, cipherBytes[i]);
    Variant data;
    makeVariantArray(&data.v, elements, lowerBound);
    bool untouched = true;
    CHECK(decrypt(dec.get(), data.v, untouched) == kPlain && !untouched);
    // Data gives back what was put: the variant array itself.
    Variant back;
    dec->get_Data(&back.v);
    CHECK(V_VT(&back.v) == (VT_ARRAY | VT_VARIANT));
  }

  // An empty array is zero bytes: an empty byte array.
  Variant none;
  makeVariantArray(&none.v, {}, 0);
  bool untouched = true;
  CHECK(decrypt(dec.get(), none.v, untouched).empty() && !untouched);

  // One element that is no whole number 0..255 spoils the array.
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"1");
  VARIANT empty;
  VariantInit(&empty);
  const VARIANT spoilers[] = {
      number(VT_I2, 256), number(VT_I2, -1), number(VT_R8, 2.5), number(VT_I4, 70000), text, empty};
  for (const VARIANT& spoiler : spoilers) {
    std::vector<VARIANT> elements;
    for (BYTE b : cipherBytes) elements.push_back(number(VT_I2, b));
    elements[5] = spoiler;
    Variant data;
    makeVariantArray(&data.v, elements, 0);
    decrypt(dec.get(), data.v, untouched);
    CHECK(untouched);
  }
  VariantClear(&text);

  // Two dimensions, or an array of numbers that are not variants: untouched.
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {8, 0}};
  Variant square;
  V_VT(&square.v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&square.v) = SafeArrayCreate(VT_VARIANT, 2, bounds);
  decrypt(dec.get(), square.v, untouched);
  CHECK(untouched);
  Variant shorts;
  V_VT(&shorts.v) = VT_ARRAY | VT_I2;
  V_ARRAY(&shorts.v) = SafeArrayCreateVector(VT_I2, 0, 16);
  decrypt(dec.get(), shorts.v, untouched);
  CHECK(untouched);
}

// U+4E41, U+4E42 and U+4E43 keep "A", "B" and "C" as their low bytes: their
// 8-bit forms name other files, which must not be read or written.
void checkUnicodeNames() {
  const std::wstring dir = tempFolder();
  std::vector<BYTE> wide(1000), narrow(10);
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<BYTE>(i * 7 + 3);
  for (std::size_t i = 0; i < narrow.size(); ++i) narrow[i] = static_cast<BYTE>(i * 5 + 1);
  const std::wstring wideName = dir + L"\u4e41.bin", encName = dir + L"\u4e42.enc",
                     outName = dir + L"\u4e43.out";
  writeFile(wideName, wide);
  writeFile(dir + L"A.bin", narrow);
  writeFile(dir + L"B.enc", std::vector<BYTE>(16, 0x55));
  DeleteFileW(outName.c_str());
  DeleteFileW((dir + L"C.out").c_str());

  // The digest the Linux library gives for the same 1000 bytes.
  Ptr<ICreateFileHash> hash;
  CHECK(create(L"Ferrolok.CreateFileHash", hash, IID_ICreateFileHash));
  if (!hash) return;
  Bstr name(wideName.c_str());
  hash->put_FileName(name.s);
  Variant digest;
  CHECK_HR(hash->Hash(&digest.v), S_OK);
  CHECK(bytesOf(digest.v) == fromHex("10046f077f2082ac19676b8079f1cb1a"));

  Ptr<IEncryptString> encString;
  Ptr<IEncryptFile> encFile;
  Ptr<IDecryptFile> decFile;
  CHECK(create(L"Ferrolok.EncryptString", encString, IID_IEncryptString));
  CHECK(create(L"Ferrolok.EncryptFile", encFile, IID_IEncryptFile));
  CHECK(create(L"Ferrolok.DecryptFile", decFile, IID_IDecryptFile));
  if (!encString || !encFile || !decFile) return;
  Bstr password(L"plumb"), content, enc(encName.c_str()), out(outName.c_str());
  content.s = latin1(wide);
  encString->put_Password(password.s);
  encString->put_SaveToFile(0);
  encString->put_Input(content.s);
  Variant expected;
  encString->Encrypt(&expected.v);
  CHECK(bytesOf(expected.v).size() == 1008);

  encFile->put_Password(password.s);
  encFile->put_FileName(name.s);
  encFile->put_DestinationFile(enc.s);
  Variant cipher;
  CHECK_HR(encFile->Encrypt(&cipher.v), S_OK);
  CHECK(bytesOf(cipher.v) == bytesOf(expected.v));
  CHECK(readFile(encName) == bytesOf(expected.v));
  CHECK(readFile(dir + L"B.enc") == std::vector<BYTE>(16, 0x55));

  decFile->put_Password(password.s);
  decFile->put_FileName(enc.s);
  decFile->put_DestinationFile(out.s);
  Variant plain;
  CHECK_HR(decFile->Decrypt(&plain.v), S_OK);
  CHECK(bytesOf(plain.v) == wide);
  CHECK(readFile(outName) == wide);
  bool missing = false;
  readFile(dir + L"C.out", &missing);
  CHECK(missing);

  for (const std::wstring& f : {wideName, encName, outName, dir + L"A.bin", dir + L"B.enc"})
    DeleteFileW(f.c_str());
  RemoveDirectoryW(dir.c_str());
}

// A DestinationFile that names a device, a folder or a pipe is refused as one
// that cannot be opened: the full result, nothing written. A pipe whose
// server waits would otherwise take the bytes.
void checkDestinationsThatAreNoFiles() {
  Ptr<IEncryptString> enc;
  CHECK(create(L"Ferrolok.EncryptString", enc, IID_IEncryptString));
  if (!enc) return;
  const std::wstring pipeName = L"\\\\.\\pipe\\ferrolok-destination";
  HANDLE pipe =
      CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_INBOUND,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_NOWAIT, 1, 0, 4096, 0, nullptr);
  CHECK(pipe != INVALID_HANDLE_VALUE);
  Bstr password(L"plumb"), input(L"a");
  enc->put_Password(password.s);
  enc->put_Input(input.s);
  const std::wstring folder = tempFolder();
  for (const std::wstring& target : {std::wstring(L"NUL"), folder, pipeName}) {
    Bstr name(target.c_str());
    enc->put_DestinationFile(name.s);
    Variant cipher;
    CHECK_HR(enc->Encrypt(&cipher.v), S_OK);
    CHECK(bytesOf(cipher.v) == fromHex("b56cad6ee4dd5d6d"));
  }
  RemoveDirectoryW(folder.c_str());
  if (pipe == INVALID_HANDLE_VALUE) return;
  DWORD waiting = 0;
  PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr);
  CHECK(waiting == 0);
  CloseHandle(pipe);
}

}  // namespace client
