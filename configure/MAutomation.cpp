#include "configure/MAutomation.h"

AutoValue AutoText(const std::string& s) {
  AutoValue v;
  v.eKind = AutoValue::Text;
  v.s = s;
  return v;
}
AutoValue AutoBool(bool b) {
  AutoValue v;
  v.eKind = AutoValue::Bool;
  v.b = b;
  return v;
}
AutoValue AutoLong(long n) {
  AutoValue v;
  v.eKind = AutoValue::Long;
  v.n = n;
  return v;
}
AutoValue AutoObject(const AutoRef& o) {
  AutoValue v;
  v.eKind = AutoValue::Object;
  v.o = o;
  return v;
}

AutoRef CAutoObject::CallObject(const char* sMember, const std::vector<AutoValue>& args) {
  AutoValue v = Call(sMember, args);
  if (v.eKind != AutoValue::Object || !v.o) throw RuntimeError{424, "Object required"};
  return v.o;
}

// ---- COM binding ----

namespace {

const IID kIID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID kIID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const LCID kUserLocale = 0x0400;   // LOCALE_USER_DEFAULT

// A text that cannot be converted must not reach the server as an empty
// one (an empty password, say): it is an error of the step.
std::vector<WCHAR> Widen(const std::string& s) {
  int n = api::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::vector<WCHAR> w(n > 0 ? n : 1, 0);
  if (n <= 0 || api::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n) != n)
    throw RuntimeError{5, "Invalid procedure call or argument"};
  return w;
}

std::string Narrow(const WCHAR* w) {
  if (!w) return std::string();
  int n = api::WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string s(n, '\0');
  if (api::WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr) != n) return std::string();
  s.resize(n - 1);
  return s;
}

// The numbers and texts under which a failed call reaches the engine.
RuntimeError ErrorFromHresult(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return {438, "Object doesn't support this property or method"};
    case DISP_E_TYPEMISMATCH:
      return {13, "Type mismatch"};
    case DISP_E_BADPARAMCOUNT:
      return {450, "Wrong number of arguments or invalid property assignment"};
    case DISP_E_PARAMNOTOPTIONAL:
      return {449, "Argument not optional"};
    case E_NOINTERFACE:
      return {430, "Class does not support Automation or does not support expected interface"};
    default:
      return {ErrorNumberFromHresult(hr), "Automation error"};
  }
}

class CDispObject : public CAutoObject {
public:
  explicit CDispObject(IDispatch* p) : m_p(p) { m_p->AddRef(); }
  ~CDispObject() override { m_p->Release(); }
  CDispObject(const CDispObject&) = delete;
  CDispObject& operator=(const CDispObject&) = delete;

  AutoValue Call(const char* sMember, const std::vector<AutoValue>& args) override {
    return Invoke(sMember, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, true);
  }
  void Let(const char* sMember, const AutoValue& vValue) override {
    Invoke(sMember, DISPATCH_PROPERTYPUT, std::vector<AutoValue>(1, vValue), false);
  }
  IDispatch* Dispatch() const override { return m_p; }

private:
  DISPID MemberId(const char* sMember) {
    std::vector<WCHAR> w = Widen(sMember);
    LPOLESTR name = w.data();
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_p->GetIDsOfNames(kIID_NULL, &name, 1, kUserLocale, &id);
    if (FAILED(hr)) throw ErrorFromHresult(hr == E_NOTIMPL ? DISP_E_UNKNOWNNAME : hr);
    return id;
  }

  static void ToVariant(const AutoValue& v, VARIANT& var) {
    api::VariantInit(&var);
    switch (v.eKind) {
      case AutoValue::Empty:
        break;
      case AutoValue::Bool:
        V_VT(&var) = VT_BOOL;
        V_BOOL(&var) = v.b ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case AutoValue::Long:
        V_VT(&var) = VT_I4;
        V_I4(&var) = static_cast<LONG>(v.n);
        break;
      case AutoValue::Text: {
        std::vector<WCHAR> w = Widen(v.s);
        V_VT(&var) = VT_BSTR;
        V_BSTR(&var) = api::SysAllocString(w.data());
        if (!V_BSTR(&var)) throw RuntimeError{7, "Out of memory"};
        break;
      }
      case AutoValue::Object: {
        IDispatch* pDisp = v.o ? v.o->Dispatch() : nullptr;
        if (!pDisp) throw RuntimeError{13, "Type mismatch"};
        V_VT(&var) = VT_DISPATCH;
        V_DISPATCH(&var) = pDisp;
        V_DISPATCH(&var)->AddRef();   // VariantClear releases it
        break;
      }
    }
  }

  static AutoValue FromVariant(const VARIANT& var) {
    switch (V_VT(&var)) {
      case VT_EMPTY:
      case VT_NULL:
        return AutoValue();
      case VT_BOOL:
        return AutoBool(V_BOOL(&var) != VARIANT_FALSE);
      case VT_I2:
        return AutoLong(V_I2(&var));
      case VT_I4:
        return AutoLong(V_I4(&var));
      case VT_BSTR:
        return AutoText(Narrow(V_BSTR(&var)));
      case VT_DISPATCH:
        if (!V_DISPATCH(&var)) return AutoValue();
        return AutoObject(WrapDispatch(V_DISPATCH(&var)));
      default:
        throw RuntimeError{13, "Type mismatch"};
    }
  }

  AutoValue Invoke(const char* sMember, WORD wFlags, const std::vector<AutoValue>& args, bool bResult) {
    DISPID id = MemberId(sMember);
    // DISPPARAMS takes the arguments last to first.
    std::vector<VARIANT> vars(args.size());
    size_t nMade = 0;
    AutoValue vResult;
    HRESULT hr = S_OK;
    EXCEPINFO ex = {};
    VARIANT result;
    api::VariantInit(&result);
    try {
      for (; nMade < args.size(); ++nMade) ToVariant(args[args.size() - 1 - nMade], vars[nMade]);
      DISPID idPut = DISPID_PROPERTYPUT;
      DISPPARAMS dp = {};
      dp.rgvarg = vars.empty() ? nullptr : vars.data();
      dp.cArgs = static_cast<UINT>(vars.size());
      if (wFlags & DISPATCH_PROPERTYPUT) {
        dp.rgdispidNamedArgs = &idPut;
        dp.cNamedArgs = 1;
      }
      UINT nArgErr = 0;
      hr = m_p->Invoke(id, kIID_NULL, kUserLocale, wFlags, &dp, bResult ? &result : nullptr, &ex, &nArgErr);
      if (SUCCEEDED(hr) && bResult) vResult = FromVariant(result);
    } catch (...) {
      for (size_t i = 0; i < nMade; ++i) api::VariantClear(&vars[i]);
      api::VariantClear(&result);
      throw;
    }
    for (size_t i = 0; i < nMade; ++i) api::VariantClear(&vars[i]);
    api::VariantClear(&result);
    if (hr == DISP_E_EXCEPTION) {
      if (ex.pfnDeferredFillIn) ex.pfnDeferredFillIn(&ex);
      RuntimeError e{ex.wCode ? static_cast<long>(ex.wCode) : ErrorNumberFromHresult(ex.scode),
                     Narrow(ex.bstrDescription)};
      if (e.Description.empty()) e.Description = "Automation error";
      if (ex.bstrSource) api::SysFreeString(ex.bstrSource);
      if (ex.bstrDescription) api::SysFreeString(ex.bstrDescription);
      if (ex.bstrHelpFile) api::SysFreeString(ex.bstrHelpFile);
      throw e;
    }
    if (FAILED(hr)) throw ErrorFromHresult(hr);
    return vResult;
  }

  IDispatch* m_p;
};

class CComAutomation : public IAutomation {
public:
  AutoRef CreateObject(const char* sClassId, const char* sInterfaceId) override {
    GUID clsid, iid;
    if (!ParseGuid(sClassId, clsid) || !ParseGuid(sInterfaceId, iid))
      throw RuntimeError{429, "ActiveX component can't create object"};
    void* pv = nullptr;
    const DWORD dwContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
    HRESULT hr = api::CoCreateInstance(clsid, nullptr, dwContext, iid, &pv);
    if (hr == CO_E_NOTINITIALIZED) {
      // First use on this thread: join a single-threaded apartment, which
      // then lives as long as the program.
      api::CoInitialize(nullptr);
      hr = api::CoCreateInstance(clsid, nullptr, dwContext, iid, &pv);
    }
    if (FAILED(hr) || !pv) throw RuntimeError{429, "ActiveX component can't create object"};
    // The interface asked for is a dual one; drive it through its IDispatch.
    IUnknown* pUnk = static_cast<IUnknown*>(pv);
    IDispatch* pDisp = nullptr;
    hr = pUnk->QueryInterface(kIID_IDispatch, reinterpret_cast<void**>(&pDisp));
    pUnk->Release();
    if (FAILED(hr) || !pDisp) throw ErrorFromHresult(E_NOINTERFACE);
    AutoRef o = WrapDispatch(pDisp);
    pDisp->Release();
    return o;
  }
};

CComAutomation g_com;
IAutomation* g_automation = nullptr;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// Not make_shared: without type information, its deleter lookup links
// libstdc++'s shared-pointer mutex pool.
AutoRef WrapDispatch(IDispatch* pDispatch) { return AutoRef(new CDispObject(pDispatch)); }

IAutomation& Automation() { return g_automation ? *g_automation : g_com; }
void SetAutomation(IAutomation* pAutomation) { g_automation = pAutomation; }

bool ParseGuid(const char* sText, GUID& guid) {
  // {01234567-89AB-CDEF-0123-456789ABCDEF}
  static const int kGroups[] = {8, 4, 4, 4, 12};
  if (!sText || sText[0] != '{') return false;
  unsigned char bytes[16];
  int nByte = 0;
  const char* p = sText + 1;
  for (int g = 0; g < 5; ++g) {
    for (int i = 0; i < kGroups[g]; i += 2) {
      int hi = HexDigit(p[0]);
      int lo = hi < 0 ? -1 : HexDigit(p[1]);
      if (lo < 0) return false;
      bytes[nByte++] = static_cast<unsigned char>(hi * 16 + lo);
      p += 2;
    }
    if (*p++ != (g < 4 ? '-' : '}')) return false;
  }
  if (*p) return false;
  guid.Data1 = (static_cast<DWORD>(bytes[0]) << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
  guid.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return true;
}

long ErrorNumberFromHresult(HRESULT hr) {
  unsigned long u = static_cast<unsigned long>(hr) & 0xFFFFFFFFUL;
  if ((u & 0xFFFF0000UL) == 0x800A0000UL) return static_cast<long>(u & 0xFFFF);
  return static_cast<long>(static_cast<int>(u));
}
