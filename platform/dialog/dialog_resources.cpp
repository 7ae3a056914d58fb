// The program's resources and dialog units.
#include "platform/dialog/dialog_backend.h"
#include "platform/dialog/dialog_template.h"

namespace win {
namespace {

const ResourceModule*& Module() {
  static const ResourceModule* module = nullptr;
  return module;
}

}  // namespace

void UseResources(const ResourceModule& module) { Module() = &module; }

const DialogTemplate* FindDialogTemplate(unsigned id) {
  if (!Module()) return nullptr;
  for (const DialogTemplate& d : Module()->dialogs)
    if (d.id == id) return &d;
  return nullptr;
}

HICON LoadIconW(unsigned id) {
  if (!Module()) return nullptr;
  // Icons live as long as the module; one object per resource.
  static std::vector<std::unique_ptr<IconObject>>* loaded = new std::vector<std::unique_ptr<IconObject>>;
  for (const auto& icon : *loaded)
    if (icon->id == id) return icon.get();
  for (const IconResource& r : Module()->icons) {
    if (r.id != id) continue;
    loaded->push_back(std::make_unique<IconObject>(IconObject{r.id, r.bytes}));
    return loaded->back().get();
  }
  return nullptr;
}

FontObject TemplateFont(const DialogTemplate& dialog) {
  FontObject font;
  if (dialog.style & DS_SETFONT) {
    font.face = dialog.fontFace;
    font.pointTenths = dialog.pointSize * 10;
    font.weight = dialog.weight;
  } else {
    font.face = u"System";
    font.pointTenths = 100;
    font.weight = 700;
  }
  return font;
}

RECT DialogUnitsToPixels(int x, int y, int cx, int cy, SIZE baseUnits) {
  int left = MulDiv(x, baseUnits.cx, 4);
  int top = MulDiv(y, baseUnits.cy, 8);
  return {left, top, left + MulDiv(cx, baseUnits.cx, 4), top + MulDiv(cy, baseUnits.cy, 8)};
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (!IsWindow(dialog) || !dialog->dialog || !rect) return FALSE;
  SIZE base = dialog->dialog->baseUnits;
  *rect = {MulDiv(rect->left, base.cx, 4), MulDiv(rect->top, base.cy, 8), MulDiv(rect->right, base.cx, 4),
           MulDiv(rect->bottom, base.cy, 8)};
  return TRUE;
}

}  // namespace win
