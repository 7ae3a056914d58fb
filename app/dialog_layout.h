// Where the main dialog's controls go for a client size: the arithmetic of
// its layout, apart from the windows themselves.
#pragma once

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dialog/window.h"

namespace qz {

// The controls in the order in which the layout places them.
enum LayoutSlot {
  kSizeGrip,
  kTitleLine,
  kStatusLine,
  kInstallNow,
  kDirectoryLabel,
  kBrowse,
  kDirectoryEdit,
  kVersionLabel,
  kVersionList,
  kCancel,
  kAccept,
  kDecline,
  kLicenceEdit,
  kLayoutSlots
};

// The control id of each slot.
extern const std::array<int, kLayoutSlots> kLayoutControlIds;

struct LayoutMargins {
  // Client bottom minus control bottom at start-up, for 1006, 1007, 1001,
  // 1010, 2 and 1000.
  std::array<int, 6> bottom{};
  int licenceRight = 0;  // client right minus the licence edit's right edge
};

struct LayoutPlan {
  std::vector<std::pair<LayoutSlot, win::RECT>> moves;  // in step order
  bool complete = false;                                // false: a control was missing and the layout stopped there
};

// The new rectangles (client coordinates) for a client of width x height,
// from the controls' current rectangles (nullopt for a missing control),
// the margins and the gap (the horizontal scroll bar's height).
LayoutPlan PlanLayout(const std::array<std::optional<win::RECT>, kLayoutSlots>& current, int width, int height,
                      const LayoutMargins& margins, int gap);

}  // namespace qz
