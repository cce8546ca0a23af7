// The four property dialogs in real GTK windows on an X display (run under
// xvfb-run): opened by a host through callDialog(nullptr), driven with real
// key and pointer events, laid out as their templates say with no text
// clipped, and photographed into build/screenshots.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <functional>
#include <string>
#include <thread>

#include "dialogs/dialogtemplates.h"
#include "gui_driver.h"
#include "loaded_module.h"
#include "param_access.h"
#include "platform/display.h"
#include "platform/textconv.h"

using namespace orv_filter;
using namespace orv_test;

namespace {

const DialogTemplate* templateOf(WORD id) {
  for (const DialogTemplate& t : propertyDialogTemplates())
    if (t.id == id) return &t;
  return nullptr;
}

struct GuiDialogs : ::testing::Test {
  GuiDriver driver;

  void SetUp() override {
    for (const char* tool : {"xdotool", "import"})
      if (!programAvailable(tool)) GTEST_SKIP() << tool << " is not installed";
  }

  // Runs the dialog on this thread, as a host does, while `user` works it
  // from another. A dialog the user leaves open is closed and reported.
  bool runDialog(IParameterCtrl* ctrl, const std::function<void(const ShownDialog&)>& user) {
    std::atomic<bool> returned{false};
    std::thread person([&] {
      const ShownDialog shown = driver.waitForDialog();
      if (!shown.handle) {
        ADD_FAILURE() << "no dialog came on the screen";
        return;
      }
      user(shown);
      for (int i = 0; i < 50 && !returned; ++i) GuiDriver::settle(100);
      if (!returned) {
        ADD_FAILURE() << "the dialog is still open";
        driver.requestClose(shown.placement.nativeWindow);
      }
    });
    const bool result = ctrl->callDialog(nullptr);
    returned = true;
    person.join();
    return result;
  }
};

// Every dialog shown: the window's title is the caption, the client area and
// every control sit exactly where the template's dialog units put them (a
// drop-down list is one row high), and every text fits its control.
void checkLayout(const ShownDialog& d) {
  const DialogTemplate* t = templateOf(d.state.templateId);
  ASSERT_NE(t, nullptr);
  SCOPED_TRACE(orv::utf16ToUtf8(t->caption));
  const orv::DialogPlacement& p = d.placement;
  ASSERT_GT(p.baseUnitX, 0);
  ASSERT_GT(p.baseUnitY, 0);
  auto px = [&](int units) { return (units * p.baseUnitX + 2) / 4; };
  auto py = [&](int units) { return (units * p.baseUnitY + 4) / 8; };
  EXPECT_EQ(p.client.right - p.client.left, px(t->cx));
  EXPECT_EQ(p.client.bottom - p.client.top, py(t->cy));
  ASSERT_EQ(p.controls.size(), t->items.size());
  for (std::size_t i = 0; i < t->items.size(); ++i) {
    const DialogItemTemplate& item = t->items[i];
    const RECT& r = p.controls[i].screen;
    SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(item.id));
    EXPECT_EQ(r.left - p.client.left, px(item.x));
    EXPECT_EQ(r.top - p.client.top, py(item.y));
    EXPECT_EQ(r.right - p.client.left, px(item.x + item.cx));
    const bool list = std::u16string_view(item.className) == u"ComboBox";
    EXPECT_EQ(r.bottom - p.client.top, list ? py(item.y) + p.baseUnitY + 8 : py(item.y + item.cy));
  }
  EXPECT_FALSE(d.texts.empty());
  for (const orv::TextFit& fit : d.texts)
    EXPECT_TRUE(fit.fits()) << "\"" << orv::utf16ToUtf8(fit.text) << "\" of control " << fit.id << " needs "
                            << fit.neededWidth << "x" << fit.neededHeight << " but has " << fit.roomWidth << "x"
                            << fit.roomHeight;
}

TEST_F(GuiDialogs, DeBayerKeyboardAndPointerChangesKeptByEnterAndDroppedByEscape) {
  FilterRef f(u"DeBayer");
  std::string caption;
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    caption = driver.windowTitle(d.placement.nativeWindow);
    driver.focus(d.placement.nativeWindow);
    driver.keys({"Tab", "Down"});             // OK -> start pattern list; GR -> BG
    driver.click(d, kAlgorithmList);          // opens the list over the control
    driver.keys({"Down", "Return"});          // Bilinear -> Edge Sensing
    driver.screenshot(d.placement.nativeWindow, "debayer");
    driver.keys({"Return"});                  // Enter in a list presses OK
  }));
  EXPECT_EQ(caption, "DeBayer Filter Properties");
  EXPECT_EQ(getLong(f.params(), u"Start Pattern"), 3);
  EXPECT_EQ(getLong(f.params(), u"Mode"), 2);

  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.focus(d.placement.nativeWindow);
    driver.keys({"Tab", "Tab", "Up"});  // method: Edge Sensing -> Bilinear
    driver.keys({"Escape"});
  }));
  EXPECT_EQ(getLong(f.params(), u"Mode"), 2) << "Escape puts the mode back";
  for (const ShownDialog& d : driver.shownDialogs()) checkLayout(d);
}

TEST_F(GuiDialogs, RotateFlipPointerClicksAndTheLiveRefusalMessage) {
  FilterRef f(u"Rotate Flip");
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.click(d, kFlipHorizontalCheck, 0.1);
    driver.click(d, kRotationList);
    driver.keys({"Down", "Down", "Down", "Return"});  // 0° -> -90°
    driver.screenshot(d.placement.nativeWindow, "rotflip");
    driver.click(d, IDOK);
  }));
  EXPECT_EQ(getLong(f.params(), u"Rotation Angle"), 270);
  EXPECT_TRUE(getBool(f.params(), u"Flip H"));
  EXPECT_FALSE(getBool(f.params(), u"Flip V"));

  const FrameTypeInfo frame(Pixlib::eRGB24, 64, 48, 0);
  f->notifyStart_(frame, FrameTypeInfo(Pixlib::eRGB24, 48, 64, 0));
  std::string messageTitle;
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.click(d, kFlipVerticalCheck, 0.1);
    driver.click(d, kRotationList);
    driver.keys({"Up", "Up", "Up", "Return"});  // -90° -> 0°: refused while live
    const std::uintptr_t box = driver.findWindow("Rotate-Flip Filter");
    ASSERT_NE(box, 0u) << "no message box";
    messageTitle = driver.windowTitle(box);
    driver.screenshot(box, "rotflip_live_message");
    driver.focus(box);
    driver.keys({"Return"});
    driver.screenshot(d.placement.nativeWindow, "rotflip_live_after_refusal");
    driver.requestClose(d.placement.nativeWindow);  // the close box: Cancel
  }));
  EXPECT_EQ(messageTitle, "Rotate-Flip Filter");
  EXPECT_EQ(getLong(f.params(), u"Rotation Angle"), 270) << "refused, and Cancel changes nothing more";
  EXPECT_FALSE(getBool(f.params(), u"Flip V")) << "the close box cancels";
  f->notifyStop_();
  for (const ShownDialog& d : driver.shownDialogs()) checkLayout(d);
}

TEST_F(GuiDialogs, DeNoiseSliderDraggedAndSteppedThenCancelledAndConfirmed) {
  FilterRef f(u"DeNoise");
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.drag(d, kDeNoiseLevelSlider, 0.4, 0.0);  // level 0
    driver.click(d, IDCANCEL);
  }));
  EXPECT_EQ(getLong(f.params(), u"DeNoise Level"), 2);

  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.drag(d, kDeNoiseLevelSlider, 0.4, 1.0);  // level 5
    driver.keys({"Left"});                          // the slider keeps the focus: 4
    driver.screenshot(d.placement.nativeWindow, "denoise");
    driver.click(d, IDOK);
  }));
  EXPECT_EQ(getLong(f.params(), u"DeNoise Level"), 4);
  for (const ShownDialog& d : driver.shownDialogs()) checkLayout(d);
}

TEST_F(GuiDialogs, RoiKeyboardStepsRefusalsAndLiveLimits) {
  FilterRef f(u"ROI");
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.focus(d.placement.nativeWindow);
    driver.keys({"Tab", "Tab", "Right", "Right", "Right"});  // OK -> Cancel -> left slider: 3 steps of 8
    driver.keys({"Tab", "Tab", "Tab", "Home"});              // height 0, an empty region: refused
    driver.screenshot(d.placement.nativeWindow, "roi");
    driver.click(d, IDOK);
  }));
  EXPECT_EQ(getLong(f.params(), u"Left"), 24);
  EXPECT_EQ(getLong(f.params(), u"Width"), 2000);
  EXPECT_EQ(getLong(f.params(), u"Height"), 2000);

  ASSERT_EQ(setLong(f.params(), u"Left", 0), eParamOk);
  ASSERT_EQ(setLong(f.params(), u"Width", 640), eParamOk);
  ASSERT_EQ(setLong(f.params(), u"Height", 480), eParamOk);
  f->notifyStart_(FrameTypeInfo(Pixlib::eRGB24, 1000, 480, 0), FrameTypeInfo(Pixlib::eRGB24, 640, 480, 0));
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) {
    driver.focus(d.placement.nativeWindow);
    driver.keys({"Tab", "Tab", "End"});  // the left slider's end: 45 steps, 360 pixels
    driver.screenshot(d.placement.nativeWindow, "roi_live");
    driver.keys({"Escape"});
  }));
  EXPECT_EQ(getLong(f.params(), u"Left"), 0);
  f->notifyStop_();
  for (const ShownDialog& d : driver.shownDialogs()) checkLayout(d);
}

// Starting the toolkit learned the display's depth and left the host's
// locale alone (the test runs with LC_ALL set, which GTK would apply).
TEST_F(GuiDialogs, ToolkitTakesTheScreenDepthAndLeavesTheLocale) {
  FilterRef f(u"DeNoise");
  EXPECT_TRUE(runDialog(f.params(), [&](const ShownDialog& d) { driver.click(d, IDOK); }));
  EXPECT_EQ(orv::screenBitsPerPixel(), 32) << "a 24-bit X display keeps its pixels in 32 bits";
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

}  // namespace
