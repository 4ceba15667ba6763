// Module-wide state of the Ferrolok COM server and the conversions between
// the automation types (BSTR, VARIANT, SAFEARRAY) and the library's own.
#pragma once

#include <ole2.h>
#include <windows.h>
// The file-encryption functions of the platform share their names with two
// of our classes; the server never calls them.
#undef EncryptFile
#undef DecryptFile

#include "ferrolok/ferrolok.h"
#include "ferrolok_idl.h"

namespace ferrolok::com {

// What the server knows about one of its six classes.
struct ClassInfo {
  const CLSID* clsid;
  const IID* iid;
  const wchar_t* name;          // "EncryptString"
  int bitmap;                   // toolbox bitmap resource, 101..111
  const wchar_t* const* saved;  // persistent properties in order, null-terminated
  // Creates a new object and asks it for `riid`.
  HRESULT (*create)(REFIID riid, void** out);
};

// The six classes, in the order of their resources.
extern const ClassInfo kClasses[6];
const ClassInfo* findClass(REFCLSID clsid);

HINSTANCE moduleInstance();
// The full path of the DLL.
std::wstring modulePath();

// Outstanding objects and server locks, for DllCanUnloadNow. Interlocked.
void addObject();
void releaseObject();
void lockModule();
void unlockModule();
bool moduleInUse();

// The type library in the DLL's resource, loaded on first use (not
// registered). The returned pointer is not AddRef'd and lives until
// releaseTypeLib().
ITypeLib* typeLib();
void releaseTypeLib();

// The type information of an interface or coclass of the type library, with
// a new reference for the caller.
HRESULT typeInfoOf(REFGUID guid, ITypeInfo** out);

// A property get: a new BSTR holding a copy of `value` (null for null).
HRESULT copyString(const BString& value, BSTR* out);
// A property put: a copy of the caller's BSTR; a null BSTR stays null.
BString toBString(BSTR value);

// The byte array inside a VARIANT (looking through VT_BYREF), elements of the
// first dimension from its lower bound upwards; std::nullopt when the
// VARIANT holds no array of bytes.
DataValue toDataValue(const VARIANT& value);

// Hands a method's result to the caller: untouched stays untouched,
// otherwise a new VT_ARRAY | VT_UI1 SAFEARRAY with lower bound 0 (the
// previous content of *out is not cleared, as the caller owns it). If the
// array cannot be created the VARIANT is left as it was.
HRESULT storeResult(const Result& result, VARIANT* out);

}  // namespace ferrolok::com
