// The persisted form of the progress bar and the custom button: names,
// defaults and order in the property bag, conversions of stored values, the
// change notices to the host, and the picture references the bag holds.
#include <string>
#include <vector>
#include "controls/UCustomButton.h"
#include "controls/UProgressBar.h"
#include "platform/Forms.h"
#include "tests/check.h"
#include "tests/sim/Sim.h"

namespace {
const IID kIID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
using Names = std::vector<std::string>;

struct RecordingHost : IControlHost {
  Names changed;
  StdFont ambient;
  void PropertyChanged(const char* sName) override { changed.push_back(sName); }
  StdFont AmbientFont() override { return ambient; }
};

const Names kBarOrder = {"Font", "MaxPercentage", "MinPercentage", "FillColor", "BackColor",
                         "InvertedTextColor", "TextAlignment", "FloodStyle", "ProgressUnits"};
const Names kButtonOrder = {"Enabled", "Caption", "Font", "Picture", "CaptionAlignment"};

IPicture* NewBitmapPicture(int cx, int cy) {
  PICTDESC pd = {};
  pd.cbSizeofstruct = sizeof pd;
  pd.picType = PICTYPE_BITMAP;
  pd.bmp.hbitmap = api::CreateBitmap(cx, cy, 1, 32, nullptr);
  IPicture* p = nullptr;
  api::OleCreatePictureIndirect(&pd, kIID_IPicture, TRUE, reinterpret_cast<void**>(&p));
  return p;
}
}  // namespace

TEST(progress_bar_defaults_store_nothing_in_order) {
  sim::Reset();
  UProgressBar pb;
  pb.InitProperties();
  CHECK_EQ(pb.MaxPercentage(), 100);
  CHECK_EQ(pb.MinPercentage(), 0);
  CHECK_EQ(pb.FloodStyle(), 2);
  CHECK_EQ(pb.TextAlignment(), 0);
  CHECK_EQ(pb.FillColor(), 0x8000000Du);
  CHECK_EQ(pb.BackColor(), 0x8000000Fu);
  CHECK_EQ(pb.InvertedTextColor(), 0x8000000Eu);
  CHECK_EQ(pb.Font().Name, std::string("MS Sans Serif"));
  CHECK_EQ(pb.Font().Size, 8.25);
  CPropertyBag bag;
  pb.WriteProperties(bag);
  CHECK_EQ(bag.Writes(), kBarOrder);
  CHECK_EQ(bag.StoredNames(), Names{});
}

TEST(progress_bar_round_trip) {
  sim::Reset();
  UProgressBar a;
  StdFont f;
  f.Name = "Arial";
  f.Size = 10;
  f.Bold = true;
  a.Font(f);
  a.MaxPercentage(250);
  a.MinPercentage(-3);
  a.FillColor(0x00FF0000u);
  a.BackColor(0x80000005u);
  a.InvertedTextColor(0x0000FF00u);
  a.TextAlignment(2);
  a.FloodStyle(0);
  a.ProgressUnits(17);
  CPropertyBag bag;
  a.WriteProperties(bag);
  CHECK_EQ(bag.StoredNames(), kBarOrder);

  UProgressBar b;
  b.ReadProperties(bag);
  CHECK_EQ(bag.Reads(), kBarOrder);
  CHECK(b.Font() == f);
  CHECK_EQ(b.MaxPercentage(), 250);
  CHECK_EQ(b.MinPercentage(), -3);
  CHECK_EQ(b.FillColor(), 0x00FF0000u);
  CHECK_EQ(b.BackColor(), 0x80000005u);
  CHECK_EQ(b.InvertedTextColor(), 0x0000FF00u);
  CHECK_EQ(b.TextAlignment(), 2);
  CHECK_EQ(b.FloodStyle(), 0);
  CHECK_EQ(b.ProgressUnits(), 17);
  // Never stored: the count and the percentage.
  CHECK_EQ(b.CurrentUnit(), 0);
  CHECK_EQ(b.CurrentPercentage(), 0);
}

TEST(progress_bar_reads_text_values_as_numbers) {
  sim::Reset();
  CPropertyBag bag;
  bag.WriteProperty("MaxPercentage", "250", int32_t(100));
  bag.WriteProperty("FillColor", "&H80000012", int32_t(0));
  bag.WriteProperty("TextAlignment", " 12.5 ", int32_t(0));
  bag.WriteProperty("FloodStyle", "True", int32_t(2));
  UProgressBar pb;
  pb.ReadProperties(bag);
  CHECK_EQ(pb.MaxPercentage(), 250);
  CHECK_EQ(pb.FillColor(), 0x80000012u);
  CHECK_EQ(pb.TextAlignment(), 12);
  CHECK_EQ(pb.FloodStyle(), -1);
  CHECK_EQ(pb.BackColor(), 0x8000000Fu);   // missing: default

  CPropertyBag bad;
  bad.WriteProperty("MinPercentage", "ten", int32_t(0));
  long nError = 0;
  try {
    pb.ReadProperties(bad);
  } catch (const RuntimeError& e) {
    nError = e.Number;
  }
  CHECK_EQ(nError, 13L);
  CPropertyBag big;
  big.WriteProperty("ProgressUnits", "3000000000", int32_t(0));
  nError = 0;
  try {
    pb.ReadProperties(big);
  } catch (const RuntimeError& e) {
    nError = e.Number;
  }
  CHECK_EQ(nError, 6L);
}

TEST(progress_bar_font_is_the_only_change_notice) {
  sim::Reset();
  RecordingHost host;
  host.ambient.Name = "Tahoma";
  UProgressBar pb;
  pb.SetHost(&host);
  pb.MaxPercentage(5);
  pb.FillColor(1);
  pb.BackColor(2);
  pb.InvertedTextColor(3);
  pb.ProgressUnits(4);
  CHECK_EQ(host.changed, Names{});
  StdFont f;
  f.Size = 12;
  pb.Font(f);
  CHECK_EQ(host.changed, Names{"Font"});
  // The font's default is the container's: the ambient one is not stored.
  pb.Font(host.ambient);
  CPropertyBag bag;
  pb.WriteProperties(bag);
  CHECK(!bag.Contains("Font"));
  UProgressBar fresh;
  fresh.SetHost(&host);
  fresh.ReadProperties(bag);
  CHECK_EQ(fresh.Font().Name, std::string("Tahoma"));
}

TEST(button_defaults_and_round_trip) {
  sim::Reset();
  {
    UCustomButton a;
    a.InitProperties();
    CHECK(a.Enabled());
    CHECK_EQ(a.Caption(), std::string());
    CHECK_EQ(a.CaptionAlignment(), 0);
    CHECK(a.Picture() == nullptr);
    CPropertyBag bag;
    a.WriteProperties(bag);
    CHECK_EQ(bag.Writes(), kButtonOrder);
    CHECK_EQ(bag.StoredNames(), Names{});

    IPicture* pic = NewBitmapPicture(16, 16);
    a.Caption("&Install MSI");
    a.Enabled(false);
    a.CaptionAlignment(3);
    a.Picture(pic);
    StdFont f;
    f.Italic = true;
    a.Font(f);
    CPropertyBag bag2;
    a.WriteProperties(bag2);
    CHECK_EQ(bag2.StoredNames(), kButtonOrder);

    UCustomButton b;
    b.ReadProperties(bag2);
    CHECK_EQ(bag2.Reads(), kButtonOrder);
    CHECK(!b.Enabled());
    CHECK_EQ(b.Caption(), std::string("&Install MSI"));
    CHECK_EQ(b.CaptionAlignment(), 3);
    CHECK(b.Font() == f);
    CHECK(b.Picture() == pic);
    CHECK(b.DrawnPicture() == pic);   // drawn picture set to the same object
    pic->Release();
    CHECK_EQ(sim::LivePictures(), 1);   // still held by a, b and the bag
  }
  // Buttons and bags gone: every reference was given back.
  CHECK_EQ(sim::LivePictures(), 0);
}

TEST(button_writes_tell_the_host) {
  sim::Reset();
  RecordingHost host;
  UCustomButton b;
  b.SetHost(&host);
  b.Caption("Go");
  b.CaptionAlignment(9);
  b.Enabled(false);
  b.Font(StdFont());
  b.Picture(nullptr);
  CHECK_EQ(host.changed, (Names{"Caption", "CaptionAlignment", "Enabled", "Font", "Picture"}));
  CHECK_EQ(b.CaptionAlignment(), 9);   // stored unchanged
  // Enabled stored as text reads back as a truth value.
  CPropertyBag bag;
  bag.WriteProperty("Enabled", "False", true);
  bag.WriteProperty("CaptionAlignment", "2", int32_t(0));
  UCustomButton c;
  c.ReadProperties(bag);
  CHECK(!c.Enabled());
  CHECK_EQ(c.CaptionAlignment(), 2);
}

TEST(bag_drops_values_back_at_their_default) {
  sim::Reset();
  CPropertyBag bag;
  bag.WriteProperty("Caption", "x", "");
  CHECK(bag.Contains("Caption"));
  bag.WriteProperty("Caption", "", "");
  CHECK(!bag.Contains("Caption"));
  CHECK_EQ(bag.ReadProperty("Caption", "dflt").ToText(), std::string("dflt"));
  // A number and its truth value compare as the same stored value.
  bag.WriteProperty("Enabled", int32_t(-1), true);
  CHECK(!bag.Contains("Enabled"));
  // Face names compare without case.
  StdFont a, b;
  b.Name = "ms sans serif";
  CHECK(a == b);
  b.Size = 8;
  CHECK(a != b);
}
