// Stand-in for the SQL Server Service Manager: one main window of class
// "SQLManagerApplicationClass" with the box "&Auto-start service when OS
// starts". The box's state is remembered in the registry and applied to the
// start type of the server services when the window closes, whoever changed
// it (a click or a BM_SETCHECK from another program). A second start only
// brings the running one forward.
#include <windows.h>
#include <cstdio>
#include <string>
#include "ServerState.h"

namespace {

const char* const kClass = "SQLManagerApplicationClass";
const char* const kTitle = "SQL Server Service Manager";
const char* const kSettingsKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\Service Manager";
const int idAutoStart = 101;
HWND g_hAutoStart = nullptr;

DWORD ReadAutoStart() {
  HKEY hKey;
  DWORD dwValue = 0, cb = sizeof(dwValue), dwType = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
    if (RegQueryValueExA(hKey, "AutoStart", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cb) != ERROR_SUCCESS ||
        dwType != REG_DWORD)
      dwValue = 0;
    RegCloseKey(hKey);
  }
  return dwValue;
}

void WriteAutoStart(DWORD dwValue) {
  HKEY hKey;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(hKey, "AutoStart", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
  RegCloseKey(hKey);
}

bool IsServerService(const char* s) {
  return !lstrcmpiA(s, "MSSQLSERVER") || !_strnicmp(s, "MSSQL$", 6);
}

// Every server instance starts with the system, or on demand.
void ApplyStartType(bool bAuto) {
  SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_CONNECT);
  if (!hManager) return;
  DWORD cbNeeded = 0, nCount = 0, hResume = 0;
  EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &cbNeeded, &nCount, &hResume);
  if (cbNeeded) {
    std::string buf(cbNeeded, '\0');
    ENUM_SERVICE_STATUSA* p = reinterpret_cast<ENUM_SERVICE_STATUSA*>(&buf[0]);
    hResume = 0;
    if (EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL, p, cbNeeded, &cbNeeded, &nCount, &hResume)) {
      for (DWORD i = 0; i < nCount; ++i) {
        if (!IsServerService(p[i].lpServiceName)) continue;
        SC_HANDLE h = OpenServiceA(hManager, p[i].lpServiceName, SERVICE_CHANGE_CONFIG);
        if (!h) continue;
        ChangeServiceConfigA(h, SERVICE_NO_CHANGE, bAuto ? SERVICE_AUTO_START : SERVICE_DEMAND_START,
                             SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        CloseServiceHandle(h);
      }
    }
  }
  CloseServiceHandle(hManager);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      HFONT hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      char sComputer[MAX_COMPUTERNAME_LENGTH + 1];
      DWORD n = sizeof(sComputer);
      if (!GetComputerNameA(sComputer, &n)) sComputer[0] = 0;
      std::string sServer = std::string("Server:  ") + sComputer;
      HWND h[3];
      h[0] = CreateWindowExA(0, "Static", sServer.c_str(), WS_CHILD | WS_VISIBLE, 16, 16, 300, 20, hWnd, nullptr,
                             nullptr, nullptr);
      h[1] = CreateWindowExA(0, "Static", "Services:  SQL Server", WS_CHILD | WS_VISIBLE, 16, 44, 300, 20, hWnd,
                             nullptr, nullptr, nullptr);
      h[2] = g_hAutoStart = CreateWindowExA(0, "Button", "&Auto-start service when OS starts",
                                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 16, 84, 300, 22,
                                            hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(idAutoStart)), nullptr,
                                            nullptr);
      for (HWND c : h) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
      SendMessageA(g_hAutoStart, BM_SETCHECK, ReadAutoStart() ? BST_CHECKED : BST_UNCHECKED, 0);
      return 0;
    }
    case WM_CLOSE: {
      bool bAuto = SendMessageA(g_hAutoStart, BM_GETCHECK, 0, 0) == BST_CHECKED;
      WriteAutoStart(bAuto ? 1 : 0);
      ApplyStartType(bAuto);
      ToolLog(nullptr, std::string("sqlmangr: closed, auto-start ") + (bAuto ? "ticked" : "not ticked"));
      DestroyWindow(hWnd);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hWnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShow) {
  ToolLog(nullptr, std::string("sqlmangr: ") + GetCommandLineA());
  HWND hRunning = FindWindowA(kClass, kTitle);
  if (hRunning) {
    SetForegroundWindow(hRunning);
    return 0;
  }
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = hInstance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassA(&wc)) return 1;
  // Created before the message loop, so a starter that waits for input
  // idle finds it.
  HWND hWnd = CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, 360, 180, nullptr, nullptr, hInstance, nullptr);
  if (!hWnd) return 1;
  ShowWindow(hWnd, nShow);
  UpdateWindow(hWnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
