// Stand-in for the server management objects: an in-process automation
// server for the server, login, logins-collection, server-role-collection
// and server-role objects, reached by late binding (IDispatch by member
// name). It behaves like a real server towards its clients:
//   - Connect is refused unless the instance's service is running and, for a
//     standard login, the instance takes standard logins and the password
//     matches; a secure (Windows) connection counts as the administrators
//     group;
//   - changes need a connection whose login is in "sysadmin" (a login may
//     also change its own password when it knows the old one);
//   - adding a login that exists, naming a login or role that does not, fail.
// Failures are raised as exceptions with the server's message and an scode
// of 0x8004xxxx carrying the server's error number.
// The state of an instance is its state file (ServerState.h), found beside
// the program that the instance's service runs.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <string>
#include <vector>
#include "ServerState.h"

namespace {

// {10020200-E260-11CF-AE68-00AA004A34D5} and its family.
const GUID kServerClass = {0x10020200, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kServerIface = {0x10020206, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kLoginClass = {0x10021300, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kLoginIface = {0x10021306, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kLoginsIface = {0x10021303, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kRolesIface = {0x10022F03, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kRoleIface = {0x10022F06, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
const GUID kIID_IUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

HMODULE g_hModule = nullptr;
LONG g_nObjects = 0;
LONG g_nLocks = 0;

// Server errors: the server's number in the low word of the scode.
struct DmoError {
  long nNumber;
  std::string sText;
  const char* sState;
};
const char* const kOdbcPrefix = "[Microsoft][ODBC SQL Server Driver][SQL Server]";

DmoError ServerError(long nNumber, const std::string& sText, const char* sState = "42000") {
  return {nNumber, kOdbcPrefix + sText, sState};
}
DmoError NotConnected() { return {0x5511, "[SQL-DMO]This object is not connected to a server.", "HY000"}; }
DmoError NoServer() {
  return {17, "[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access denied.", "08001"};
}
DmoError NoPermission() { return ServerError(15247, "User does not have permission to perform this action."); }

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
  w.resize(w.size() - 1);
  return w;
}

std::string Narrow(const WCHAR* w) {
  if (!w) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string s(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr);
  s.resize(n - 1);
  return s;
}

// ---- the instance behind a connection ----

struct Instance {
  std::string sService;
  std::string sStateFile;
};

std::string ServiceProgram(SC_HANDLE hService) {
  DWORD cb = 0;
  QueryServiceConfigA(hService, nullptr, 0, &cb);
  if (!cb) return std::string();
  std::vector<char> buf(cb);
  QUERY_SERVICE_CONFIGA* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data());
  if (!QueryServiceConfigA(hService, cfg, cb, &cb) || !cfg->lpBinaryPathName) return std::string();
  std::string s = cfg->lpBinaryPathName;
  if (!s.empty() && s[0] == '"') {
    size_t end = s.find('"', 1);
    return s.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  size_t exe = s.find(".exe");
  if (exe == std::string::npos) exe = s.find(".EXE");
  return exe == std::string::npos ? s : s.substr(0, exe + 4);
}

// "HOST", "HOST\NAME", "(local)", "." on this computer; running service only.
Instance Locate(const std::string& sTarget) {
  std::string sHost = sTarget, sInstance;
  size_t slash = sTarget.find('\\');
  if (slash != std::string::npos) {
    sHost = sTarget.substr(0, slash);
    sInstance = sTarget.substr(slash + 1);
  }
  char sComputer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = sizeof(sComputer);
  if (!GetComputerNameA(sComputer, &n)) sComputer[0] = 0;
  if (!sHost.empty() && !SameText(sHost, sComputer) && sHost != "." && !SameText(sHost, "(local)") &&
      !SameText(sHost, "localhost"))
    throw NoServer();
  Instance inst;
  inst.sService = sInstance.empty() || SameText(sInstance, "MSSQLSERVER") ? "MSSQLSERVER" : "MSSQL$" + sInstance;
  SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!hManager) throw NoServer();
  SC_HANDLE hService = OpenServiceA(hManager, inst.sService.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
  SERVICE_STATUS st = {};
  bool bRunning = hService && QueryServiceStatus(hService, &st) && st.dwCurrentState == SERVICE_RUNNING;
  std::string sProgram = hService ? ServiceProgram(hService) : std::string();
  if (hService) CloseServiceHandle(hService);
  CloseServiceHandle(hManager);
  if (!bRunning || sProgram.empty()) throw NoServer();
  inst.sStateFile = StateFileBeside(sProgram, inst.sService);
  return inst;
}

ServerState LoadState(const Instance& inst) {
  ServerState st;
  if (!st.Load(inst.sStateFile)) throw ServerError(5180, "Could not open the instance's master state.", "HY000");
  return st;
}

void SaveState(const Instance& inst, const ServerState& st) {
  if (!st.Save(inst.sStateFile)) throw ServerError(5180, "Could not write the instance's master state.", "HY000");
}

// ---- arguments ----

struct Args {
  DISPPARAMS* dp;
  UINT Count() const { return dp->cArgs; }   // a property put passes its value as the one named argument
  // i-th argument in call order; empty when left out.
  VARIANT* At(UINT i) const {
    if (i >= Count()) return nullptr;
    VARIANT* v = &dp->rgvarg[dp->cArgs - 1 - i];
    if (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND) return nullptr;
    return v;
  }
  std::string Text(UINT i) const {
    VARIANT* v = At(i);
    if (!v) return std::string();
    VARIANT t;
    VariantInit(&t);
    if (FAILED(VariantChangeType(&t, v, 0, VT_BSTR))) throw DISP_E_TYPEMISMATCH;
    std::string s = Narrow(t.bstrVal);
    VariantClear(&t);
    return s;
  }
  long Long(UINT i) const {
    VARIANT* v = At(i);
    if (!v) throw DISP_E_PARAMNOTOPTIONAL;
    VARIANT t;
    VariantInit(&t);
    if (FAILED(VariantChangeType(&t, v, 0, VT_I4))) throw DISP_E_TYPEMISMATCH;
    return t.lVal;
  }
  bool Bool(UINT i) const {
    VARIANT* v = At(i);
    if (!v) throw DISP_E_PARAMNOTOPTIONAL;
    VARIANT t;
    VariantInit(&t);
    if (FAILED(VariantChangeType(&t, v, 0, VT_BOOL))) throw DISP_E_TYPEMISMATCH;
    return t.boolVal != VARIANT_FALSE;
  }
  IDispatch* Object(UINT i) const {
    VARIANT* v = At(i);
    if (!v) throw DISP_E_PARAMNOTOPTIONAL;
    if (v->vt == (VT_DISPATCH | VT_BYREF)) return v->ppdispVal ? *v->ppdispVal : nullptr;
    if (v->vt == VT_DISPATCH) return v->pdispVal;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal && v->pvarVal->vt == VT_DISPATCH) return v->pvarVal->pdispVal;
    throw DISP_E_TYPEMISMATCH;
  }
};

void SetText(VARIANT* r, const std::string& s) {
  if (!r) return;
  r->vt = VT_BSTR;
  r->bstrVal = SysAllocString(Wide(s).c_str());
}
void SetLong(VARIANT* r, long n) {
  if (!r) return;
  r->vt = VT_I4;
  r->lVal = n;
}
void SetBool(VARIANT* r, bool b) {
  if (!r) return;
  r->vt = VT_BOOL;
  r->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}
void SetObject(VARIANT* r, IDispatch* p) {   // takes over the reference
  if (!r) {
    p->Release();
    return;
  }
  r->vt = VT_DISPATCH;
  r->pdispVal = p;
}

// ---- IDispatch by a table of member names ----

struct Member {
  const char* sName;
  DISPID id;
};

class CDisp : public IDispatch {
public:
  CDisp(const GUID& iid, const Member* members) : m_iid(iid), m_members(members) { InterlockedIncrement(&g_nObjects); }
  virtual ~CDisp() { InterlockedDecrement(&g_nObjects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualGUID(riid, kIID_IUnknown) || IsEqualGUID(riid, kIID_IDispatch) || IsEqualGUID(riid, m_iid)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_nRefs); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = InterlockedDecrement(&m_nRefs);
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pn) override {
    if (pn) *pn = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < n; ++i) {
      ids[i] = DISPID_UNKNOWN;
      std::string s = Narrow(names[i]);
      for (const Member* m = m_members; m->sName; ++m)
        if (i == 0 && SameText(s, m->sName)) ids[i] = m->id;
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* dp, VARIANT* pResult,
                                   EXCEPINFO* pEx, UINT*) override {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    Args a{dp ? dp : &none};
    if (pResult) VariantInit(pResult);
    try {
      return Do(id, wFlags, a, pResult);
    } catch (const DmoError& e) {
      HRESULT sc = static_cast<HRESULT>(0x80040000UL | (static_cast<unsigned long>(e.nNumber) & 0xFFFF));
      if (!pEx) return sc;
      *pEx = EXCEPINFO();
      pEx->scode = sc;
      pEx->bstrSource = SysAllocString(Wide(std::string("Microsoft SQL-DMO (ODBC SQLState: ") + e.sState + ")").c_str());
      pEx->bstrDescription = SysAllocString(Wide(e.sText).c_str());
      return DISP_E_EXCEPTION;
    } catch (HRESULT hr) {
      return hr;
    } catch (...) {
      return E_FAIL;
    }
  }

protected:
  // Throws DmoError or an HRESULT.
  virtual HRESULT Do(DISPID id, WORD wFlags, const Args& a, VARIANT* r) = 0;
  static bool IsPut(WORD w) { return (w & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

private:
  LONG m_nRefs = 1;
  GUID m_iid;
  const Member* m_members;
};

// ---- objects ----

class CServer;

// What a connection may do: who is connected, to which instance.
struct Connection {
  bool bConnected = false;
  bool bSecure = false;
  std::string sLogin;
  Instance inst;

  void Require() const {
    if (!bConnected) throw NotConnected();
  }
  bool IsAdmin(const ServerState& st) const {
    return st.IsMember("sysadmin", bSecure ? kAdministratorsGroup : sLogin);
  }
};

const Member kLoginMembers[] = {{"Name", 1}, {"Type", 2}, {"SetPassword", 3}, {nullptr, 0}};
const GUID kLoginSelf = {0x7A3C1E55, 0x2B9D, 0x4F60, {0x91, 0x3E, 0x55, 0x0C, 0xD1, 0x72, 0x8A, 0x01}};

class CLogin : public CDisp {
public:
  // A new login (not on a server yet), or one of a connected server's logins.
  explicit CLogin(Connection* pConn = nullptr, IDispatch* pOwner = nullptr, const std::string& sName = std::string())
      : CDisp(kLoginIface, kLoginMembers), m_pConn(pConn), m_pOwner(pOwner), m_sName(sName) {
    if (m_pOwner) m_pOwner->AddRef();
  }
  ~CLogin() override {
    if (m_pOwner) m_pOwner->Release();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv && IsEqualGUID(riid, kLoginSelf)) {   // lets Logins.Add see the login's fields
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return CDisp::QueryInterface(riid, ppv);
  }

  bool Bound() const { return m_pConn != nullptr; }
  const std::string& Name() const { return m_sName; }
  void Bind(Connection* pConn, IDispatch* pOwner) {
    m_pConn = pConn;
    m_pOwner = pOwner;
    m_pOwner->AddRef();
  }
  std::string m_sPendingPassword;
  int m_nType = 0;

protected:
  HRESULT Do(DISPID id, WORD wFlags, const Args& a, VARIANT* r) override {
    switch (id) {
      case 1:   // Name
        if (IsPut(wFlags)) {
          if (Bound()) throw ServerError(15600, "The name of an existing login cannot be changed here.");
          m_sName = a.Text(0);
        } else {
          SetText(r, m_sName);
        }
        return S_OK;
      case 2:   // Type
        if (IsPut(wFlags)) {
          if (Bound()) throw ServerError(15600, "The type of an existing login cannot be changed.");
          long n = a.Long(0);
          if (n < 0 || n > 2) throw DISP_E_OVERFLOW;
          m_nType = static_cast<int>(n);
        } else if (Bound()) {
          m_pConn->Require();
          ServerState st = LoadState(m_pConn->inst);
          StateLogin* l = st.FindLogin(m_sName);
          SetLong(r, l ? l->nType : 0);
        } else {
          SetLong(r, m_nType);
        }
        return S_OK;
      case 3: {   // SetPassword(old, new)
        std::string sOld = a.Text(0), sNew = a.Text(1);
        if (!Bound()) {
          m_sPendingPassword = sNew;
          return S_OK;
        }
        m_pConn->Require();
        ServerState st = LoadState(m_pConn->inst);
        StateLogin* l = st.FindLogin(m_sName);
        if (!l) throw ServerError(15007, "'" + m_sName + "' is not a valid login or you do not have permission.");
        if (l->nType != 2) throw ServerError(15124, "Windows logins have no password on this server.");
        bool bSelf = !m_pConn->bSecure && SameText(m_pConn->sLogin, m_sName);
        if (!m_pConn->IsAdmin(st)) {
          if (!bSelf) throw NoPermission();
          if (sOld != l->sPassword) throw ServerError(15211, "Old (current) password incorrect for user. The password was not changed.");
        }
        l->sPassword = sNew;
        SaveState(m_pConn->inst, st);
        ToolLog(g_hModule, "sqldmo: password of " + l->sName + " changed");
        return S_OK;
      }
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  Connection* m_pConn;
  IDispatch* m_pOwner;   // keeps the server (and its connection) alive
  std::string m_sName;
};

const Member kLoginsMembers[] = {{"Item", 0}, {"Add", 1}, {"Count", 2}, {nullptr, 0}};

class CLogins : public CDisp {
public:
  CLogins(Connection* pConn, IDispatch* pOwner) : CDisp(kLoginsIface, kLoginsMembers), m_pConn(pConn), m_pOwner(pOwner) {
    m_pOwner->AddRef();
  }
  ~CLogins() override { m_pOwner->Release(); }

protected:
  HRESULT Do(DISPID id, WORD, const Args& a, VARIANT* r) override {
    m_pConn->Require();
    ServerState st = LoadState(m_pConn->inst);
    switch (id) {
      case 0: {   // Item(name)
        std::string sName = a.Text(0);
        StateLogin* l = st.FindLogin(sName);
        if (!l)
          throw DmoError{0x5510,
                         "[SQL-DMO]The name '" + sName + "' was not found in the Logins collection. If the name is a "
                         "qualified name, use [] to separate various parts of the name, and try again.",
                         "HY000"};
        SetObject(r, new CLogin(m_pConn, m_pOwner, l->sName));
        return S_OK;
      }
      case 1: {   // Add(login)
        IDispatch* p = a.Object(0);
        CLogin* pLogin = nullptr;
        if (!p || FAILED(p->QueryInterface(kLoginSelf, reinterpret_cast<void**>(&pLogin)))) throw DISP_E_TYPEMISMATCH;
        std::string sName = pLogin->Name();
        bool bBound = pLogin->Bound();
        int nType = pLogin->m_nType;
        std::string sPassword = pLogin->m_sPendingPassword;
        if (bBound || sName.empty()) {
          pLogin->Release();
          throw DmoError{0x5513, "[SQL-DMO]The login must be a new login with a name.", "HY000"};
        }
        if (!m_pConn->IsAdmin(st) && !st.IsMember("securityadmin", m_pConn->sLogin)) {
          pLogin->Release();
          throw NoPermission();
        }
        if (st.FindLogin(sName)) {
          pLogin->Release();
          throw ServerError(15025, "The login '" + sName + "' already exists.");
        }
        st.logins.push_back({sName, nType, nType == 2 ? sPassword : std::string()});
        SaveState(m_pConn->inst, st);
        ToolLog(g_hModule, "sqldmo: login " + sName + " added, type " + std::to_string(nType));
        pLogin->Bind(m_pConn, m_pOwner);
        pLogin->Release();
        return S_OK;
      }
      case 2:
        SetLong(r, static_cast<long>(st.logins.size()));
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  Connection* m_pConn;
  IDispatch* m_pOwner;
};

const Member kRoleMembers[] = {{"Name", 1}, {"AddMember", 2}, {nullptr, 0}};

class CServerRole : public CDisp {
public:
  CServerRole(Connection* pConn, IDispatch* pOwner, const std::string& sName)
      : CDisp(kRoleIface, kRoleMembers), m_pConn(pConn), m_pOwner(pOwner), m_sName(sName) {
    m_pOwner->AddRef();
  }
  ~CServerRole() override { m_pOwner->Release(); }

protected:
  HRESULT Do(DISPID id, WORD, const Args& a, VARIANT* r) override {
    if (id == 1) {
      SetText(r, m_sName);
      return S_OK;
    }
    if (id != 2) return DISP_E_MEMBERNOTFOUND;
    std::string sLogin = a.Text(0);
    m_pConn->Require();
    ServerState st = LoadState(m_pConn->inst);
    if (!m_pConn->IsAdmin(st)) throw NoPermission();
    StateLogin* l = st.FindLogin(sLogin);
    if (!l) throw ServerError(15007, "'" + sLogin + "' is not a valid login or you do not have permission.");
    st.AddMember(m_sName, l->sName);
    SaveState(m_pConn->inst, st);
    ToolLog(g_hModule, "sqldmo: " + l->sName + " added to " + m_sName);
    return S_OK;
  }

private:
  Connection* m_pConn;
  IDispatch* m_pOwner;
  std::string m_sName;
};

const Member kRolesMembers[] = {{"Item", 0}, {"Count", 1}, {nullptr, 0}};

class CServerRoles : public CDisp {
public:
  CServerRoles(Connection* pConn, IDispatch* pOwner) : CDisp(kRolesIface, kRolesMembers), m_pConn(pConn), m_pOwner(pOwner) {
    m_pOwner->AddRef();
  }
  ~CServerRoles() override { m_pOwner->Release(); }

protected:
  HRESULT Do(DISPID id, WORD, const Args& a, VARIANT* r) override {
    m_pConn->Require();
    if (id == 1) {
      SetLong(r, 8);
      return S_OK;
    }
    if (id != 0) return DISP_E_MEMBERNOTFOUND;
    std::string sName = a.Text(0);
    for (const char* sRole : kFixedRoles)
      if (SameText(sName, sRole)) {
        SetObject(r, new CServerRole(m_pConn, m_pOwner, sRole));
        return S_OK;
      }
    throw ServerError(15412, "'" + sName + "' is not a known fixed role.");
  }

private:
  Connection* m_pConn;
  IDispatch* m_pOwner;
};

const Member kServerMembers[] = {{"LoginSecure", 1}, {"Connect", 2}, {"DisConnect", 3}, {"Logins", 4},
                                 {"ServerRoles", 5}, {"Name", 6},    {nullptr, 0}};

class CServer : public CDisp {
public:
  CServer() : CDisp(kServerIface, kServerMembers) {}

protected:
  HRESULT Do(DISPID id, WORD wFlags, const Args& a, VARIANT* r) override {
    switch (id) {
      case 1:   // LoginSecure
        if (IsPut(wFlags)) m_bLoginSecure = a.Bool(0);
        else SetBool(r, m_bLoginSecure);
        return S_OK;
      case 2: {   // Connect([ServerName], [Login], [Password])
        if (m_conn.bConnected) throw DmoError{0x5512, "[SQL-DMO]This server object is already connected.", "HY000"};
        std::string sTarget = a.Text(0), sLogin = a.Text(1), sPassword = a.Text(2);
        std::string sWho = m_bLoginSecure ? std::string("(Windows)") : sLogin;
        try {
          Instance inst = Locate(sTarget.empty() ? "(local)" : sTarget);
          ServerState st = LoadState(inst);
          if (!m_bLoginSecure) {
            if (!SameText(st.sSecurityMode, "SQL"))
              throw ServerError(18452, "Login failed for user '" + sLogin +
                                           "'. Reason: Not associated with a trusted SQL Server connection.", "28000");
            StateLogin* l = st.FindLogin(sLogin);
            if (!l || l->nType != 2 || l->sPassword != sPassword)
              throw ServerError(18456, "Login failed for user '" + sLogin + "'.", "28000");
            sLogin = l->sName;
          }
          m_conn.inst = inst;
        } catch (const DmoError& e) {
          ToolLog(g_hModule, "sqldmo: Connect " + sTarget + " as " + sWho + " refused: " + e.sText);
          throw;
        }
        ToolLog(g_hModule, "sqldmo: Connect " + sTarget + " as " + sWho);
        m_conn.bConnected = true;
        m_conn.bSecure = m_bLoginSecure;
        m_conn.sLogin = m_bLoginSecure ? std::string(kAdministratorsGroup) : sLogin;
        m_sName = sTarget;
        return S_OK;
      }
      case 3:   // DisConnect
        m_conn = Connection();
        return S_OK;
      case 4:
        m_conn.Require();
        SetObject(r, new CLogins(&m_conn, this));
        return S_OK;
      case 5:
        m_conn.Require();
        SetObject(r, new CServerRoles(&m_conn, this));
        return S_OK;
      case 6:
        SetText(r, m_sName);
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  bool m_bLoginSecure = false;
  Connection m_conn;
  std::string m_sName;
};

// ---- class factories and registration ----

class CFactory : public IClassFactory {
public:
  explicit CFactory(bool bServer) : m_bServer(bServer) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualGUID(riid, kIID_IUnknown) || IsEqualGUID(riid, kIID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pOuter) return CLASS_E_NOAGGREGATION;
    CDisp* p = m_bServer ? static_cast<CDisp*>(new CServer()) : static_cast<CDisp*>(new CLogin());
    HRESULT hr = p->QueryInterface(riid, ppv);
    p->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override {
    if (bLock) InterlockedIncrement(&g_nLocks);
    else InterlockedDecrement(&g_nLocks);
    return S_OK;
  }

private:
  bool m_bServer;
};

CFactory g_serverFactory(true), g_loginFactory(false);

struct RegEntry {
  const char* sKey;
  const char* sName;    // nullptr: the key's default value
  const char* sValue;   // nullptr: this library's path
};
const RegEntry kRegistry[] = {
    {"CLSID\\{10020200-E260-11CF-AE68-00AA004A34D5}", nullptr, "SQLDMO.SQLServer"},
    {"CLSID\\{10020200-E260-11CF-AE68-00AA004A34D5}\\InprocServer32", nullptr, nullptr},
    {"CLSID\\{10020200-E260-11CF-AE68-00AA004A34D5}\\InprocServer32", "ThreadingModel", "Apartment"},
    {"CLSID\\{10020200-E260-11CF-AE68-00AA004A34D5}\\ProgID", nullptr, "SQLDMO.SQLServer"},
    {"SQLDMO.SQLServer\\CLSID", nullptr, "{10020200-E260-11CF-AE68-00AA004A34D5}"},
    {"CLSID\\{10021300-E260-11CF-AE68-00AA004A34D5}", nullptr, "SQLDMO.Login"},
    {"CLSID\\{10021300-E260-11CF-AE68-00AA004A34D5}\\InprocServer32", nullptr, nullptr},
    {"CLSID\\{10021300-E260-11CF-AE68-00AA004A34D5}\\InprocServer32", "ThreadingModel", "Apartment"},
    {"CLSID\\{10021300-E260-11CF-AE68-00AA004A34D5}\\ProgID", nullptr, "SQLDMO.Login"},
    {"SQLDMO.Login\\CLSID", nullptr, "{10021300-E260-11CF-AE68-00AA004A34D5}"},
    {"Interface\\{10020206-E260-11CF-AE68-00AA004A34D5}", nullptr, "_SQLServer"},
    {"Interface\\{10021306-E260-11CF-AE68-00AA004A34D5}", nullptr, "_Login"},
    {"Interface\\{10021303-E260-11CF-AE68-00AA004A34D5}", nullptr, "Logins"},
    {"Interface\\{10022F03-E260-11CF-AE68-00AA004A34D5}", nullptr, "ServerRoles"},
    {"Interface\\{10022F06-E260-11CF-AE68-00AA004A34D5}", nullptr, "_ServerRole"},
};
const char* const kRegistryRoots[] = {"CLSID\\{10020200-E260-11CF-AE68-00AA004A34D5}", "SQLDMO.SQLServer",
                                      "CLSID\\{10021300-E260-11CF-AE68-00AA004A34D5}", "SQLDMO.Login",
                                      "Interface\\{10020206-E260-11CF-AE68-00AA004A34D5}",
                                      "Interface\\{10021306-E260-11CF-AE68-00AA004A34D5}",
                                      "Interface\\{10021303-E260-11CF-AE68-00AA004A34D5}",
                                      "Interface\\{10022F03-E260-11CF-AE68-00AA004A34D5}",
                                      "Interface\\{10022F06-E260-11CF-AE68-00AA004A34D5}"};

void DeleteTree(HKEY hRoot, const std::string& sKey) {
  HKEY h;
  if (RegOpenKeyExA(hRoot, sKey.c_str(), 0, KEY_READ | KEY_WRITE, &h) != ERROR_SUCCESS) return;
  char sSub[256];
  while (RegEnumKeyA(h, 0, sSub, sizeof(sSub)) == ERROR_SUCCESS) DeleteTree(h, sSub);
  RegCloseKey(h);
  RegDeleteKeyA(hRoot, sKey.c_str());
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    g_hModule = hInstance;
    DisableThreadLibraryCalls(hInstance);
  }
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (IsEqualGUID(rclsid, kServerClass)) return g_serverFactory.QueryInterface(riid, ppv);
  if (IsEqualGUID(rclsid, kLoginClass)) return g_loginFactory.QueryInterface(riid, ppv);
  if (ppv) *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_nObjects == 0 && g_nLocks == 0 ? S_OK : S_FALSE; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
  char sPath[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_hModule, sPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
  for (const RegEntry& e : kRegistry) {
    HKEY h;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, e.sKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
      return SELFREG_E_CLASS;
    const char* v = e.sValue ? e.sValue : sPath;
    LONG rc = RegSetValueExA(h, e.sName, 0, REG_SZ, reinterpret_cast<const BYTE*>(v), lstrlenA(v) + 1);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const char* s : kRegistryRoots) DeleteTree(HKEY_CLASSES_ROOT, s);
  return S_OK;
}

}  // extern "C"
