// The C++ client's checks of the control side: the extent, the design-time
// picture and persistence through a stream, a storage and a property bag.
#include <map>
#include <string>
#include <vector>

#include "client_util.h"

namespace client {
// The extent stays at icon size; only the natural size is accepted.
void checkExtent() {
  Ptr<IOleObject> ole;
  CHECK(create(L"Ferrolok.DecryptFile", ole, IID_IOleObject));
  if (!ole) return;
  HDC screen = GetDC(nullptr);
  const LONG cx = MulDiv(16, 2540, screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96);
  const LONG cy = MulDiv(16, 2540, screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96);
  if (screen) ReleaseDC(nullptr, screen);
  SIZEL size = {0, 0};
  CHECK_HR(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  CHECK(size.cx == cx && size.cy == cy);
  SIZEL natural = {5080, 5080};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &natural), S_OK);
  SIZEL other = {5080, 5000};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &other), E_FAIL);
  other = {423, 423};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &other), E_FAIL);
  ole->GetExtent(DVASPECT_CONTENT, &size);
  CHECK(size.cx == cx && size.cy == cy);

  Ptr<IQuickActivate> quick;
  ole->QueryInterface(IID_IQuickActivate, quick.outVoid());
  CHECK_HR(quick->SetContentExtent(&natural), S_OK);
  CHECK_HR(quick->SetContentExtent(&other), E_FAIL);
  quick->GetContentExtent(&size);
  CHECK(size.cx == cx && size.cy == cy);

  Ptr<IViewObject2> view;
  ole->QueryInterface(IID_IViewObject2, view.outVoid());
  view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size);
  CHECK(size.cx == cx && size.cy == cy);

  DWORD misc = 0;
  CHECK_HR(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  CHECK(misc == 132497);

  // Quick activation reports the same status and changes nothing else.
  QACONTAINER container = {};
  container.cbSize = sizeof(container);
  QACONTROL answer = {};
  answer.cbSize = sizeof(answer);
  CHECK_HR(quick->QuickActivate(&container, &answer), S_OK);
  CHECK(answer.dwMiscStatus == 132497 && answer.dwEventCookie == 0);
  Ptr<IViewObjectEx> viewEx;
  ole->QueryInterface(IID_IViewObjectEx, viewEx.outVoid());
  DVEXTENTINFO extentInfo = {sizeof(DVEXTENTINFO), DVEXTENT_CONTENT, {0, 0}};
  CHECK_HR(viewEx->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &extentInfo, &size),
           S_OK);
  CHECK(size.cx == 5080 && size.cy == 5080);
  ole->GetExtent(DVASPECT_CONTENT, &size);
  CHECK(size.cx == cx && size.cy == cy);

  // The picture as a metafile of the extent's size.
  Ptr<IDataObject> data;
  ole->QueryInterface(IID_IDataObject, data.outVoid());
  FORMATETC format = {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
  STGMEDIUM medium = {};
  CHECK_HR(data->GetData(&format, &medium), S_OK);
  if (medium.tymed == TYMED_MFPICT) {
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
    CHECK(pict && pict->mm == MM_ANISOTROPIC && pict->xExt == cx && pict->yExt == cy && pict->hMF);
    GlobalUnlock(medium.hMetaFilePict);
    ReleaseStgMedium(&medium);
  }
  format.tymed = TYMED_HGLOBAL;
  CHECK_HR(data->GetData(&format, &medium), DATA_E_FORMATETC);
  Ptr<ISpecifyPropertyPages> pages;
  ole->QueryInterface(IID_ISpecifyPropertyPages, pages.outVoid());
  CAUUID list = {5, reinterpret_cast<GUID*>(1)};
  CHECK_HR(pages->GetPages(&list), S_OK);
  CHECK(list.cElems == 0 && list.pElems == nullptr);
}

// The design-time picture: a rectangle with the DC's pen and brush and the
// toolbox bitmap at the top-left corner.
void checkDrawing(const wchar_t* dllPath) {
  Ptr<IViewObject> view;
  CHECK(create(L"Ferrolok.CreateFileHash", view, IID_IViewObject));
  if (!view) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 40, 40);
  HGDIOBJ oldCanvas = SelectObject(dc, canvas);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ oldBrush = SelectObject(dc, green);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  RECT all = {0, 0, 40, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECTL bounds = {2, 3, 38, 37};
  CHECK_HR(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
      S_OK);

  // The expected picture: the bitmap from the DLL's resources.
  HMODULE res = LoadLibraryExW(dllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HBITMAP bitmap = res ? LoadBitmapW(res, MAKEINTRESOURCEW(105)) : nullptr;
  CHECK(bitmap != nullptr);
  if (bitmap) {
    HDC bdc = CreateCompatibleDC(screen);
    HGDIOBJ oldBitmap = SelectObject(bdc, bitmap);
    int differ = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (GetPixel(dc, 2 + x, 3 + y) != GetPixel(bdc, x, y)) ++differ;
    CHECK(differ == 0);
    SelectObject(bdc, oldBitmap);
    DeleteDC(bdc);
    DeleteObject(bitmap);
  }
  if (res) FreeLibrary(res);
  CHECK(GetPixel(dc, 37, 36) == RGB(0, 0, 0));      // the rectangle's border
  CHECK(GetPixel(dc, 30, 30) == RGB(0, 255, 0));    // its inside, in the brush
  CHECK(GetPixel(dc, 1, 1) == RGB(255, 255, 255));  // nothing outside the bounds
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldCanvas);
  DeleteObject(green);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// A property bag that remembers what was written, in order.
// (Wine's VariantCopy turns a null string into an empty one; a bag keeps
// the value as it was written.)
void copyValue(VARIANT* to, VARIANT* from) {
  VariantInit(to);
  if (V_VT(from) == VT_BSTR && !V_BSTR(from)) {
    V_VT(to) = VT_BSTR;
    V_BSTR(to) = nullptr;
  } else {
    VariantCopy(to, from);
  }
}

class Bag final : public IPropertyBag {
 public:
  std::vector<std::wstring> order;
  std::map<std::wstring, VARIANT> values;
  ~Bag() {
    for (auto& [name, v] : values) VariantClear(&v);
  }
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
    auto it = values.find(name);
    if (it == values.end()) return E_INVALIDARG;
    const VARTYPE wanted = V_VT(v);
    VariantInit(v);
    if (wanted == VT_EMPTY || wanted == V_VT(&it->second)) {
      copyValue(v, &it->second);
      return S_OK;
    }
    return VariantChangeType(v, &it->second, 0, wanted);
  }
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* v) override {
    order.push_back(name);
    VARIANT copy;
    copyValue(&copy, v);
    auto it = values.find(name);
    if (it != values.end()) VariantClear(&it->second);
    values[name] = copy;
    return S_OK;
  }
};

void setStringProperties(IEncryptFile* f) {
  Bstr name(L"C:\\data\\input.bin"), password(L"s\u00e9cret"),
      provider(L"Microsoft Strong Cryptographic Provider");
  f->put_FileName(name.s);
  f->put_DestinationFile(nullptr);
  f->put_Password(password.s);
  f->put_Provider(provider.s);
  f->put_ProviderType(-7);
  f->put_SaveToFile(0);
}

void checkSameProperties(IEncryptFile* f) {
  Bstr s;
  f->get_FileName(s.out());
  CHECK(s.text() == L"C:\\data\\input.bin");
  f->get_DestinationFile(s.out());
  CHECK(s.isNull());
  f->get_Password(s.out());
  CHECK(s.text() == L"s\u00e9cret");
  f->get_Provider(s.out());
  CHECK(s.text() == L"Microsoft Strong Cryptographic Provider");
  short type = 0;
  f->get_ProviderType(&type);
  CHECK(type == -7);
  LONG save = 1;
  f->get_SaveToFile(&save);
  CHECK(save == 0);
}

// Round trips through a stream, a storage and a property bag.
void checkPersistence() {
  Ptr<IEncryptFile> source;
  CHECK(create(L"Ferrolok.EncryptFile", source, IID_IEncryptFile));
  if (!source) return;
  setStringProperties(source.get());

  Ptr<IPersistStreamInit> persist;
  source->QueryInterface(IID_IPersistStreamInit, persist.outVoid());
  CHECK_HR(persist->IsDirty(), S_OK);
  Ptr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, stream.out());
  ULARGE_INTEGER max = {};
  CHECK_HR(persist->GetSizeMax(&max), S_OK);
  CHECK_HR(persist->Save(stream.get(), TRUE), S_OK);
  CHECK_HR(persist->IsDirty(), S_FALSE);
  ULARGE_INTEGER end = {};
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_CUR, &end);
  CHECK(end.QuadPart == max.QuadPart);
  // Layout version, _cx, _cy, then FileName as a tagged string.
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  DWORD head[3] = {};
  stream->Read(head, sizeof(head), nullptr);
  SIZEL extent = {};
  Ptr<IOleObject> ole;
  source->QueryInterface(IID_IOleObject, ole.outVoid());
  ole->GetExtent(DVASPECT_CONTENT, &extent);
  CHECK(head[1] == static_cast<DWORD>(extent.cx) && head[2] == static_cast<DWORD>(extent.cy));
  VARTYPE vt = 0;
  stream->Read(&vt, sizeof(vt), nullptr);
  CHECK(vt == VT_BSTR);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);

  Ptr<IEncryptFile> copy;
  create(L"Ferrolok.EncryptFile", copy, IID_IEncryptFile);
  Ptr<IPersistStreamInit> load;
  copy->QueryInterface(IID_IPersistStreamInit, load.outVoid());
  CHECK_HR(load->InitNew(), S_OK);
  CHECK_HR(load->Load(stream.get()), S_OK);
  checkSameProperties(copy.get());
  CLSID clsid = GUID_NULL;
  load->GetClassID(&clsid);
  CHECK(IsEqualCLSID(clsid, CLSID_Encryptfile));

  // A stream cut short fails to load.
  Ptr<IStream> shortStream;
  CreateStreamOnHGlobal(nullptr, TRUE, shortStream.out());
  shortStream->Write(head, sizeof(head), nullptr);
  shortStream->Write(&vt, sizeof(vt), nullptr);
  shortStream->Seek(zero, STREAM_SEEK_SET, nullptr);
  CHECK(FAILED(load->Load(shortStream.get())));

  // Storage: the same bytes in a stream named "Contents".
  Ptr<ILockBytes> lockBytes;
  CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.out());
  Ptr<IStorage> storage;
  CHECK_HR(
      StgCreateDocfileOnILockBytes(
          lockBytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.out()),
      S_OK);
  Ptr<IPersistStorage> persistStorage;
  source->QueryInterface(IID_IPersistStorage, persistStorage.outVoid());
  CHECK_HR(persistStorage->Save(storage.get(), TRUE), S_OK);
  persistStorage->SaveCompleted(nullptr);
  Ptr<IStream> contents;
  CHECK_HR(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                               contents.out()),
           S_OK);
  contents.reset();
  Ptr<IEncryptFile> fromStorage;
  create(L"Ferrolok.EncryptFile", fromStorage, IID_IEncryptFile);
  Ptr<IPersistStorage> loadStorage;
  fromStorage->QueryInterface(IID_IPersistStorage, loadStorage.outVoid());
  CHECK_HR(loadStorage->Load(storage.get()), S_OK);
  checkSameProperties(fromStorage.get());

  // Property bag: _cx, _cy and the properties by name, in order.
  Bag bag;
  Ptr<IPersistPropertyBag> persistBag;
  source->QueryInterface(IID_IPersistPropertyBag, persistBag.outVoid());
  CHECK_HR(persistBag->Save(&bag, TRUE, TRUE), S_OK);
  const std::vector<std::wstring> order = {
      L"_cx",      L"_cy",      L"FileName",     L"DestinationFile",
      L"Password", L"Provider", L"ProviderType", L"SaveToFile"};
  CHECK(bag.order == order);
  CHECK(V_VT(&bag.values[L"ProviderType"]) == VT_I2);
  CHECK(V_VT(&bag.values[L"_cx"]) == VT_UI4 &&
        V_UI4(&bag.values[L"_cx"]) == static_cast<ULONG>(extent.cx));
  Ptr<IEncryptFile> fromBag;
  create(L"Ferrolok.EncryptFile", fromBag, IID_IEncryptFile);
  Ptr<IPersistPropertyBag> loadBag;
  fromBag->QueryInterface(IID_IPersistPropertyBag, loadBag.outVoid());
  CHECK_HR(loadBag->InitNew(), S_OK);
  CHECK_HR(loadBag->Load(&bag, nullptr), S_OK);
  checkSameProperties(fromBag.get());

  // DecryptData does not persist Data; CreateStringHash has no SaveToFile.
  Ptr<IDecryptData> dec;
  create(L"Ferrolok.DecryptData", dec, IID_IDecryptData);
  Bag decBag;
  Ptr<IPersistPropertyBag> decPersist;
  dec->QueryInterface(IID_IPersistPropertyBag, decPersist.outVoid());
  decPersist->Save(&decBag, TRUE, TRUE);
  CHECK((decBag.order == std::vector<std::wstring>{L"_cx", L"_cy", L"DestinationFile", L"Password",
                                                   L"Provider", L"ProviderType", L"SaveToFile"}));
  Ptr<ICreateStringHash> hash;
  create(L"Ferrolok.CreateStringHash", hash, IID_ICreateStringHash);
  Bag hashBag;
  Ptr<IPersistPropertyBag> hashPersist;
  hash->QueryInterface(IID_IPersistPropertyBag, hashPersist.outVoid());
  hashPersist->Save(&hashBag, TRUE, TRUE);
  CHECK((hashBag.order == std::vector<std::wstring>{L"_cx", L"_cy", L"Input", L"Password",
                                                    L"Provider", L"ProviderType"}));
}

}  // namespace client
