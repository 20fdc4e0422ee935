// Recording management objects behind CoCreateInstance: the server and the
// new login, with the collections and items reached from the server. Each
// call is one log line, e.g. Logins.Item("sa") or NewLogin.Type = 2.
#include <algorithm>
#include "tests/scenarios/Harness.h"

namespace {
const GUID kServerClass = {0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kLoginClass = {0x10021300, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};

std::vector<std::string> g_log, g_members;
int g_live = 0;
bool g_refuseLogins = false;

std::string Narrow(const WCHAR* w) {
  char buf[512] = {};
  ::WideCharToMultiByte(CP_ACP, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
  return buf;
}

class Dmo final : public IDispatch {
public:
  explicit Dmo(const std::string& name) : m_name(name) { ++g_live; }
  const std::string m_name;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return *ppv = this, AddRef(), S_OK; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --m_refs;
    if (!n) --g_live, delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    auto it = std::find(g_members.begin(), g_members.end(), Narrow(names[0]));
    if (it == g_members.end()) it = g_members.insert(it, Narrow(names[0]));
    return ids[0] = DISPID(it - g_members.begin() + 1), S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    const std::string member = g_members.at(size_t(id - 1));
    std::string args;
    for (UINT i = dp->cArgs; i-- > 0;) args += std::string(args.empty() ? "" : ", ") + Show(dp->rgvarg[i]);
    const bool bPut = flags & DISPATCH_PROPERTYPUT;
    g_log.push_back(m_name + "." + member + (bPut ? " = " + args : "(" + args + ")"));
    if (bPut) return S_OK;
    if (member == "Connect" && g_refuseLogins) return E_ACCESSDENIED;
    const char* child = member == "Logins" ? "Logins"
                        : member == "ServerRoles" ? "ServerRoles"
                        : member != "Item" ? nullptr
                        : m_name == "Logins" ? "Login" : "ServerRole";
    if (child && result) V_VT(result) = VT_DISPATCH, V_DISPATCH(result) = new Dmo(child);
    return S_OK;
  }

private:
  static std::string Show(const VARIANT& v) {
    switch (V_VT(&v)) {
      case VT_BSTR: return "\"" + Narrow(V_BSTR(&v)) + "\"";
      case VT_BOOL: return V_BOOL(&v) ? "True" : "False";
      case VT_I4: return std::to_string(V_I4(&v));
      case VT_DISPATCH: return static_cast<Dmo*>(V_DISPATCH(&v))->m_name;
      default: return "?";
    }
  }
  ULONG m_refs = 1;
};

HRESULT WINAPI Create(REFCLSID clsid, LPUNKNOWN, DWORD, REFIID, LPVOID* ppv) {
  const char* name = IsEqualGUID(clsid, kServerClass) ? "Server" : IsEqualGUID(clsid, kLoginClass) ? "NewLogin" : nullptr;
  if (!name) return REGDB_E_CLASSNOTREG;
  g_log.push_back(std::string("new ") + name);
  *ppv = static_cast<IDispatch*>(new Dmo(name));
  return S_OK;
}
}  // namespace

std::vector<std::string>& DmoLog() { return g_log; }
int DmoLive() { return g_live; }
void ResetDmo() {
  g_log.clear();
  g_live = 0;
  g_refuseLogins = false;
}
void RefuseLogins() { g_refuseLogins = true; }
void UseDmo() { seam::hook::CoCreateInstance = Create; }
