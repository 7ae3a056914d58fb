// A small resource module for the framework's tests: one resizable dialog
// with a control of every class and one fixed question dialog.
#pragma once

#include "platform/dialog/dialog_template.h"

namespace qztest {

enum : int {
  kTestDialog = 500,
  kQuestionDialog = 501,
  kLineEdit = 10,
  kMultiLineEdit = 11,
  kLabel = 12,
  kCombo = 13,
  kFirstRadio = 14,
  kSecondRadio = 15,
  kReadOnlyEdit = 16,
};

inline const win::ResourceModule& TestResources() {
  static const win::ResourceModule* module = [] {
    auto* m = new win::ResourceModule;
    win::DialogTemplate d;
    d.id = kTestDialog;
    d.extended = true;
    d.style = win::DS_SETFONT | win::DS_FIXEDSYS | win::WS_POPUP | win::WS_VISIBLE | win::WS_CAPTION | win::WS_SYSMENU |
              win::WS_THICKFRAME;
    d.x = 10, d.y = 20, d.cx = 200, d.cy = 100;
    d.caption = u"Test Dialog";
    d.fontFace = u"MS Shell Dlg";
    d.pointSize = 8;
    const win::DWORD child = win::WS_CHILD | win::WS_VISIBLE;
    d.items = {
        {win::IDOK, u"Button", u"OK", child | win::WS_TABSTOP | win::BS_DEFPUSHBUTTON, 0, 140, 80, 50, 14},
        {win::IDCANCEL, u"Button", u"Cancel", child | win::WS_TABSTOP, 0, 10, 80, 50, 14},
        {kLineEdit, u"Edit", u"", child | win::WS_BORDER | win::WS_TABSTOP | win::ES_AUTOHSCROLL, 0, 10, 10, 100, 14},
        {kMultiLineEdit, u"Edit", u"", child | win::WS_BORDER | win::WS_VSCROLL | win::ES_MULTILINE, 0, 10, 30, 100,
         40},
        {kLabel, u"Static", u"Label", child | win::SS_CENTER | win::WS_GROUP, 0, 120, 10, 70, 10},
        {kCombo, u"ComboBox", u"", child | win::CBS_DROPDOWNLIST | win::WS_TABSTOP, 0, 120, 25, 70, 60},
        {kFirstRadio, u"Button", u"First", child | win::BS_AUTORADIOBUTTON | win::WS_GROUP, 0, 120, 45, 70, 10},
        {kSecondRadio, u"Button", u"Second", child | win::BS_AUTORADIOBUTTON, 0, 120, 57, 70, 10},
        {kReadOnlyEdit, u"Edit", u"fixed", child | win::ES_READONLY | win::WS_GROUP, 0, 120, 68, 70, 10},
    };
    d.init = {{kCombo, 0x403, "one"}, {kCombo, 0x403, "two"}};
    m->dialogs.push_back(d);

    win::DialogTemplate q;
    q.id = kQuestionDialog;
    q.style = win::DS_SETFONT | win::DS_MODALFRAME | win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU;
    q.cx = 120, q.cy = 50;
    q.caption = u"Question";
    q.fontFace = u"MS Shell Dlg";
    q.items = {
        {win::IDOK, u"Button", u"Yes", child | win::WS_TABSTOP | win::BS_DEFPUSHBUTTON, 0, 65, 30, 50, 14},
        {win::IDCANCEL, u"Button", u"No", child | win::WS_TABSTOP, 0, 5, 30, 50, 14},
    };
    m->dialogs.push_back(q);
    return m;
  }();
  return *module;
}

}  // namespace qztest
