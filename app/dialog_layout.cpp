#include "app/dialog_layout.h"

#include "platform/win/message_box.h"
#include "res/resource.h"

namespace qz {

const std::array<int, kLayoutSlots> kLayoutControlIds = {
    IDC_SIZE_GRIP, IDC_TITLE_LINE, IDC_STATUS_LINE,   IDC_INSTALL_NOW,  IDC_DIRECTORY_LABEL,
    IDC_BROWSE,    IDC_DIRECTORY,  IDC_VERSION_LABEL, IDC_VERSION_LIST, win::IDCANCEL,
    IDC_ACCEPT,    IDC_DECLINE,    IDC_LICENCE_EDIT,
};

namespace {

enum Margin { kStatusMargin, kInstallNowMargin, kDirectoryMargin, kVersionListMargin, kCancelMargin, kLicenceMargin };

win::RECT WithBottom(win::RECT r, int bottom) {
  int height = r.Height();
  r.bottom = bottom;
  r.top = bottom - height;
  return r;
}

win::RECT WithLeft(win::RECT r, int left, int width) {
  r.left = left;
  r.right = left + width;
  return r;
}

// Centred in the width: integer halves, as the dialog has always done it.
win::RECT Centred(win::RECT r, int clientWidth, int width) {
  int half = width / 2;
  return WithLeft(r, clientWidth / 2 - half, 2 * half);
}

}  // namespace

LayoutPlan PlanLayout(const std::array<std::optional<win::RECT>, kLayoutSlots>& current, int W, int H,
                      const LayoutMargins& m, int gap) {
  LayoutPlan plan;
  std::array<win::RECT, kLayoutSlots> placed{};
  for (int slot = 0; slot < kLayoutSlots; ++slot) {
    if (!current[slot]) return plan;
    win::RECT r = *current[slot];
    switch (slot) {
      case kSizeGrip:
        r = {W - r.Width(), H - r.Height(), W, H};
        break;
      case kTitleLine:
        r = WithLeft(r, r.left, W - 2 * r.left);
        break;
      case kStatusLine:
        r = WithBottom(WithLeft(r, r.left, W - 2 * r.left), H - m.bottom[kStatusMargin]);
        break;
      case kInstallNow:
        r = WithBottom(Centred(r, W, r.Width()), H - m.bottom[kInstallNowMargin]);
        break;
      case kDirectoryLabel:
      case kDirectoryEdit:
        if (slot == kDirectoryEdit) r.right = placed[kBrowse].left - gap;
        r = WithBottom(r, H - m.bottom[kDirectoryMargin]);
        break;
      case kBrowse:
        r = WithBottom(WithLeft(r, W - gap - r.Width(), r.Width()), H - m.bottom[kDirectoryMargin]);
        break;
      case kVersionLabel:
      case kVersionList:
        r = WithBottom(r, H - m.bottom[kVersionListMargin]);
        break;
      case kCancel:
        r = WithBottom(r, H - m.bottom[kCancelMargin]);
        break;
      case kAccept:
        r = WithBottom(Centred(r, W, placed[kCancel].Width()), H - m.bottom[kCancelMargin]);
        break;
      case kDecline: {
        int width = placed[kAccept].Width();
        r = WithBottom(WithLeft(r, W - placed[kCancel].left - width, width), H - m.bottom[kCancelMargin]);
        break;
      }
      case kLicenceEdit:
        r.right = W - m.licenceRight;
        r.bottom = H - m.bottom[kLicenceMargin];
        break;
    }
    placed[slot] = r;
    plan.moves.emplace_back(LayoutSlot(slot), r);
  }
  plan.complete = true;
  return plan;
}

}  // namespace qz
