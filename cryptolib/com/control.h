// The COM object around one ferrolok class: reference counting, the dual
// interface's IDispatch served from the type library, and the stock control
// side (view, in-place, persistence, class info) that every class shares.
// The class-specific part (the property accessors and the method) comes in
// as `Props`, which derives from the class's own interface, holds the
// ferrolok object as its state and names the class (`Props::identity()`).
// The control side knows nothing of the class table or the class factories.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <new>

#include "identity.h"
#include "module.h"

namespace ferrolok::com {

// Shared pieces of the control side, independent of the class.
namespace control {

// 16 x 16 pixels of the screen in HIMETRIC: the extent of every control.
SIZEL iconExtent();
// The size the controls say they would like: 5080 x 5080 HIMETRIC.
inline constexpr LONG kNaturalSize = 5080;

// The design-time picture: a rectangle over the bounds with the DC's pen and
// brush, then the toolbox bitmap unscaled at the top-left corner.
HRESULT draw(HDC dc, const RECTL& bounds, int bitmap);

// The design-time picture as a metafile of the extent's size (TYMED_MFPICT).
HRESULT picture(const SIZEL& extent, int bitmap, STGMEDIUM* medium);

// Persistent state: the extent (_cx, _cy) followed by the named properties,
// read and written through the object's own dispatch interface.
HRESULT saveStream(IDispatch* self, const wchar_t* const* names, const SIZEL& extent,
                   IStream* stream);
HRESULT loadStream(IDispatch* self, const wchar_t* const* names, SIZEL& extent, IStream* stream);
HRESULT streamSize(IDispatch* self, const wchar_t* const* names, ULARGE_INTEGER* size);
HRESULT saveBag(IDispatch* self, const wchar_t* const* names, const SIZEL& extent,
                IPropertyBag* bag);
HRESULT loadBag(IDispatch* self, const wchar_t* const* names, SIZEL& extent, IPropertyBag* bag,
                IErrorLog* log);

inline constexpr wchar_t kContents[] = L"Contents";
inline constexpr DWORD kViewStatus = VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_OPAQUE;

}  // namespace control

template <class T>
void setInterface(T*& slot, T* value) {
  if (value) value->AddRef();
  if (slot) slot->Release();
  slot = value;
}

template <class Props>
class Control final : public Props,
                      public IViewObjectEx,
                      public IOleInPlaceObjectWindowless,
                      public IOleInPlaceActiveObject,
                      public IOleControl,
                      public IOleObject,
                      public IPersistStreamInit,
                      public ISpecifyPropertyPages,
                      public IQuickActivate,
                      public IPersistStorage,
                      public IPersistPropertyBag,
                      public IDataObject,
                      public IProvideClassInfo2 {
 public:
  using Interface = typename Props::Interface;

  static HRESULT create(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* object = new (std::nothrow) Control;
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  }

  // IUnknown. The interfaces in the order the server answers them.
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    IUnknown* found = nullptr;
    if (riid == IID_IUnknown || riid == *info().iid || riid == IID_IDispatch)
      found = static_cast<Interface*>(this);
    else if (riid == IID_IViewObjectEx || riid == IID_IViewObject2 || riid == IID_IViewObject)
      found = static_cast<IViewObjectEx*>(this);
    else if (riid == IID_IOleInPlaceObjectWindowless || riid == IID_IOleInPlaceObject ||
             riid == IID_IOleWindow)
      found = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (riid == IID_IOleInPlaceActiveObject)
      found = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IOleControl)
      found = static_cast<IOleControl*>(this);
    else if (riid == IID_IOleObject)
      found = static_cast<IOleObject*>(this);
    else if (riid == IID_IPersistStreamInit || riid == IID_IPersist)
      found = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_ISpecifyPropertyPages)
      found = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_IQuickActivate)
      found = static_cast<IQuickActivate*>(this);
    else if (riid == IID_IPersistStorage)
      found = static_cast<IPersistStorage*>(this);
    else if (riid == IID_IPersistPropertyBag)
      found = static_cast<IPersistPropertyBag*>(this);
    else if (riid == IID_IDataObject)
      found = static_cast<IDataObject*>(this);
    else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
      found = static_cast<IProvideClassInfo2*>(this);
    *out = found;
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  // IDispatch, from the type information of the class's interface.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return typeInfoOf(*info().iid, out);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ITypeInfo* ti = vtableTypeInfo();
    if (!ti) return E_UNEXPECTED;
    return DispGetIDsOfNames(ti, names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* ti = vtableTypeInfo();
    if (!ti) return E_UNEXPECTED;
    return ti->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr);
  }

  // IViewObject, IViewObject2, IViewObjectEx.
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                    LPCRECTL, WINBOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_OPAQUE && aspect != DVASPECT_TRANSPARENT)
      return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    return control::draw(dc, *bounds, info().bitmap);
  }
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) override {
    setInterface(viewSink_, sink);
    viewAspects_ = aspects;
    viewAdvf_ = advf;
    return S_OK;
  }
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override {
    if (aspects) *aspects = viewAspects_;
    if (advf) *advf = viewAdvf_;
    if (sink) {
      *sink = viewSink_;
      if (viewSink_) viewSink_->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
  STDMETHODIMP GetViewStatus(DWORD* status) override {
    if (!status) return E_POINTER;
    *status = control::kViewStatus;
    return S_OK;
  }
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT at, LONG, DWORD* hit) override {
    if (!bounds || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    *hit = PtInRect(bounds, at) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG, DWORD* hit) override {
    if (!bounds || !rect || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    RECT common;
    *hit = IntersectRect(&common, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO* extentInfo,
                                LPSIZEL size) override {
    if (!extentInfo || !size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT || extentInfo->dwExtentMode != DVEXTENT_CONTENT)
      return E_NOTIMPL;
    size->cx = size->cy = control::kNaturalSize;
    return S_OK;
  }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless: the control
  // is windowless and shows nothing at run time.
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (!inPlaceSite_) return S_OK;
    IOleInPlaceSite* site = inPlaceSite_;
    inPlaceSite_ = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }
  STDMETHODIMP GetDropTarget(IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;
  }

  // IOleInPlaceActiveObject.
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(WINBOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(WINBOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(WINBOOL) override { return S_OK; }

  // IOleControl: no mnemonics, no ambient properties of interest.
  STDMETHODIMP GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(WINBOOL) override { return S_OK; }

  // IOleObject.
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    setInterface(clientSite_, site);
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = clientSite_;
    if (clientSite_) clientSite_->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    InPlaceDeactivate();
    if (oleAdvise_) oleAdvise_->SendOnClose();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, WINBOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return activateInPlace(site ? site : clientSite_);
      case OLEIVERB_HIDE:
        return S_OK;
      case OLEIVERB_PROPERTIES:  // there are no property pages to show
      case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override {
    return OleRegEnumVerbs(*info().clsid, verbs);
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = *info().clsid;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override {
    return OleRegGetUserType(*info().clsid, form, type);
  }
  // Only the natural size is accepted; the extent stays at icon size anyway.
  STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
    if (!size) return E_POINTER;
    return size->cx == control::kNaturalSize && size->cy == control::kNaturalSize ? S_OK : E_FAIL;
  }
  STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override {
    if (!oleAdvise_) {
      const HRESULT hr = CreateOleAdviseHolder(&oleAdvise_);
      if (FAILED(hr)) return hr;
    }
    return oleAdvise_->Advise(sink, cookie);
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    return oleAdvise_ ? oleAdvise_->EnumAdvise(advises) : E_FAIL;
  }
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override {
    return OleRegGetMiscStatus(*info().clsid, aspect, status);
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IPersist, IPersistStreamInit, IPersistStorage, IPersistPropertyBag.
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = *info().clsid;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return this->dirty_ ? S_OK : S_FALSE; }
  STDMETHODIMP Load(LPSTREAM stream) override {
    if (!stream) return E_POINTER;
    const HRESULT hr = control::loadStream(self(), info().saved, extent_, stream);
    if (SUCCEEDED(hr)) this->dirty_ = false;
    return hr;
  }
  STDMETHODIMP Save(LPSTREAM stream, WINBOOL clearDirty) override {
    if (!stream) return E_POINTER;
    const HRESULT hr = control::saveStream(self(), info().saved, extent_, stream);
    if (SUCCEEDED(hr) && clearDirty) this->dirty_ = false;
    return hr;
  }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    return control::streamSize(self(), info().saved, size);
  }
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP InitNew(IStorage*) override { return S_OK; }
  STDMETHODIMP Load(IStorage* storage) override {
    if (!storage) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(control::kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                     0, &stream);
    if (FAILED(hr)) return hr;
    hr = Load(stream);
    stream->Release();
    return hr;
  }
  STDMETHODIMP Save(IStorage* storage, WINBOOL) override {
    if (!storage) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->CreateStream(
        control::kContents, STGM_WRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    hr = Save(stream, TRUE);
    stream->Release();
    return hr;
  }
  STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
  STDMETHODIMP HandsOffStorage() override { return S_OK; }
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override {
    if (!bag) return E_POINTER;
    const HRESULT hr = control::loadBag(self(), info().saved, extent_, bag, log);
    if (SUCCEEDED(hr)) this->dirty_ = false;
    return hr;
  }
  STDMETHODIMP Save(IPropertyBag* bag, WINBOOL clearDirty, WINBOOL) override {
    if (!bag) return E_POINTER;
    const HRESULT hr = control::saveBag(self(), info().saved, extent_, bag);
    if (SUCCEEDED(hr) && clearDirty) this->dirty_ = false;
    return hr;
  }

  // ISpecifyPropertyPages: none.
  STDMETHODIMP GetPages(CAUUID* pages) override {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
  }

  // IQuickActivate.
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* controlInfo) override {
    if (!container || !controlInfo) return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || controlInfo->cbSize < sizeof(QACONTROL))
      return E_INVALIDARG;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    const ULONG size = controlInfo->cbSize;
    ZeroMemory(controlInfo, size);
    controlInfo->cbSize = size;
    GetMiscStatus(DVASPECT_CONTENT, &controlInfo->dwMiscStatus);
    controlInfo->dwViewStatus = control::kViewStatus;
    return S_OK;
  }
  STDMETHODIMP SetContentExtent(LPSIZEL size) override { return SetExtent(DVASPECT_CONTENT, size); }
  STDMETHODIMP GetContentExtent(LPSIZEL size) override { return GetExtent(DVASPECT_CONTENT, size); }

  // IDataObject: the design-time picture as a metafile, and advise sinks.
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    if (!(format->tymed & TYMED_MFPICT)) return DATA_E_FORMATETC;
    return control::picture(extent_, info().bitmap, medium);
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    if (!format) return E_POINTER;
    return (format->tymed & TYMED_MFPICT) ? S_OK : DATA_E_FORMATETC;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, WINBOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** formats) override {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* cookie) override {
    if (!dataAdvise_) {
      const HRESULT hr = CreateDataAdviseHolder(&dataAdvise_);
      if (FAILED(hr)) return hr;
    }
    return dataAdvise_->Advise(static_cast<IDataObject*>(this), format, advf, sink, cookie);
  }
  STDMETHODIMP DUnadvise(DWORD cookie) override {
    return dataAdvise_ ? dataAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    return dataAdvise_ ? dataAdvise_->EnumAdvise(advises) : E_FAIL;
  }

  // IProvideClassInfo, IProvideClassInfo2: the coclass; no event source.
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return typeInfoOf(*info().clsid, out);
  }
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = GUID_NULL;
    return S_OK;
  }

 private:
  Control() : extent_(control::iconExtent()) { addObject(); }
  ~Control() {
    InPlaceDeactivate();
    if (viewSink_) viewSink_->Release();
    if (clientSite_) clientSite_->Release();
    if (oleAdvise_) oleAdvise_->Release();
    if (dataAdvise_) dataAdvise_->Release();
    if (vtableInfo_) vtableInfo_->Release();
    releaseObject();
  }

  static const ClassIdentity& info() { return Props::identity(); }
  IDispatch* self() { return static_cast<Interface*>(this); }

  // The interface part of the dual interface's type information, which
  // ITypeInfo::Invoke calls through the vtable.
  ITypeInfo* vtableTypeInfo() {
    if (vtableInfo_) return vtableInfo_;
    ITypeInfo* ti = nullptr;
    if (FAILED(typeInfoOf(*info().iid, &ti))) return nullptr;
    HREFTYPE ref = 0;
    ITypeInfo* vtable = nullptr;
    if (SUCCEEDED(ti->GetRefTypeOfImplType(-1, &ref)) &&
        SUCCEEDED(ti->GetRefTypeInfo(ref, &vtable))) {
      ti->Release();
      ti = vtable;
    }
    vtableInfo_ = ti;
    return vtableInfo_;
  }

  HRESULT activateInPlace(IOleClientSite* site) {
    if (inPlaceSite_) return S_OK;
    if (!site) return S_OK;
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))))
      return S_OK;  // not an in-place container: nothing to show anyway
    if (inPlace->CanInPlaceActivate() != S_OK) {
      inPlace->Release();
      return E_FAIL;
    }
    inPlaceSite_ = inPlace;
    inPlace->OnInPlaceActivate();
    return S_OK;
  }

  LONG refs_ = 1;
  SIZEL extent_;
  ITypeInfo* vtableInfo_ = nullptr;
  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IAdviseSink* viewSink_ = nullptr;
  DWORD viewAspects_ = 0;
  DWORD viewAdvf_ = 0;
  IOleAdviseHolder* oleAdvise_ = nullptr;
  IDataAdviseHolder* dataAdvise_ = nullptr;
};

}  // namespace ferrolok::com
