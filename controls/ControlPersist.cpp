// The persisted form of the progress bar and the custom button. Kept apart
// from the controls so that a program that never loads or saves them does
// not carry the property bag.
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"

namespace {
const uint32_t kDefFill = 0x8000000D, kDefBack = 0x8000000F, kDefInverted = 0x8000000E;
}

void UProgressBar::ReadProperties(CPropertyBag& PropBag) {
  StdFont ambient = m_pHost ? m_pHost->AmbientFont() : StdFont();
  m_Surface.Font(PropBag.ReadProperty("Font", ambient).ToFont());
  m_MaxPercentage = PropBag.ReadProperty("MaxPercentage", int32_t(100)).ToLong();
  m_MinPercentage = PropBag.ReadProperty("MinPercentage", int32_t(0)).ToLong();
  m_Surface.ForeColor(uint32_t(PropBag.ReadProperty("FillColor", kDefFill).ToLong()));
  m_Surface.BackColor(uint32_t(PropBag.ReadProperty("BackColor", kDefBack).ToLong()));
  m_InvertedTextColor = uint32_t(PropBag.ReadProperty("InvertedTextColor", kDefInverted).ToLong());
  m_TextAlignment = PropBag.ReadProperty("TextAlignment", int32_t(0)).ToLong();
  m_FloodStyle = PropBag.ReadProperty("FloodStyle", int32_t(2)).ToLong();
  m_ProgressUnits = PropBag.ReadProperty("ProgressUnits", int32_t(0)).ToLong();
}

void UProgressBar::WriteProperties(CPropertyBag& PropBag) const {
  StdFont ambient = m_pHost ? m_pHost->AmbientFont() : StdFont();
  PropBag.WriteProperty("Font", m_Surface.Font(), ambient);
  PropBag.WriteProperty("MaxPercentage", m_MaxPercentage, int32_t(100));
  PropBag.WriteProperty("MinPercentage", m_MinPercentage, int32_t(0));
  PropBag.WriteProperty("FillColor", m_Surface.ForeColor(), kDefFill);
  PropBag.WriteProperty("BackColor", m_Surface.BackColor(), kDefBack);
  PropBag.WriteProperty("InvertedTextColor", m_InvertedTextColor, kDefInverted);
  PropBag.WriteProperty("TextAlignment", m_TextAlignment, int32_t(0));
  PropBag.WriteProperty("FloodStyle", m_FloodStyle, int32_t(2));
  PropBag.WriteProperty("ProgressUnits", m_ProgressUnits, int32_t(0));
}

void UCustomButton::ReadProperties(CPropertyBag& PropBag) {
  m_Enabled = PropBag.ReadProperty("Enabled", true).ToBool();
  m_Caption = PropBag.ReadProperty("Caption", "").ToText();
  StdFont ambient = m_pHost ? m_pHost->AmbientFont() : StdFont();
  m_Surface.Font(PropBag.ReadProperty("Font", ambient).ToFont());
  IPicture* p = PropBag.ReadProperty("Picture", static_cast<IPicture*>(nullptr)).ToPicture();
  if (p) {
    p->AddRef();
    p->AddRef();
  }
  if (m_Picture) m_Picture->Release();
  if (m_DrawnPicture) m_DrawnPicture->Release();
  m_Picture = m_DrawnPicture = p;
  m_CaptionAlignment = PropBag.ReadProperty("CaptionAlignment", int32_t(0)).ToLong();
  if (m_hWnd && (api::IsWindowEnabled(m_hWnd) != 0) != m_Enabled) api::EnableWindow(m_hWnd, m_Enabled);
  DrawButton(EdgeRaised);
}

void UCustomButton::WriteProperties(CPropertyBag& PropBag) const {
  PropBag.WriteProperty("Enabled", m_Enabled, true);
  PropBag.WriteProperty("Caption", m_Caption, "");
  StdFont ambient = m_pHost ? m_pHost->AmbientFont() : StdFont();
  PropBag.WriteProperty("Font", m_Surface.Font(), ambient);
  PropBag.WriteProperty("Picture", m_Picture, static_cast<IPicture*>(nullptr));
  PropBag.WriteProperty("CaptionAlignment", m_CaptionAlignment, int32_t(0));
}
