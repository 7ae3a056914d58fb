// Dialog templates and the other resources of a program as the dialog
// framework reads them: dialogs with their controls in dialog units, the
// dialogs' initialisation data and icons, looked up by resource id.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/dialog/window.h"

namespace win {

// One control of a dialog template; rectangles are in dialog units.
struct DialogItemTemplate {
  int id = -1;  // -1 for a control without id (shown as 0xFFFF)
  std::u16string className;
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};

// One message of a dialog's initialisation data, such as a list item that
// CB_ADDSTRING adds: the text is 8-bit, in the ANSI code page.
struct DialogInitItem {
  int controlId = 0;
  UINT message = 0;
  std::string text;
};

struct DialogTemplate {
  unsigned id = 0;
  bool extended = false;  // DIALOGEX
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::u16string caption;
  std::u16string fontFace;
  int pointSize = 8;
  int weight = 400;
  std::vector<DialogItemTemplate> items;
  std::vector<DialogInitItem> init;
};

struct IconResource {
  unsigned id = 0;
  std::span<const unsigned char> bytes;  // the icon file: directory and images
};

struct IconObject {
  unsigned id = 0;
  std::span<const unsigned char> bytes;
};

struct ResourceModule {
  std::vector<DialogTemplate> dialogs;
  std::vector<IconResource> icons;
};

// Makes the module the program's resources; it must outlive their use.
void UseResources(const ResourceModule& module);
// Null when the program has no such resource.
const DialogTemplate* FindDialogTemplate(unsigned id);
HICON LoadIconW(unsigned id);

// The font of a dialog template (DS_SETFONT), as a font object.
FontObject TemplateFont(const DialogTemplate& dialog);

// Dialog units to pixels with the base units of the dialog's font:
// x and widths by base.cx / 4, y and heights by base.cy / 8.
RECT DialogUnitsToPixels(int x, int y, int cx, int cy, SIZE baseUnits);
BOOL MapDialogRect(HWND dialog, RECT* rect);

}  // namespace win
