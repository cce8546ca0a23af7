// The four property dialogs on scripted dialogs: what each shows when it
// opens, how each control change reaches the filter at once, live-mode
// rules, and the launcher's snapshot, restore on Cancel and failures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "debayer.h"
#include "denoisetransform.h"
#include "dialog_control.h"
#include "dialogs/dialogtemplates.h"
#include "dialogs/propertydialog.h"
#include "loaded_module.h"
#include "param_access.h"
#include "pixrt/framebuffer.h"
#include "platform/dialogscript.h"
#include "platform/textconv.h"
#include "roi.h"
#include "rotflip.h"

using namespace orv_filter;
using namespace orv_test;
using Params = std::map<std::u16string, LONG>;

namespace {

// Long parameters as they are, bool ones as 1 or 0.
Params readParams(IParameterCtrl* ctrl, std::initializer_list<const char16_t*> names) {
  Params values;
  for (const char16_t* name : names) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(ctrl->getParameter(name, &v), eParamOk);
    values[name] = v.vt == VT_BOOL ? (v.boolVal != VARIANT_FALSE ? 1 : 0) : v.lVal;
  }
  return values;
}

struct DialogTest : ::testing::Test {
  orv::ScriptedDialogs scripts;
  ~DialogTest() override { EXPECT_EQ(scripts.problems(), std::vector<std::string>{}); }
};

// ---- common to the four dialogs ----

struct Edit {
  const char16_t* filter;
  std::initializer_list<const char16_t*> params;
  std::function<void(HWND)> changes;  // several changes, the same control more than once
  Params afterOk;
};

const Edit kEdits[] = {
    {u"DeBayer", {u"Start Pattern", u"Mode"},
     [](HWND d) {
       orv::userSelectItem(d, kStartPatternList, 3);
       orv::userSelectItem(d, kAlgorithmList, 0);
       orv::userSelectItem(d, kStartPatternList, 1);
     },
     {{u"Start Pattern", 1}, {u"Mode", 0}}},
    {u"Rotate Flip", {u"Rotation Angle", u"Flip H", u"Flip V"},
     [](HWND d) {
       orv::userSelectItem(d, kRotationList, 1);
       orv::userClick(d, kFlipHorizontalCheck);
       orv::userClick(d, kFlipVerticalCheck);
       orv::userSelectItem(d, kRotationList, 3);
     },
     {{u"Rotation Angle", 270}, {u"Flip H", 1}, {u"Flip V", 1}}},
    {u"ROI", {u"Left", u"Top", u"Width", u"Height"},
     [](HWND d) {
       orv::userMoveSlider(d, kRoiLeftSlider, 4);
       orv::userMoveSlider(d, kRoiTopSlider, 30);
       orv::userMoveSlider(d, kRoiWidthSlider, 40);
       orv::userMoveSlider(d, kRoiHeightSlider, 240);
       orv::userMoveSlider(d, kRoiLeftSlider, 2);
     },
     {{u"Left", 16}, {u"Top", 30}, {u"Width", 320}, {u"Height", 240}}},
    {u"DeNoise", {u"DeNoise Level"},
     [](HWND d) {
       orv::userMoveSlider(d, kDeNoiseLevelSlider, 5);
       orv::userStepSlider(d, kDeNoiseLevelSlider, 4);
     },
     {{u"DeNoise Level", 4}}},
};

TEST_F(DialogTest, CancelRestoresEveryParameterAndOkKeepsTheChanges) {
  for (const Edit& edit : kEdits) {
    SCOPED_TRACE(orv::utf16ToUtf8(edit.filter));
    FilterRef f(edit.filter);
    IParameterCtrl* ctrl = f.params();
    const Params before = readParams(ctrl, edit.params);

    using Action = bool (*)(HWND);
    const Action cancels[] = {[](HWND d) { return orv::userClick(d, IDCANCEL); }, &orv::userPressEscape,
                              &orv::userCloseDialog};
    for (Action cancel : cancels) {
      scripts.expectDialog([&](HWND d) {
        edit.changes(d);
        EXPECT_EQ(readParams(ctrl, edit.params), edit.afterOk) << "every change reaches the filter at once";
        cancel(d);
      });
      EXPECT_TRUE(ctrl->callDialog(nullptr)) << "Cancel counts as success";
      EXPECT_EQ(readParams(ctrl, edit.params), before);
    }

    scripts.expectDialog([&](HWND d) {
      edit.changes(d);
      orv::userPressEnter(d);
    });
    EXPECT_TRUE(ctrl->callDialog(nullptr));
    EXPECT_EQ(readParams(ctrl, edit.params), edit.afterOk);
  }
}

TEST_F(DialogTest, EachFilterOpensItsOwnTemplateOwnedByTheActiveWindowWhenNoneIsGiven) {
  FilterRef debayer(u"DeBayer"), rotflip(u"Rotate Flip"), roi(u"ROI"), denoise(u"DeNoise");
  HWND outer = nullptr;
  scripts.expectDialog([&](HWND d) {
    outer = d;
    for (const FilterRef* inner : {&rotflip, &roi, &denoise}) {
      scripts.expectDialog([](HWND nested) { orv::userClick(nested, IDOK); });
      EXPECT_TRUE(inner->params()->callDialog(nullptr));
    }
    scripts.expectDialog([](HWND nested) { orv::userClick(nested, IDCANCEL); });
    EXPECT_TRUE(rotflip.params()->callDialog(d)) << "an explicit owner";
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(debayer.params()->callDialog(nullptr));

  const auto& shown = scripts.dialogs();
  ASSERT_EQ(shown.size(), 5u);
  const std::pair<WORD, const char16_t*> expected[] = {{kRotateFlipDialog, u"Rotate and Flip Properties"},
                                                       {kRoiDialog, u"ROI Filter Properties"},
                                                       {kDeNoiseDialog, u"DeNoise Properties"},
                                                       {kRotateFlipDialog, u"Rotate and Flip Properties"},
                                                       {kDeBayerDialog, u"DeBayer Filter Properties"}};
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].templateId, expected[i].first);
    EXPECT_EQ(shown[i].caption, expected[i].second);
    EXPECT_EQ(shown[i].owner, i < 4 ? outer : nullptr);
  }
}

TEST_F(DialogTest, BayerToY800HasNoDialog) {
  FilterRef f(u"Bayer to Y800");
  EXPECT_FALSE(f.params()->hasDialog());
  EXPECT_FALSE(f.params()->callDialog(nullptr));
  EXPECT_TRUE(scripts.dialogs().empty());
}

// No scripts, no display: the toolkit is not even started.
TEST(DialogWithoutDisplay, CallDialogFailsSilentlyAndLeavesTheParameters) {
  const NoDisplay noDisplay;
  for (const char16_t* name : {u"DeBayer", u"Rotate Flip", u"ROI", u"DeNoise"}) {
    FilterRef f(name);
    IParameterCtrl* ctrl = f.params();
    WCHAR* before = nullptr;
    ASSERT_EQ(ctrl->saveParameters(&before), eParamOk);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ctrl->callDialog(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    WCHAR* after = nullptr;
    ASSERT_EQ(ctrl->saveParameters(&after), eParamOk);
    EXPECT_EQ(std::u16string(before), std::u16string(after));
    CoTaskMemFree(before);
    CoTaskMemFree(after);
  }
}

// Neither the scripts nor a missing display start the toolkit: its library
// is loaded only when a dialog could be shown on a screen.
TEST(DialogToolkit, IsNotLoadedByThisProcess) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    EXPECT_EQ(line.find("libgtk-3"), std::string::npos) << line;
    EXPECT_EQ(line.find("liborvdialogs_gtk"), std::string::npos) << line;
  }
}

// ---- DeBayer ----

TEST_F(DialogTest, DeBayerListsShowTheParametersAndApplySelectionsAtOnce) {
  Owned<CDeBayerFilter> f;
  ASSERT_EQ(setLong(f.p, u"Start Pattern", 0), eParamOk);
  scripts.expectDialog([&](HWND d) {
    EXPECT_EQ(control(d, kStartPatternList).items, (std::vector<std::u16string>{u"RG", u"GB", u"GR", u"BG"}));
    EXPECT_EQ(control(d, kAlgorithmList).items,
              (std::vector<std::u16string>{u"Nearest Color", u"Bilinear", u"Edge Sensing"}));
    EXPECT_EQ(control(d, kStartPatternList).selection, 0);
    EXPECT_EQ(control(d, kAlgorithmList).selection, 1);
    orv::userSelectItem(d, kAlgorithmList, 2);
    EXPECT_EQ(f->m_Mode, 2) << "Edge Sensing at once";
    orv::userSelectItem(d, kStartPatternList, 3);
    EXPECT_EQ(f->m_StartPattern, 3);
    orv::userClick(d, IDCANCEL);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_EQ(f->m_Mode, 1);
  EXPECT_EQ(f->m_StartPattern, 0);
}

// ---- DeNoise ----

const FrameTypeInfo kFrame(Pixlib::eRGB24, 4, 2, 24);

struct DeNoiseDialog : DialogTest {
  Owned<CDeNoiseTransform> f;
  Pixlib::FrameBuffer src{kFrame}, dest{kFrame};
  bool push() { return f->transform(src, dest); }
  // How many frames until the next output, counting the one that brings it.
  int framesToNextOutput() {
    for (int n = 1; n <= 256; ++n)
      if (push()) return n;
    return -1;
  }
};

TEST_F(DeNoiseDialog, ShowsTwoToTheLevelForEveryLevelOfTheSlider) {
  const std::u16string frames[] = {u"1", u"2", u"4", u"8", u"16", u"32"};
  scripts.expectDialog([&](HWND d) {
    EXPECT_EQ(control(d, kDeNoiseFramesText).text, u"4") << "the default level 2";
    EXPECT_EQ(control(d, kDeNoiseLevelSlider).rangeMin, 0);
    EXPECT_EQ(control(d, kDeNoiseLevelSlider).rangeMax, 5);
    for (int level = 0; level <= 5; ++level) {
      orv::userMoveSlider(d, kDeNoiseLevelSlider, level);
      EXPECT_EQ(control(d, kDeNoiseFramesText).text, frames[level]);
      EXPECT_EQ(f->m_DeNoiseLevel, level);
    }
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
}

TEST_F(DeNoiseDialog, LevelSevenOpensWithTheSliderAtItsEndShowing128) {
  ASSERT_EQ(setLong(f.p, u"DeNoise Level", 7), eParamOk);
  scripts.expectDialog([&](HWND d) {
    EXPECT_EQ(control(d, kDeNoiseLevelSlider).position, 5);
    EXPECT_EQ(control(d, kDeNoiseFramesText).text, u"128");
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_EQ(getLong(f.p, u"DeNoise Level"), 7) << "opening alone changes nothing";
}

TEST_F(DeNoiseDialog, LiveSliderChangesRestartTheRunEvenWithoutAMove) {
  f->notifyStart(kFrame, kFrame);
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(push());  // three frames into a run of four
  scripts.expectDialog([&](HWND d) {
    orv::userReleaseSlider(d, kDeNoiseLevelSlider);
    EXPECT_EQ(f->m_FrameCount, 0) << "released without a move";
    EXPECT_EQ(f->m_DeNoiseLevel, 2);
    EXPECT_EQ(framesToNextOutput(), 4);
    for (int i = 0; i < 3; ++i) ASSERT_FALSE(push());
    orv::userMoveSlider(d, kDeNoiseLevelSlider, 3);
    EXPECT_EQ(control(d, kDeNoiseFramesText).text, u"8");
    EXPECT_EQ(getLong(f.p, u"DeNoise Level"), 3);
    EXPECT_EQ(framesToNextOutput(), 8) << "the frames of the dropped run do not count";
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_EQ(f->m_DeNoiseLevel, 3);
  f->notifyStop();
}

// The level's setter refuses while live, so Cancel puts the opening level
// back the way the dialog changes it: level and run together.
TEST_F(DeNoiseDialog, LiveCancelPutsBackTheLevelSeenWhenTheDialogOpened) {
  f->notifyStart(kFrame, kFrame);
  scripts.expectDialog([&](HWND d) {
    orv::userMoveSlider(d, kDeNoiseLevelSlider, 4);
    ASSERT_FALSE(push());
    orv::userPressEscape(d);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_EQ(f->m_DeNoiseLevel, 2);
  EXPECT_EQ(f->m_FrameCount, 0);
  EXPECT_EQ(framesToNextOutput(), 4);
  f->notifyStop();
}

// ---- ROI ----

struct RoiDialog : DialogTest {
  Owned<CROITransform> f;
  void startLive(LONG inWidth, LONG inHeight, LONG outWidth, LONG outHeight) {
    ASSERT_EQ(setLong(f.p, u"Width", outWidth), eParamOk);
    ASSERT_EQ(setLong(f.p, u"Height", outHeight), eParamOk);
    f->notifyStart(FrameTypeInfo(Pixlib::eRGB24, inWidth, inHeight, 0),
                   FrameTypeInfo(Pixlib::eRGB24, outWidth, outHeight, 0));
  }
};

TEST_F(RoiDialog, OpensWithSlidersInStepsOfEightAndTheValuesInPixels) {
  ASSERT_EQ(setLong(f.p, u"Left", 100), eParamOk);  // stored as 104
  ASSERT_EQ(setLong(f.p, u"Top", 7), eParamOk);
  scripts.expectDialog([&](HWND d) {
    struct Expect {
      int slider, display, max, position;
      const char16_t* text;
    };
    for (const Expect& e : {Expect{kRoiLeftSlider, kRoiLeftText, 250, 13, u"104"},
                            Expect{kRoiTopSlider, kRoiTopText, 2000, 7, u"7"},
                            Expect{kRoiWidthSlider, kRoiWidthText, 250, 250, u"2000"},
                            Expect{kRoiHeightSlider, kRoiHeightText, 2000, 2000, u"2000"}}) {
      EXPECT_EQ(control(d, e.slider).rangeMin, 0);
      EXPECT_EQ(control(d, e.slider).rangeMax, e.max);
      EXPECT_EQ(control(d, e.slider).position, e.position);
      EXPECT_EQ(control(d, e.display).text, e.text);
      EXPECT_TRUE(control(d, e.slider).enabled);
      EXPECT_TRUE(control(d, e.display).enabled);
    }
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
}

TEST_F(RoiDialog, IdleChangesMoveOrResizeTheRegionAndRefusalsShowTheValueReadBack) {
  scripts.expectDialog([&](HWND d) {
    orv::userMoveSlider(d, kRoiLeftSlider, 10);
    EXPECT_EQ(getLong(f.p, u"Left"), 80);
    EXPECT_EQ(getLong(f.p, u"Width"), 2000) << "a move keeps the width";
    EXPECT_EQ(control(d, kRoiLeftText).text, u"80");

    orv::userMoveSlider(d, kRoiWidthSlider, 0);
    EXPECT_EQ(getLong(f.p, u"Width"), 2000) << "an empty region is refused";
    EXPECT_EQ(control(d, kRoiWidthText).text, u"2000");
    EXPECT_EQ(control(d, kRoiWidthSlider).position, 0) << "the slider stays where the user left it";

    orv::userMoveSlider(d, kRoiWidthSlider, 40);
    EXPECT_EQ(getLong(f.p, u"Left"), 80) << "a resize keeps the left edge";
    EXPECT_EQ(control(d, kRoiWidthText).text, u"320");
    orv::userStepSlider(d, kRoiHeightSlider, 1999);
    orv::userStepSlider(d, kRoiTopSlider, 1);
    EXPECT_EQ(getLong(f.p, u"Top"), 1);
    EXPECT_EQ(getLong(f.p, u"Height"), 1999);
    EXPECT_EQ(control(d, kRoiTopText).text, u"1");
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_EQ(f->m_Roi.left, 80);
  EXPECT_EQ(f->m_Roi.top, 1);
  EXPECT_EQ(f->m_Roi.right, 400);
  EXPECT_EQ(f->m_Roi.bottom, 2000);
}

TEST_F(RoiDialog, LiveFixesTheSizeAndLimitsThePositionToTheRoomLeft) {
  struct Case {
    LONG inWidth, inHeight, outWidth, outHeight;
    int leftMax, topMax;
    bool leftShown, topShown;
  };
  for (const Case& c : {Case{640, 480, 640, 480, 0, 0, false, false}, Case{1000, 480, 640, 480, 45, 0, true, false},
                        Case{640, 480, 320, 240, 40, 240, true, true}}) {
    SCOPED_TRACE(std::to_string(c.inWidth) + " -> " + std::to_string(c.outWidth));
    startLive(c.inWidth, c.inHeight, c.outWidth, c.outHeight);
    scripts.expectDialog([&](HWND d) {
      EXPECT_EQ(control(d, kRoiLeftSlider).rangeMax, c.leftMax);
      EXPECT_EQ(control(d, kRoiTopSlider).rangeMax, c.topMax);
      EXPECT_EQ(control(d, kRoiLeftText).enabled, c.leftShown);
      EXPECT_EQ(control(d, kRoiTopText).enabled, c.topShown);
      EXPECT_TRUE(control(d, kRoiLeftSlider).enabled) << "only its display is disabled";
      for (int id : {kRoiWidthSlider, kRoiWidthText, kRoiHeightSlider, kRoiHeightText})
        EXPECT_FALSE(control(d, id).enabled) << id;
      EXPECT_FALSE(orv::userMoveSlider(d, kRoiWidthSlider, 10)) << "a disabled slider takes no input";

      orv::userMoveSlider(d, kRoiLeftSlider, 250);  // clamped to the room left
      EXPECT_EQ(getLong(f.p, u"Left"), 8 * c.leftMax);
      EXPECT_EQ(getLong(f.p, u"Width"), c.outWidth);
      EXPECT_EQ(control(d, kRoiLeftText).text, decimalText(8 * c.leftMax));
      orv::userClick(d, IDCANCEL);
    });
    EXPECT_TRUE(f->callDialog(nullptr));
    EXPECT_EQ(getLong(f.p, u"Left"), 0) << "Cancel moves the region back";
    f->notifyStop();
    ASSERT_EQ(setLong(f.p, u"Width", 2000), eParamOk);
    ASSERT_EQ(setLong(f.p, u"Height", 2000), eParamOk);
  }
}

// ---- Rotate Flip ----

struct RotFlipDialog : DialogTest {
  Owned<RotFlipTransform> f;
};

TEST_F(RotFlipDialog, OpensWithTheAngleAndMirrorsAndWritesTheMirrorsAtOnce) {
  ASSERT_EQ(setLong(f.p, u"Rotation Angle", 180), eParamOk);
  ASSERT_EQ(setBool(f.p, u"Flip V", true), eParamOk);
  scripts.expectDialog([&](HWND d) {
    EXPECT_EQ(control(d, kRotationList).items,
              (std::vector<std::u16string>{u"0\u00B0", u"90\u00B0", u"180\u00B0", u"-90\u00B0"}));
    EXPECT_EQ(control(d, kRotationList).selection, 2);
    EXPECT_TRUE(control(d, kFlipVerticalCheck).checked);
    EXPECT_FALSE(control(d, kFlipHorizontalCheck).checked);
    orv::userSelectItem(d, kRotationList, 3);
    EXPECT_EQ(getLong(f.p, u"Rotation Angle"), 270);
    orv::userClick(d, kFlipHorizontalCheck);
    EXPECT_TRUE(getBool(f.p, u"Flip H"));
    EXPECT_TRUE(getBool(f.p, u"Flip V")) << "each box has its own flag";
    orv::userClick(d, kFlipVerticalCheck);
    EXPECT_FALSE(getBool(f.p, u"Flip V"));
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  EXPECT_TRUE(scripts.messageBoxes().empty());
}

TEST_F(RotFlipDialog, LiveRefusesTurnsThatSwapTheOutputShapeWithAMessageAfterUnlocking) {
  f->notifyStart(FrameTypeInfo(Pixlib::eRGB24, 64, 48, 0), FrameTypeInfo(Pixlib::eRGB24, 64, 48, 0));
  // The message box must not hold up frames: another thread takes the
  // filter's lock while it is shown.
  std::vector<bool> lockFree;
  std::vector<std::thread> others;  // joined once the dialog has let go of the lock
  scripts.answerMessageBoxes([&](const orv::ScriptedDialogs::MessageBoxRecord&) {
    auto taken = std::make_shared<std::atomic<bool>>(false);
    others.emplace_back([this, taken] {
      f->lock();
      *taken = true;
      f->unlock();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!*taken && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    lockFree.push_back(*taken);
    return IDOK;
  });
  HWND dialog = nullptr;
  scripts.expectDialog([&](HWND d) {
    dialog = d;
    for (int refused : {1, 3}) {
      orv::userSelectItem(d, kRotationList, refused);
      EXPECT_EQ(control(d, kRotationList).selection, 0) << "the list returns to 0 degrees";
      EXPECT_EQ(getLong(f.p, u"Rotation Angle"), 0);
    }
    orv::userSelectItem(d, kRotationList, 2);
    EXPECT_EQ(getLong(f.p, u"Rotation Angle"), 180) << "a half turn keeps the shape";
    orv::userSelectItem(d, kRotationList, 1);
    EXPECT_EQ(control(d, kRotationList).selection, 2);
    orv::userClick(d, IDOK);
  });
  EXPECT_TRUE(f->callDialog(nullptr));
  for (std::thread& t : others) t.join();
  ASSERT_EQ(scripts.messageBoxes().size(), 3u);
  for (const auto& box : scripts.messageBoxes()) {
    EXPECT_EQ(box.text, u"Error: Can't change output format in live mode");
    EXPECT_EQ(box.caption, u"Rotate-Flip Filter");
    EXPECT_EQ(box.type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(box.owner, dialog);
  }
  EXPECT_EQ(lockFree, std::vector<bool>(3, true));
  f->notifyStop();
}

}  // namespace
