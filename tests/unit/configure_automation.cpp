// The COM binding of the late-bound automation layer, against an object
// registered with the simulated COM: creation by identifier, arguments in
// call order, property assignment, object results and arguments, and how a
// failure becomes a run-time error number and description.
#include <string>
#include <vector>
#include "configure/MAutomation.h"
#include "tests/check.h"
#include "tests/unit/fake_dispatch.h"
#include "tests/sim/Sim.h"

namespace {

const char kClass[] = "{10020200-E260-11CF-AE68-00AA004A34D5}";
const char kIface[] = "{10020206-E260-11CF-AE68-00AA004A34D5}";
const GUID kClassGuid = {0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kIfaceGuid = {0x10020206, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kDispatchGuid = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kUnknownGuid = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string Narrow(const WCHAR* w) {
  std::string s;
  for (; w && *w; ++w) s += static_cast<char>(*w);
  return s;
}
BSTR Bstr(const char* s) {
  std::vector<WCHAR> w;
  for (; *s; ++s) w.push_back(static_cast<unsigned char>(*s));
  w.push_back(0);
  return api::SysAllocString(w.data());
}

int g_nLive = 0;

// An automation object with a few members; remembers the last call.
struct FakeDisp : FakeDispatch {
  std::string sLastMember;
  WORD wLastFlags = 0;
  std::vector<std::string> lastArgs;   // in call order, "vt:value"
  DISPID idNamed = 0;
  UINT nNamed = 0;
  bool bResultAsked = false;
  // What the member "Fail" does.
  HRESULT hrFail = DISP_E_EXCEPTION;
  WORD wCode = 0;
  SCODE scode = 0;
  const char* sDescription = nullptr;

  FakeDisp() { ++g_nLive; }
  virtual ~FakeDisp() { --g_nLive; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualGUID(riid, kUnknownGuid) || IsEqualGUID(riid, kDispatchGuid) || IsEqualGUID(riid, kIfaceGuid)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    static const char* const members[] = {"Connect", "Name", "Child", "Fail", "Count"};
    std::string s = Narrow(names[0]);
    for (int i = 0; i < 5; ++i)
      if (s == members[i]) {
        ids[0] = i + 1;
        return S_OK;
      }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* dp, VARIANT* pResult,
                                   EXCEPINFO* pEx, UINT*) override {
    static const char* const members[] = {"", "Connect", "Name", "Child", "Fail", "Count"};
    sLastMember = members[id];
    wLastFlags = wFlags;
    bResultAsked = pResult != nullptr;
    nNamed = dp->cNamedArgs;
    idNamed = dp->cNamedArgs ? dp->rgdispidNamedArgs[0] : 0;
    lastArgs.clear();
    for (UINT i = dp->cArgs; i-- > 0;) {
      const VARIANT& v = dp->rgvarg[i];
      switch (V_VT(&v)) {
        case VT_BSTR: lastArgs.push_back("BSTR:" + Narrow(V_BSTR(&v))); break;
        case VT_BOOL: lastArgs.push_back(V_BOOL(&v) == VARIANT_TRUE ? "BOOL:-1" : "BOOL:0"); break;
        case VT_I4: lastArgs.push_back("I4:" + std::to_string(V_I4(&v))); break;
        case VT_DISPATCH: lastArgs.push_back(V_DISPATCH(&v) == this ? "DISPATCH:self" : "DISPATCH:other"); break;
        default: lastArgs.push_back("VT" + std::to_string(V_VT(&v)));
      }
    }
    switch (id) {
      case 3:   // Child: a new object
        V_VT(pResult) = VT_DISPATCH;
        V_DISPATCH(pResult) = new FakeDisp();
        return S_OK;
      case 4:   // Fail
        if (hrFail == DISP_E_EXCEPTION) {
          pEx->wCode = wCode;
          pEx->scode = scode;
          pEx->bstrSource = Bstr("Fake");
          pEx->bstrDescription = sDescription ? Bstr(sDescription) : nullptr;
        }
        return hrFail;
      case 5:   // Count
        V_VT(pResult) = VT_I4;
        V_I4(pResult) = 7;
        return S_OK;
      case 2:   // Name
        if (pResult) {
          V_VT(pResult) = VT_BSTR;
          V_BSTR(pResult) = Bstr("HOST\\ZoMEL");
        }
        return S_OK;
    }
    return S_OK;
  }
};

FakeDisp* g_last = nullptr;

void Register() {
  sim::Reset();
  sim::RegisterClassObject(kClassGuid, [](REFIID riid, void** ppv) {
    FakeDisp* p = new FakeDisp();
    g_last = p;
    HRESULT hr = p->QueryInterface(riid, ppv);
    p->Release();
    return hr;
  });
}

RuntimeError ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e;
  }
  return RuntimeError{0, "(no error)"};
}

}  // namespace

TEST(objects_are_created_by_identifier_and_called_by_name) {
  Register();
  {
    AutoRef o = Automation().CreateObject(kClass, kIface);
    CHECK(sim::ComInitialized() >= 1);
    o->Call("Connect", {AutoText("HOST\\ZoMEL"), AutoText("sa"), AutoText(""), AutoLong(2), AutoBool(true)});
    CHECK_EQ(g_last->sLastMember, std::string("Connect"));
    CHECK_EQ(g_last->lastArgs, (std::vector<std::string>{"BSTR:HOST\\ZoMEL", "BSTR:sa", "BSTR:", "I4:2", "BOOL:-1"}));
    CHECK_EQ(g_last->wLastFlags, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    CHECK_EQ(g_last->nNamed, 0u);
    AutoValue v = o->Call("Name");
    CHECK(v.eKind == AutoValue::Text && v.s == "HOST\\ZoMEL");
    CHECK_EQ(o->Call("Count").n, 7L);
  }
  CHECK_EQ(g_nLive, 0);
}

TEST(a_property_assignment_passes_its_value_as_the_named_put_argument) {
  Register();
  AutoRef o = Automation().CreateObject(kClass, kIface);
  o->Let("Name", AutoBool(false));
  CHECK_EQ(g_last->wLastFlags, static_cast<WORD>(DISPATCH_PROPERTYPUT));
  CHECK_EQ(g_last->nNamed, 1u);
  CHECK_EQ(g_last->idNamed, static_cast<DISPID>(DISPID_PROPERTYPUT));
  CHECK_EQ(g_last->lastArgs, (std::vector<std::string>{"BOOL:0"}));
  CHECK(!g_last->bResultAsked);
}

TEST(object_results_can_be_called_and_passed_back) {
  Register();
  {
    AutoRef o = Automation().CreateObject(kClass, kIface);
    FakeDisp* pServer = g_last;
    AutoRef child = o->CallObject("Child", {});
    CHECK(child != nullptr);
    AutoValue v = child->Call("Name");
    CHECK_EQ(v.s, std::string("HOST\\ZoMEL"));
    o->Call("Connect", {AutoObject(o), AutoObject(child)});
    CHECK_EQ(pServer->lastArgs, (std::vector<std::string>{"DISPATCH:self", "DISPATCH:other"}));
    // A member without an object result where one is needed.
    RuntimeError e = ErrorOf([&] { o->CallObject("Name", {}); });
    CHECK_EQ(e.Number, 424L);
  }
  CHECK_EQ(g_nLive, 0);
}

TEST(failures_become_numbered_errors) {
  Register();
  AutoRef o = Automation().CreateObject(kClass, kIface);
  FakeDisp* p = g_last;
  const char kLogin[] = "[Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user 'sa'.";
  const struct { HRESULT hr; WORD wCode; unsigned scode; const char* sDescription; long nNumber; const char* sText; } rows[] = {
      {DISP_E_EXCEPTION, 0, 0x80044818u, kLogin, -2147203048L, kLogin},   // the server's exception as it is
      {DISP_E_EXCEPTION, 1001, 0x80044818u, kLogin, 1001L, kLogin},       // wCode wins over scode
      // A plain error number travelling in a control-facility scode.
      {DISP_E_EXCEPTION, 0, 0x800A0035u, nullptr, 53L, "Automation error"},
      // Failed calls without an exception record.
      {E_FAIL, 0, 0, nullptr, static_cast<long>(static_cast<int>(0x80004005)), "Automation error"},
      {DISP_E_TYPEMISMATCH, 0, 0, nullptr, 13L, nullptr},
  };
  for (const auto& r : rows) {
    p->hrFail = r.hr;
    p->wCode = r.wCode;
    p->scode = static_cast<SCODE>(r.scode);
    p->sDescription = r.sDescription;
    RuntimeError e = ErrorOf([&] { o->Call("Fail"); });
    CHECK_EQ(e.Number, r.nNumber);
    if (r.sText) CHECK_EQ(e.Description, std::string(r.sText));
  }
  // Unknown members and classes.
  RuntimeError e = ErrorOf([&] { o->Call("Frobnicate"); });
  CHECK_EQ(e.Number, 438L);
  CHECK_EQ(e.Description, std::string("Object doesn't support this property or method"));
  e = ErrorOf([&] { Automation().CreateObject("{10021300-E260-11CF-AE68-00AA004A34D5}", kIface); });
  CHECK_EQ(e.Number, 429L);
  CHECK_EQ(e.Description, std::string("ActiveX component can't create object"));
}

TEST(guids_are_read_in_registry_form_only) {
  GUID g;
  CHECK(ParseGuid("{10022F06-E260-11CF-AE68-00AA004A34D5}", g));
  CHECK_EQ(static_cast<unsigned long>(g.Data1), 0x10022F06UL);
  CHECK_EQ(g.Data2, static_cast<WORD>(0xE260));
  CHECK_EQ(g.Data3, static_cast<WORD>(0x11CF));
  CHECK_EQ(static_cast<int>(g.Data4[0]), 0xAE);
  CHECK_EQ(static_cast<int>(g.Data4[7]), 0xD5);
  CHECK(ParseGuid("{10022f06-e260-11cf-ae68-00aa004a34d5}", g));
  for (const char* s : {"10022F06-E260-11CF-AE68-00AA004A34D5", "{10022F06-E260-11CF-AE68-00AA004A34D}",
                        "{10022F06-E260-11CF-AE68-00AA004A34D5}x", "{10022F06E260-11CF-AE68-00AA004A34D5}",
                        "{1002ZF06-E260-11CF-AE68-00AA004A34D5}"})
    CHECK_EQ(std::string(s) + (ParseGuid(s, g) ? " read" : " refused"), std::string(s) + " refused");
  CHECK(!ParseGuid(nullptr, g));
}
