// Shared by the sources of the Qt backend.
#pragma once

#include <QDialog>
#include <QFont>
#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "platform/dialog/dialog_backend.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace win::qt {

// Whether Qt can open its platform: a display for xcb, or a platform set
// explicitly (offscreen, wayland). Qt ends the process when it cannot.
bool DisplayAvailable();

QString ToQt(std::u16string_view text);
std::u16string FromQt(const QString& text);

// Windows' line ends (CR LF) and Qt's (LF) for multi-line edits, and the
// positions of one text in the other.
QString EditTextToQt(std::u16string_view text);
std::u16string EditTextFromQt(const QString& text);
int QtPosition(std::u16string_view windowsText, size_t position);
size_t WindowsPosition(const QString& qtText, int position);

QFont FontFor(const FontObject* font);

// The window of a widget (null once it is destroyed).
HWND WindowOf(const QObject* object);
void SetWindowOf(QObject* object, HWND window);

// Routes the user's keys, characters and clipboard commands of an edit
// through the window's procedures: the native edit acts only on what
// reached the edit's class procedure.
class EditInputFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
EditInputFilter* InputFilter();
// The edit's context menu, whose commands are messages to the edit.
void ShowEditMenu(HWND edit, QWidget* widget, const QPoint& at);

// A top-level window of the framework: its close box, Escape and Enter,
// moves and sizes are reported to the framework.
class DialogWidget : public QDialog {
 public:
  DialogWidget(HWND window, QWidget* owner);
  void accept() override;
  void reject() override;
  void Forget() { window_ = nullptr; }
  // Geometry changes that the framework makes are not reported back.
  bool applying = false;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ReportGeometry();
  HWND window_;
};

// The folder browser's tree, status line and buttons.
class BrowserWidget : public DialogWidget {
 public:
  BrowserWidget(HWND window, QWidget* owner);
  void ShowStatus();
  void ShowSelection();

 private:
  QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const std::u16string& path, const QString& label);
  void Populate(QTreeWidgetItem* item);
  QTreeWidgetItem* FindChild(QTreeWidgetItem* parent, const std::u16string& path);
  void UpdateOk();

  HWND window_;
  QLabel* status_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool selecting_ = false;
};

}  // namespace win::qt
