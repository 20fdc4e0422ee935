// The persisted form of the progress bar and the custom button: names,
// defaults and order in the property bag, conversions of stored values, the
// change notices to the host, and the picture references the bag holds.
#include <sstream>
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

long ErrorOf(UProgressBar& pb, const char* sName, const char* sValue) {
  CPropertyBag bag;
  bag.WriteProperty(sName, sValue, int32_t(0));
  try {
    pb.ReadProperties(bag);
  } catch (const RuntimeError& e) {
    return e.Number;
  }
  return 0;
}

// Every persisted value of a bar in one line, in the bag's order.
std::string Values(UProgressBar& pb) {
  std::ostringstream o;
  o << pb.Font().Name << "/" << pb.Font().Size << "/" << pb.Font().Bold << " " << pb.MaxPercentage() << " "
    << pb.MinPercentage() << " " << std::hex << pb.FillColor() << " " << pb.BackColor() << " "
    << pb.InvertedTextColor() << std::dec << " " << pb.TextAlignment() << " " << pb.FloodStyle() << " "
    << pb.ProgressUnits();
  return o.str();
}

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

TEST(progress_bar_defaults_round_trip_and_unstored_counters) {
  sim::Reset();
  UProgressBar pb;
  pb.InitProperties();
  CHECK_EQ(Values(pb), std::string("MS Sans Serif/8.25/0 100 0 8000000d 8000000f 8000000e 0 2 0"));
  CPropertyBag defaults;
  pb.WriteProperties(defaults);
  CHECK_EQ(defaults.Writes(), kBarOrder);
  CHECK_EQ(defaults.StoredNames(), Names{});

  StdFont f;
  f.Name = "Arial";
  f.Size = 10;
  f.Bold = true;
  pb.Font(f);
  pb.MaxPercentage(250);
  pb.MinPercentage(-3);
  pb.FillColor(0x00FF0000u);
  pb.BackColor(0x80000005u);
  pb.InvertedTextColor(0x0000FF00u);
  pb.TextAlignment(2);
  pb.FloodStyle(0);
  pb.ProgressUnits(17);
  CPropertyBag bag;
  pb.WriteProperties(bag);
  CHECK_EQ(bag.StoredNames(), kBarOrder);
  UProgressBar b;
  b.ReadProperties(bag);
  CHECK_EQ(bag.Reads(), kBarOrder);
  CHECK(b.Font() == f);
  CHECK_EQ(Values(b), std::string("Arial/10/1 250 -3 ff0000 80000005 ff00 2 0 17"));
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
  // Missing values keep their defaults.
  CHECK_EQ(Values(pb), std::string("MS Sans Serif/8.25/0 250 0 80000012 8000000f 8000000e 12 -1 0"));
  CHECK_EQ(ErrorOf(pb, "MinPercentage", "ten"), 13L);
  CHECK_EQ(ErrorOf(pb, "ProgressUnits", "3000000000"), 6L);
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
