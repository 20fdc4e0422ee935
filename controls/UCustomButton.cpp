#include "controls/UCustomButton.h"

namespace {
const char kClassName[] = "TarnwickCustomButton";
const uint32_t kButtonText = 0x80000012, kButtonFace = 0x8000000F;

// Button state as the mouse handlers expect it: 1 left, 2 right, 4 middle.
int HeldButtons(WPARAM wParam) {
  return ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) | ((wParam & MK_MBUTTON) ? 4 : 0);
}
}  // namespace

UCustomButton::UCustomButton() : m_Surface(kButtonText, kButtonFace) {}

UCustomButton::~UCustomButton() {
  Destroy();
  if (m_Picture) m_Picture->Release();
  if (m_DrawnPicture) m_DrawnPicture->Release();
}

HWND UCustomButton::Create(HWND hParent, int nId, int x, int y, int w, int h) {
  if (!CreateControl(kClassName, hParent, nId, x, y, w, h)) return nullptr;
  m_Surface.Attach(m_hWnd);
  DrawButton(EdgeRaised);
  return m_hWnd;
}

// A property write redraws the face at once: the kept look would otherwise
// show the old caption or enabled state until the mouse next passes over it.
void UCustomButton::Changed(const char* sName) {
  if (m_pHost) m_pHost->PropertyChanged(sName);
  DrawButton(EdgeRaised);
}

void UCustomButton::Caption(const std::string& sNewCaption) {
  m_Caption = sNewCaption;
  Changed("Caption");
}

void UCustomButton::CaptionAlignment(int32_t eAlignment) {
  m_CaptionAlignment = eAlignment;
  Changed("CaptionAlignment");
}

void UCustomButton::Enabled(bool sNewValue) {
  m_Enabled = sNewValue;
  // The window follows, so that a disabled button takes no input at all and
  // the form sees the same state.
  if (m_hWnd && (api::IsWindowEnabled(m_hWnd) != 0) != sNewValue) api::EnableWindow(m_hWnd, sNewValue);
  Changed("Enabled");
}

void UCustomButton::Font(const StdFont& New_Font) {
  m_Surface.Font(New_Font);
  Changed("Font");
}

void UCustomButton::Picture(IPicture* oPicture) {
  if (oPicture) {
    oPicture->AddRef();
    oPicture->AddRef();
  }
  if (m_Picture) m_Picture->Release();
  if (m_DrawnPicture) m_DrawnPicture->Release();
  m_Picture = oPicture;
  m_DrawnPicture = oPicture;
  Changed("Picture");
}

void UCustomButton::InitProperties() { m_Enabled = true; }

void UCustomButton::Act(MouseAction a) {
  switch (a) {
    case MouseAction::None: break;
    case MouseAction::DrawRaised: DrawButton(EdgeRaised); break;
    case MouseAction::DrawSunken: DrawButton(EdgeSunken); break;
    case MouseAction::DrawRaisedAndClick:
      DrawButton(EdgeRaised);
      RaiseClick();
      break;
  }
}

void UCustomButton::MouseDown(int nButton, int x, int y) {
  Act(ButtonMouseAction(MouseEvent::Down, nButton, m_Enabled, x, y, m_Surface.Width(), m_Surface.Height()));
}

void UCustomButton::MouseMove(int nButton, int x, int y) {
  Act(ButtonMouseAction(MouseEvent::Move, nButton, m_Enabled, x, y, m_Surface.Width(), m_Surface.Height()));
}

void UCustomButton::MouseUp(int nButton, int x, int y) {
  Act(ButtonMouseAction(MouseEvent::Up, nButton, m_Enabled, x, y, m_Surface.Width(), m_Surface.Height()));
}

void UCustomButton::RaiseClick() {
  if (!m_hWnd) return;
  HWND hParent = api::GetParent(m_hWnd);
  int nId = api::GetDlgCtrlID(m_hWnd);
  if (hParent)
    api::SendMessageA(hParent, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT UCustomButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (msg) {
    case WM_PAINT:
      m_Surface.Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      m_Surface.Detach();
      break;
    case WM_SIZE:
      if (m_Surface.hDC() && (LOWORD(lParam) != m_Surface.Width() || HIWORD(lParam) != m_Surface.Height())) {
        m_Surface.Attach(m_hWnd);
        DrawButton(EdgeRaised);
      }
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) DrawButton(EdgeRaised);
      break;
    case WM_ENABLE:
      if (m_Enabled != (wParam != 0)) {
        m_Enabled = wParam != 0;
        DrawButton(EdgeRaised);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Keep the mouse while a button is held, so that a release outside is
      // seen here and raises no click.
      api::SetCapture(m_hWnd);
      MouseDown(HeldButtons(wParam), x, y);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(HeldButtons(wParam), x, y);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      int nReleased = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
      int nHeld = HeldButtons(wParam) & ~nReleased;
      if (!nHeld && api::GetCapture() == m_hWnd) api::ReleaseCapture();
      MouseUp(nReleased | nHeld, x, y);
      return 0;
    }
    case BM_CLICK:
      // As for a system button: a left press and release on the corner, so
      // that test robots can press it; a disabled button ignores it.
      MouseDown(1, 0, 0);
      MouseUp(1, 0, 0);
      return 0;
    case WM_GETDLGCODE:
      return 0;
    default:
      break;
  }
  return CControlWindow::WndProc(msg, wParam, lParam);
}
