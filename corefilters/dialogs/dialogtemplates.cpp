// The four property dialogs as templates: extended templates in German
// (1031), the dialog font "MS Shell Dlg" at 8 points, coordinates in dialog
// units, controls in tab order.
#include "dialogtemplates.h"

namespace orv_filter {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOk = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kCancel = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kList = kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kSlider = kChild | WS_TABSTOP | TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kCentred = kChild | WS_GROUP | SS_CENTER;

constexpr const WCHAR* kButton = u"Button";
constexpr const WCHAR* kComboBox = u"ComboBox";
constexpr const WCHAR* kStatic = u"Static";
constexpr const WCHAR* kTrackbar = u"msctls_trackbar32";

constexpr DialogItemTemplate kDeBayerItems[] = {
    {kOk, 0, 141, 7, 50, 14, IDOK, kButton, u"OK"},
    {kList, 0, 56, 8, 74, 67, kStartPatternList, kComboBox, u""},
    {kList, 0, 56, 25, 74, 54, kAlgorithmList, kComboBox, u""},
    {kLabel, 0, 7, 10, 43, 8, -1, kStatic, u"Start Pattern"},
    {kLabel, 0, 7, 27, 31, 8, -1, kStatic, u"Algorithm"},
    {kCancel, 0, 141, 24, 50, 14, IDCANCEL, kButton, u"Cancel"},
};

constexpr DialogItemTemplate kRotateFlipItems[] = {
    {kOk, 0, 131, 7, 50, 14, IDOK, kButton, u"OK"},
    {kCancel, 0, 131, 24, 50, 14, IDCANCEL, kButton, u"Cancel"},
    {kList, 0, 40, 10, 67, 54, kRotationList, kComboBox, u""},
    {kLabel, 0, 7, 12, 28, 8, -1, kStatic, u"Rotation"},
    {kCheck, 0, 40, 31, 39, 10, kFlipVerticalCheck, kButton, u"Vertical"},
    {kLabel, 0, 7, 32, 12, 8, -1, kStatic, u"Flip"},
    {kCheck, 0, 40, 51, 48, 10, kFlipHorizontalCheck, kButton, u"Horizontal"},
};

constexpr DialogItemTemplate kDeNoiseItems[] = {
    {kOk, 0, 177, 7, 50, 14, IDOK, kButton, u"OK"},
    {kCancel, 0, 177, 24, 50, 14, IDCANCEL, kButton, u"Cancel"},
    {kSlider, 0, 59, 15, 97, 15, kDeNoiseLevelSlider, kTrackbar, u""},
    {kLabel, 0, 7, 18, 46, 8, -1, kStatic, u"DeNoise Level"},
    {kLabel, 0, 158, 18, 9, 8, kDeNoiseFramesText, kStatic, u"32"},
};

constexpr DialogItemTemplate kRoiItems[] = {
    {kOk, 0, 197, 7, 50, 14, IDOK, kButton, u"OK"},
    {kCancel, 0, 197, 24, 50, 14, IDCANCEL, kButton, u"Cancel"},
    {kSlider, 0, 35, 8, 123, 15, kRoiLeftSlider, kTrackbar, u""},
    {kCentred, 0, 158, 11, 36, 8, kRoiLeftText, kStatic, u"Static"},
    {kSlider, 0, 35, 28, 123, 15, kRoiTopSlider, kTrackbar, u""},
    {kSlider, 0, 35, 48, 123, 15, kRoiWidthSlider, kTrackbar, u""},
    {kSlider, 0, 35, 68, 123, 15, kRoiHeightSlider, kTrackbar, u""},
    {kCentred, 0, 158, 31, 36, 8, kRoiTopText, kStatic, u"Static"},
    {kCentred, 0, 158, 51, 36, 8, kRoiWidthText, kStatic, u"Static"},
    {kCentred, 0, 158, 71, 36, 8, kRoiHeightText, kStatic, u"Static"},
    {kLabel, 0, 7, 11, 28, 8, -1, kStatic, u"Left"},
    {kLabel, 0, 7, 31, 28, 8, -1, kStatic, u"Top"},
    {kLabel, 0, 7, 51, 28, 8, -1, kStatic, u"Width"},
    {kLabel, 0, 7, 71, 28, 8, -1, kStatic, u"Height"},
};

constexpr WORD kGerman = 1031;
constexpr const WCHAR* kFont = u"MS Shell Dlg";

constexpr DialogTemplate kTemplates[] = {
    {kDeBayerDialog, kGerman, kDialogStyle, 0, u"DeBayer Filter Properties", 0, 0, 198, 49, kFont, 8, 400, 0, 1,
     kDeBayerItems},
    {kRotateFlipDialog, kGerman, kDialogStyle, 0, u"Rotate and Flip Properties", 0, 0, 188, 71, kFont, 8, 400, 0, 1,
     kRotateFlipItems},
    {kDeNoiseDialog, kGerman, kDialogStyle, 0, u"DeNoise Properties", 0, 0, 234, 46, kFont, 8, 400, 0, 1,
     kDeNoiseItems},
    {kRoiDialog, kGerman, kDialogStyle, 0, u"ROI Filter Properties", 0, 0, 254, 94, kFont, 8, 400, 0, 1, kRoiItems},
};

}  // namespace

std::span<const DialogTemplate> propertyDialogTemplates() { return kTemplates; }

void registerPropertyDialogs(HINSTANCE module) { orv::registerDialogTemplates(module, kTemplates); }

void unregisterPropertyDialogs(HINSTANCE module) { orv::unregisterDialogTemplates(module); }

}  // namespace orv_filter
