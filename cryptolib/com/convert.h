// Conversions between the automation types (BSTR, VARIANT, SAFEARRAY) and
// the library's own, at the boundary of the property accessors and methods.
#pragma once

#include <ole2.h>
#include <windows.h>
// The file-encryption functions of the platform share their names with two
// of our classes; the server never calls them.
#undef EncryptFile
#undef DecryptFile

#include "ferrolok/ferrolok.h"

namespace ferrolok::com {

// A property get: a new BSTR holding a copy of `value` (null for null).
HRESULT copyString(const BString& value, BSTR* out);
// A property put: a copy of the caller's BSTR; a null BSTR stays null.
BString toBString(BSTR value);

// The bytes a Data VARIANT stands for (looking through VT_BYREF), elements
// of the first dimension from its lower bound upwards:
//  - an array of bytes (VT_ARRAY | VT_UI1) of any dimension count;
//  - a one-dimensional array of variants that all hold whole numbers from
//    0 to 255, of any numeric type (what a script's Array(...) gives).
// std::nullopt for anything else.
DataValue toDataValue(const VARIANT& value);

// Hands a method's result to the caller: untouched stays untouched,
// otherwise a new VT_ARRAY | VT_UI1 SAFEARRAY with lower bound 0 (the
// previous content of *out is not cleared, as the caller owns it). If the
// array cannot be created the VARIANT is left as it was.
HRESULT storeResult(const Result& result, VARIANT* out);

}  // namespace ferrolok::com
