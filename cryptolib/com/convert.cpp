#include "convert.h"

#include <oleauto.h>

#include <cmath>
#include <cstring>

namespace ferrolok::com {
namespace {

// The whole number 0..255 a script's array element holds; -1 for anything
// else (a fraction, a number out of range, text, an empty element).
int byteOf(const VARIANT& v) {
  long long n = -1;
  double d = -1;
  switch (V_VT(&v)) {
    case VT_UI1:
      return V_UI1(&v);
    case VT_I1:
      n = V_I1(&v);
      break;
    case VT_I2:
      n = V_I2(&v);
      break;
    case VT_UI2:
      n = V_UI2(&v);
      break;
    case VT_I4:
      n = V_I4(&v);
      break;
    case VT_UI4:
      n = V_UI4(&v);
      break;
    case VT_INT:
      n = V_INT(&v);
      break;
    case VT_UINT:
      n = V_UINT(&v);
      break;
    case VT_I8:
      n = V_I8(&v);
      break;
    case VT_UI8:
      n = V_UI8(&v) > 255 ? -1 : static_cast<long long>(V_UI8(&v));
      break;
    case VT_R4:
      d = V_R4(&v);
      break;
    case VT_R8:
      d = V_R8(&v);
      break;
    default:
      return -1;
  }
  if (V_VT(&v) == VT_R4 || V_VT(&v) == VT_R8) {
    if (!(d >= 0 && d <= 255) || std::floor(d) != d) return -1;
    return static_cast<int>(d);
  }
  return n >= 0 && n <= 255 ? static_cast<int>(n) : -1;
}

// A one-dimensional array of variants holding whole numbers 0..255.
DataValue bytesOfVariants(SAFEARRAY* sa) {
  LONG lower = 0;
  LONG upper = -1;
  if (SafeArrayGetDim(sa) != 1 || SafeArrayGetElemsize(sa) != sizeof(VARIANT) ||
      FAILED(SafeArrayGetLBound(sa, 1, &lower)) || FAILED(SafeArrayGetUBound(sa, 1, &upper)))
    return std::nullopt;
  ByteArray array;
  array.lowerBound = lower;
  const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
  if (count <= 0) return array;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &data))) return std::nullopt;
  const auto* elements = static_cast<const VARIANT*>(data);
  array.bytes.reserve(static_cast<std::size_t>(count));
  bool all = true;
  for (LONGLONG i = 0; all && i < count; ++i) {
    const int b = byteOf(elements[i]);
    all = b >= 0;
    array.bytes.push_back(static_cast<std::uint8_t>(b));
  }
  SafeArrayUnaccessData(sa);
  if (!all) return std::nullopt;
  return array;
}

}  // namespace

HRESULT copyString(const BString& value, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!value) return S_OK;
  *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value->data()),
                           static_cast<UINT>(value->size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

BString toBString(BSTR value) {
  if (!value) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
}

DataValue toDataValue(const VARIANT& value) {
  const VARIANT* v = &value;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  SAFEARRAY* sa = nullptr;
  const VARTYPE element = V_VT(v) & ~(VT_ARRAY | VT_BYREF);
  if ((V_VT(v) & VT_ARRAY) == 0 || (element != VT_UI1 && element != VT_VARIANT))
    return std::nullopt;
  if (V_VT(v) & VT_BYREF)
    sa = V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr;
  else
    sa = V_ARRAY(v);
  if (!sa) return std::nullopt;
  if (element == VT_VARIANT) return bytesOfVariants(sa);
  if (SafeArrayGetDim(sa) < 1 || SafeArrayGetElemsize(sa) != 1) return std::nullopt;

  // The elements of the first dimension, from its lower bound upwards (with
  // any further dimension at its lower bound): the first ones in memory.
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(sa, 1, &lower)) || FAILED(SafeArrayGetUBound(sa, 1, &upper)))
    return std::nullopt;
  ByteArray array;
  array.lowerBound = lower;
  const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
  if (count > 0) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &data))) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    array.bytes.assign(bytes, bytes + count);
    SafeArrayUnaccessData(sa);
  }
  return array;
}

HRESULT storeResult(const Result& result, VARIANT* out) {
  if (!out) return E_POINTER;
  if (!result) return S_OK;
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(result->size()));
  if (!sa) return S_OK;
  if (!result->empty()) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &data))) {
      SafeArrayDestroy(sa);
      return S_OK;
    }
    std::memcpy(data, result->data(), result->size());
    SafeArrayUnaccessData(sa);
  }
  VariantInit(out);
  V_VT(out) = VT_ARRAY | VT_UI1;
  V_ARRAY(out) = sa;
  return S_OK;
}

}  // namespace ferrolok::com
