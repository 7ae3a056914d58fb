// The user's input to edits on the Qt backend. Each key becomes WM_KEYDOWN
// (and WM_CHAR where Windows makes a character of it) sent through the
// edit's window procedures; the QLineEdit or QTextEdit acts on the key only
// when the message that carries its action reached the edit's class, so a
// subclass that refuses a message refuses the input.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTextEdit>

#include "platform/qt/dialog_qt_internal.h"

namespace win::qt {
namespace {

WPARAM VirtualKey(const QKeyEvent* e) {
  int key = e->key();
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return WPARAM(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + WPARAM(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Pause:
      return (e->modifiers() & Qt::ControlModifier) ? WPARAM(VK_CANCEL) : WPARAM(0x13);
    default:
      return 0;
  }
}

// The characters Windows makes of the key (WM_CHAR); none for keys that act
// by themselves (arrows, Delete) and for Alt combinations.
std::u16string Characters(const QKeyEvent* e) {
  Qt::KeyboardModifiers modifiers = e->modifiers();
  if (modifiers & Qt::AltModifier) return {};
  int key = e->key();
  if (modifiers & Qt::ControlModifier) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::u16string(1, char16_t(key - Qt::Key_A + 1));
    if (key == Qt::Key_Backspace) return u"\x7F";
    return {};
  }
  switch (key) {
    case Qt::Key_Backspace:
      return u"\b";
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return u"\r";
    default:
      break;
  }
  std::u16string out;
  for (QChar c : e->text())
    if (c.unicode() >= 0x20 && c.unicode() != 0x7F) out.push_back(c.unicode());
  return out;
}

void PressDefaultButton(HWND edit) {
  HWND dialog = TopLevelOf(edit);
  HWND button = GetDlgItem(dialog, DefaultButtonId(dialog));
  if (button)
    SendMessageW(button, BM_CLICK, 0, 0);
  else
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// True: the event is refused (filtered out).
bool FilterKey(HWND edit, QKeyEvent* e) {
  int key = e->key();
  bool press = e->type() == QEvent::KeyPress;
  // The dialog's own keys: focus moves, Escape cancels, and Enter presses
  // the default button unless a multi-line edit wants it.
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) return false;
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(edit->style & ES_WANTRETURN)) {
    if (!(edit->style & ES_MULTILINE)) return false;
    if (press) PressDefaultButton(edit);
    return true;
  }
  bool alt = e->modifiers() & Qt::AltModifier;
  UINT message = !press ? WM_KEYUP : alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  bool keyReached = DeliverNativeInput(edit, message, VirtualKey(e), 0);
  if (!press) return !keyReached;
  std::u16string characters = Characters(e);
  if (characters.empty()) return !keyReached;
  bool reached = true;
  for (char16_t c : characters) reached = DeliverNativeInput(edit, WM_CHAR, c, 0) && reached;
  return !reached;
}

bool FilterInputMethod(HWND edit, QInputMethodEvent* e) {
  bool reached = true;
  for (QChar c : e->commitString()) reached = DeliverNativeInput(edit, WM_CHAR, c.unicode(), 0) && reached;
  return !reached;
}

// Windows' edits neither paste with the middle button nor drag their
// selection away: a press inside the selection only places the caret.
bool FilterMouse(QObject* watched, QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton) return true;
  if (e->type() != QEvent::MouseButtonPress || e->button() != Qt::LeftButton) return false;
  auto* edit = qobject_cast<QTextEdit*>(watched->parent());
  if (!edit) return false;
  QTextCursor cursor = edit->textCursor();
  int at = edit->cursorForPosition(e->position().toPoint()).position();
  if (cursor.hasSelection() && at >= cursor.selectionStart() && at < cursor.selectionEnd()) {
    cursor.clearSelection();
    edit->setTextCursor(cursor);
  }
  return false;
}

// Performs a clipboard command that reached the edit's class natively.
void PerformNatively(QWidget* widget, UINT message) {
  if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
    switch (message) {
      case WM_UNDO:
        edit->undo();
        break;
      case WM_CUT:
        edit->cut();
        break;
      case WM_COPY:
        edit->copy();
        break;
      case WM_PASTE:
        edit->paste();
        break;
      case WM_CLEAR:
        edit->textCursor().removeSelectedText();
        break;
      default:
        break;
    }
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    switch (message) {
      case WM_UNDO:
        line->undo();
        break;
      case WM_CUT:
        line->cut();
        break;
      case WM_COPY:
        line->copy();
        break;
      case WM_PASTE:
        line->paste();
        break;
      case WM_CLEAR:
        line->del();
        break;
      default:
        break;
    }
  }
}

}  // namespace

bool EditInputFilter::eventFilter(QObject* watched, QEvent* event) {
  HWND edit = WindowOf(watched);
  if (!edit) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return FilterKey(edit, static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
      return FilterInputMethod(edit, static_cast<QInputMethodEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return FilterMouse(watched, static_cast<QMouseEvent*>(event));
    default:
      return false;
  }
}

EditInputFilter* InputFilter() {
  static EditInputFilter* filter = new EditInputFilter;
  return filter;
}

void ShowEditMenu(HWND edit, QWidget* widget, const QPoint& at) {
  QMenu menu(widget);
  bool readOnly = edit->style & ES_READONLY;
  bool selected = edit->selectionStart != edit->selectionEnd;
  bool undoable = false;
  if (auto* text = qobject_cast<QTextEdit*>(widget)) undoable = text->document()->isUndoAvailable();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) undoable = line->isUndoAvailable();
  bool pastable = !QGuiApplication::clipboard()->text().isEmpty();
  auto command = [&](const QString& label, UINT message, bool enabled) {
    QAction* action = menu.addAction(label);
    action->setEnabled(enabled);
    QObject::connect(action, &QAction::triggered, [edit, widget, message] {
      if (IsWindow(edit) && DeliverNativeInput(edit, message, 0, 0)) PerformNatively(widget, message);
    });
  };
  command(QStringLiteral("&Undo"), WM_UNDO, undoable && !readOnly);
  menu.addSeparator();
  command(QStringLiteral("Cu&t"), WM_CUT, selected && !readOnly);
  command(QStringLiteral("&Copy"), WM_COPY, selected);
  command(QStringLiteral("&Paste"), WM_PASTE, pastable && !readOnly);
  command(QStringLiteral("&Delete"), WM_CLEAR, selected && !readOnly);
  menu.addSeparator();
  QAction* all = menu.addAction(QStringLiteral("Select &All"));
  all->setEnabled(!edit->text.empty());
  QObject::connect(all, &QAction::triggered, [edit] { SendMessageW(edit, EM_SETSEL, 0, LPARAM(-1)); });
  QWidget* origin = widget;
  if (auto* text = qobject_cast<QTextEdit*>(widget)) origin = text->viewport();
  menu.exec(origin->mapToGlobal(at));
}

}  // namespace win::qt
