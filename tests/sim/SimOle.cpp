// The simulated ole32/oleaut32: picture objects over the simulated GDI,
// class objects registered by tests, strings and variants.
#include <cstring>
#include <map>
#include "tests/sim/Sim.h"
#include "tests/sim/SimOs.h"

namespace {

const IID kIID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

struct OleState {
  int livePictures = 0;
  int comInit = 0;
  std::vector<std::pair<CLSID, std::function<HRESULT(REFIID, void**)>>> classes;
};

OleState& O() {
  static OleState s;
  return s;
}

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A bitmap picture: size in HIMETRIC, Render as one StretchBlt, and the
// bitmap and palette deleted on the last Release when owned.
class SimPicture final : public IPicture {
public:
  SimPicture(const PICTDESC& d, bool own) : m_desc(d), m_own(own) { ++O().livePictures; }
  virtual ~SimPicture() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (Same(riid, kIID_IUnknown) || Same(riid, kIID_IPicture)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --m_refs;
    if (n == 0) {
      if (m_own && m_desc.picType == PICTYPE_BITMAP) {
        simos::DeleteObject(m_desc.bmp.hbitmap);
        if (m_desc.bmp.hpal) simos::DeleteObject(m_desc.bmp.hpal);
      }
      --O().livePictures;
      delete this;
    }
    return n;
  }
  HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* p) override {
    if (!p) return E_POINTER;
    *p = (OLE_HANDLE)(uintptr_t)m_desc.bmp.hbitmap;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* p) override {
    if (!p) return E_POINTER;
    *p = (OLE_HANDLE)(uintptr_t)m_desc.bmp.hpal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Type(SHORT* p) override {
    if (!p) return E_POINTER;
    *p = (SHORT)m_desc.picType;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* p) override {
    if (!p) return E_POINTER;
    *p = Size().cx * 2540 / 96;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* p) override {
    if (!p) return E_POINTER;
    *p = Size().cy * 2540 / 96;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC,
                                   OLE_YPOS_HIMETRIC, OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC,
                                   LPCRECT) override {
    if (!hdc) return E_INVALIDARG;
    HDC mem = simos::CreateCompatibleDC(hdc);
    HGDIOBJ old = simos::SelectObject(mem, m_desc.bmp.hbitmap);
    SIZE s = Size();
    BOOL ok = simos::StretchBlt(hdc, x, y, cx, cy, mem, 0, 0, s.cx, s.cy, SRCCOPY);
    simos::SelectObject(mem, old);
    simos::DeleteDC(mem);
    return ok ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE h) override {
    m_desc.bmp.hpal = (HPALETTE)(uintptr_t)h;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CurDC(HDC* p) override {
    if (p) *p = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL* p) override {
    if (p) *p = FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PictureChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Attributes(DWORD* p) override {
    if (p) *p = 0;
    return S_OK;
  }

private:
  SIZE Size() {
    BITMAP b{};
    if (!simos::GetObjectA(m_desc.bmp.hbitmap, sizeof b, &b)) return SIZE{0, 0};
    return SIZE{b.bmWidth, b.bmHeight};
  }
  PICTDESC m_desc;
  bool m_own;
  ULONG m_refs = 1;
};

}  // namespace

namespace sim {

void ResetOle() {
  // Pictures still alive belong to a test that leaked them; the counter
  // starts again so the next test sees only its own.
  O() = OleState();
}

int LivePictures() { return O().livePictures; }

void RegisterClassObject(const CLSID& clsid, std::function<HRESULT(REFIID, void**)> create) {
  O().classes.push_back({clsid, std::move(create)});
}

int ComInitialized() { return O().comInit; }

}  // namespace sim

namespace simos {

HRESULT OleCreatePictureIndirect(LPPICTDESC d, REFIID riid, BOOL own, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!d || d->cbSizeofstruct != sizeof(PICTDESC)) return E_INVALIDARG;
  if (d->picType != PICTYPE_BITMAP) return E_NOTIMPL;
  BITMAP b{};
  if (!simos::GetObjectA(d->bmp.hbitmap, sizeof b, &b)) return E_INVALIDARG;
  SimPicture* p = new SimPicture(*d, own != FALSE);
  HRESULT hr = p->QueryInterface(riid, out);
  p->Release();
  return hr;
}

HRESULT CoInitialize(LPVOID) { return O().comInit++ ? S_FALSE : S_OK; }
VOID CoUninitialize() {
  if (O().comInit > 0) --O().comInit;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (O().comInit <= 0) return CO_E_NOTINITIALIZED;
  for (auto& c : O().classes)
    if (Same(c.first, clsid)) return c.second(riid, ppv);
  return REGDB_E_CLASSNOTREG;
}

// BSTR: a 32-bit byte length before the characters, a terminating zero after.
BSTR SysAllocString(const OLECHAR* s) {
  if (!s) return nullptr;
  size_t n = 0;
  while (s[n]) ++n;
  char* block = new char[4 + (n + 1) * sizeof(OLECHAR)];
  *(UINT*)block = (UINT)(n * sizeof(OLECHAR));
  BSTR b = (BSTR)(block + 4);
  std::memcpy(b, s, (n + 1) * sizeof(OLECHAR));
  return b;
}

VOID SysFreeString(BSTR b) {
  if (b) delete[] ((char*)b - 4);
}

VOID VariantInit(VARIANTARG* v) {
  if (!v) return;
  std::memset(v, 0, sizeof *v);
  V_VT(v) = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (!v) return E_INVALIDARG;
  switch (V_VT(v)) {
    case VT_BSTR: simos::SysFreeString(V_BSTR(v)); break;
    case VT_DISPATCH: if (V_DISPATCH(v)) V_DISPATCH(v)->Release(); break;
    case VT_UNKNOWN: if (V_UNKNOWN(v)) V_UNKNOWN(v)->Release(); break;
  }
  V_VT(v) = VT_EMPTY;
  return S_OK;
}

}  // namespace simos
