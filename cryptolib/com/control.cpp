// The class-independent parts of the control side: extent, design-time
// drawing and persistence.
#include "control.h"

#include <oleauto.h>

#include <vector>

namespace ferrolok::com::control {
namespace {

constexpr int kIconPixels = 16;
constexpr LONG kHimetricPerInch = 2540;
// Layout version written at the start of a stream, as stock controls do.
constexpr DWORD kStreamVersion = 0x0300;

// A property of the object read through its own get accessor, found in the
// type information of its interface and called through the vtable. (Going
// through IDispatch::Invoke would be shorter, but some automation runtimes
// turn a null string result into an empty one there.)
HRESULT getProperty(IDispatch* self, const wchar_t* name, VARIANT* value) {
  VariantInit(value);
  DISPID id = 0;
  auto* n = const_cast<LPOLESTR>(name);
  HRESULT hr = self->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  ITypeInfo* dispatchInfo = nullptr;
  hr = self->GetTypeInfo(0, LOCALE_USER_DEFAULT, &dispatchInfo);
  if (FAILED(hr)) return hr;
  ITypeInfo* info = nullptr;
  HREFTYPE ref = 0;
  if (FAILED(dispatchInfo->GetRefTypeOfImplType(-1, &ref)) ||
      FAILED(dispatchInfo->GetRefTypeInfo(ref, &info))) {
    info = dispatchInfo;
    info->AddRef();
  }
  dispatchInfo->Release();

  hr = DISP_E_MEMBERNOTFOUND;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* fd = nullptr;
      if (FAILED(info->GetFuncDesc(i, &fd))) continue;
      const bool getter = fd->memid == id && fd->invkind == INVOKE_PROPERTYGET &&
                          fd->funckind != FUNC_DISPATCH && fd->cParams == 1 &&
                          fd->lprgelemdescParam[0].tdesc.vt == VT_PTR;
      if (getter) {
        const VARTYPE type = fd->lprgelemdescParam[0].tdesc.lptdesc->vt;
        VARIANTARG arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_BYREF | type;
        V_BYREF(&arg) = &V_BSTR(value);  // the value union, whatever its type
        VARIANTARG* args[] = {&arg};
        VARTYPE types[] = {V_VT(&arg)};
        VARIANT ret;
        VariantInit(&ret);
        hr = DispCallFunc(self, fd->oVft, fd->callconv, VT_ERROR, 1, types, args, &ret);
        if (SUCCEEDED(hr)) hr = V_ERROR(&ret);
        if (SUCCEEDED(hr)) V_VT(value) = type;
      }
      info->ReleaseFuncDesc(fd);
      if (getter) break;
    }
    info->ReleaseTypeAttr(attr);
  }
  info->Release();
  return hr;
}

// A property written through the dispatch interface, which converts the value
// to the property's type.
HRESULT putProperty(IDispatch* self, const wchar_t* name, VARIANT* value) {
  DISPID id = 0;
  auto* n = const_cast<LPOLESTR>(name);
  HRESULT hr = self->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {value, &named, 1, 1};
  return self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                      nullptr, nullptr);
}

HRESULT writeAll(IStream* stream, const void* data, ULONG size) {
  ULONG written = 0;
  const HRESULT hr = stream->Write(data, size, &written);
  if (FAILED(hr)) return hr;
  return written == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT readAll(IStream* stream, void* data, ULONG size) {
  ULONG read = 0;
  const HRESULT hr = stream->Read(data, size, &read);
  if (FAILED(hr)) return hr;
  return read == size ? S_OK : STG_E_READFAULT;
}

// A property value in a stream: its VARTYPE, then the value; a string as its
// byte count including the terminating zero (0 for a null string) and its
// characters with that zero.
ULONG valueSize(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_BSTR:
      return sizeof(VARTYPE) + sizeof(ULONG) +
             (V_BSTR(&v) ? SysStringByteLen(V_BSTR(&v)) + sizeof(OLECHAR) : 0);
    case VT_I2:
      return sizeof(VARTYPE) + sizeof(SHORT);
    case VT_I4:
      return sizeof(VARTYPE) + sizeof(LONG);
    default:
      return sizeof(VARTYPE);
  }
}

HRESULT writeValue(IStream* stream, const VARIANT& v) {
  const VARTYPE vt = V_VT(&v);
  HRESULT hr = writeAll(stream, &vt, sizeof(vt));
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_BSTR: {
      const BSTR s = V_BSTR(&v);
      const ULONG bytes = s ? SysStringByteLen(s) + sizeof(OLECHAR) : 0;
      hr = writeAll(stream, &bytes, sizeof(bytes));
      if (SUCCEEDED(hr) && bytes) hr = writeAll(stream, s, bytes);
      return hr;
    }
    case VT_I2:
      return writeAll(stream, &V_I2(&v), sizeof(SHORT));
    case VT_I4:
      return writeAll(stream, &V_I4(&v), sizeof(LONG));
    default:
      return S_OK;
  }
}

HRESULT readValue(IStream* stream, VARIANT* v) {
  VariantInit(v);
  VARTYPE vt = VT_EMPTY;
  HRESULT hr = readAll(stream, &vt, sizeof(vt));
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_BSTR: {
      ULONG bytes = 0;
      hr = readAll(stream, &bytes, sizeof(bytes));
      if (FAILED(hr)) return hr;
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = nullptr;
      if (bytes == 0) return S_OK;
      if (bytes % sizeof(OLECHAR) != 0) return STG_E_READFAULT;
      const ULONG chars = bytes / sizeof(OLECHAR) - 1;
      BSTR s = SysAllocStringLen(nullptr, chars);
      if (!s) return E_OUTOFMEMORY;
      hr = readAll(stream, s, bytes);
      if (FAILED(hr)) {
        SysFreeString(s);
        return hr;
      }
      V_BSTR(v) = s;
      return S_OK;
    }
    case VT_I2:
      V_VT(v) = VT_I2;
      return readAll(stream, &V_I2(v), sizeof(SHORT));
    case VT_I4:
      V_VT(v) = VT_I4;
      return readAll(stream, &V_I4(v), sizeof(LONG));
    case VT_EMPTY:
      return S_OK;
    default:
      return STG_E_READFAULT;  // not written by these controls
  }
}

class Variant {
 public:
  Variant() { ZeroMemory(&v, sizeof(v)); }  // VT_EMPTY with a zeroed value
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT v;
};

}  // namespace

SIZEL iconExtent() {
  int dpiX = 96;
  int dpiY = 96;
  if (HDC screen = GetDC(nullptr)) {
    dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpiX <= 0) dpiX = 96;
  if (dpiY <= 0) dpiY = 96;
  return SIZEL{MulDiv(kIconPixels, kHimetricPerInch, dpiX),
               MulDiv(kIconPixels, kHimetricPerInch, dpiY)};
}

HRESULT draw(HDC dc, const RECTL& bounds, int bitmap) {
  Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  HBITMAP picture = LoadBitmapW(moduleInstance(), MAKEINTRESOURCEW(bitmap));
  if (!picture) return S_OK;
  // A metafile has no compatible memory context; the screen's serves.
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) memory = CreateCompatibleDC(nullptr);
  if (memory) {
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(dc, bounds.left, bounds.top, kIconPixels, kIconPixels, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  DeleteObject(picture);
  return S_OK;
}

HRESULT picture(const SIZEL& extent, int bitmap, STGMEDIUM* medium) {
  HDC dc = CreateMetaFileW(nullptr);
  if (!dc) return E_OUTOFMEMORY;
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, kIconPixels, kIconPixels, nullptr);
  draw(dc, RECTL{0, 0, kIconPixels, kIconPixels}, bitmap);
  HMETAFILE metafile = CloseMetaFile(dc);
  if (!metafile) return E_OUTOFMEMORY;
  HGLOBAL memory = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, sizeof(METAFILEPICT));
  auto* pict = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
  if (!pict) {
    if (memory) GlobalFree(memory);
    DeleteMetaFile(metafile);
    return E_OUTOFMEMORY;
  }
  pict->mm = MM_ANISOTROPIC;
  pict->xExt = extent.cx;
  pict->yExt = extent.cy;
  pict->hMF = metafile;
  GlobalUnlock(memory);
  medium->tymed = TYMED_MFPICT;
  medium->hMetaFilePict = memory;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT saveStream(IDispatch* self, const wchar_t* const* names, const SIZEL& extent,
                   IStream* stream) {
  HRESULT hr = writeAll(stream, &kStreamVersion, sizeof(kStreamVersion));
  const DWORD cx = static_cast<DWORD>(extent.cx);
  const DWORD cy = static_cast<DWORD>(extent.cy);
  if (SUCCEEDED(hr)) hr = writeAll(stream, &cx, sizeof(cx));
  if (SUCCEEDED(hr)) hr = writeAll(stream, &cy, sizeof(cy));
  for (const wchar_t* const* name = names; SUCCEEDED(hr) && *name; ++name) {
    Variant value;
    hr = getProperty(self, *name, &value.v);
    if (SUCCEEDED(hr)) hr = writeValue(stream, value.v);
  }
  return hr;
}

HRESULT loadStream(IDispatch* self, const wchar_t* const* names, SIZEL& extent, IStream* stream) {
  DWORD version = 0;
  DWORD cx = 0;
  DWORD cy = 0;
  HRESULT hr = readAll(stream, &version, sizeof(version));
  if (SUCCEEDED(hr) && version > kStreamVersion) hr = STG_E_OLDFORMAT;  // a newer layout
  if (SUCCEEDED(hr)) hr = readAll(stream, &cx, sizeof(cx));
  if (SUCCEEDED(hr)) hr = readAll(stream, &cy, sizeof(cy));
  if (FAILED(hr)) return hr;
  extent = SIZEL{static_cast<LONG>(cx), static_cast<LONG>(cy)};
  for (const wchar_t* const* name = names; *name; ++name) {
    Variant value;
    hr = readValue(stream, &value.v);
    if (SUCCEEDED(hr)) hr = putProperty(self, *name, &value.v);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT streamSize(IDispatch* self, const wchar_t* const* names, ULARGE_INTEGER* size) {
  ULONGLONG total = 3 * sizeof(DWORD);
  for (const wchar_t* const* name = names; *name; ++name) {
    Variant value;
    const HRESULT hr = getProperty(self, *name, &value.v);
    if (FAILED(hr)) return hr;
    total += valueSize(value.v);
  }
  size->QuadPart = total;
  return S_OK;
}

HRESULT saveBag(IDispatch* self, const wchar_t* const* names, const SIZEL& extent,
                IPropertyBag* bag) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_UI4;
  V_UI4(&v) = static_cast<ULONG>(extent.cx);
  HRESULT hr = bag->Write(L"_cx", &v);
  V_UI4(&v) = static_cast<ULONG>(extent.cy);
  if (SUCCEEDED(hr)) hr = bag->Write(L"_cy", &v);
  for (const wchar_t* const* name = names; SUCCEEDED(hr) && *name; ++name) {
    Variant value;
    hr = getProperty(self, *name, &value.v);
    if (SUCCEEDED(hr)) hr = bag->Write(*name, &value.v);
  }
  return hr;
}

HRESULT loadBag(IDispatch* self, const wchar_t* const* names, SIZEL& extent, IPropertyBag* bag,
                IErrorLog* log) {
  // A value missing from the bag keeps what the object has.
  for (int i = 0; i < 2; ++i) {
    Variant value;
    V_VT(&value.v) = VT_UI4;
    if (FAILED(bag->Read(i == 0 ? L"_cx" : L"_cy", &value.v, log))) continue;
    if (FAILED(VariantChangeType(&value.v, &value.v, 0, VT_UI4))) return E_INVALIDARG;
    (i == 0 ? extent.cx : extent.cy) = static_cast<LONG>(V_UI4(&value.v));
  }
  for (const wchar_t* const* name = names; *name; ++name) {
    Variant current;
    HRESULT hr = getProperty(self, *name, &current.v);
    if (FAILED(hr)) return hr;
    Variant value;
    V_VT(&value.v) = V_VT(&current.v);  // asks the bag for the property's type
    if (FAILED(bag->Read(*name, &value.v, log))) continue;
    hr = putProperty(self, *name, &value.v);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace ferrolok::com::control
