// The Qt 6 Widgets backend: every window of the framework is shown as a
// widget at its template's position, timers are QTimers, modal runs are
// nested event loops, and message boxes of any thread are shown on the
// window thread.
#include "platform/qt/dialog_qt.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyle>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <map>
#include <string_view>

#include "platform/base/text.h"
#include "platform/dialog/dialog_template.h"
#include "platform/qt/dialog_qt_internal.h"

namespace win::qt {

QString ToQt(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

std::u16string FromQt(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

QString EditTextToQt(std::u16string_view text) {
  QString out;
  out.reserve(qsizetype(text.size()));
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.append(QChar(text[i]));
  }
  return out;
}

std::u16string EditTextFromQt(const QString& text) {
  std::u16string out;
  out.reserve(size_t(text.size()));
  for (QChar c : text) {
    if (c == u'\n' || c == QChar::ParagraphSeparator) {
      out += u"\r\n";
    } else {
      out.push_back(c.unicode());
    }
  }
  return out;
}

int QtPosition(std::u16string_view windowsText, size_t position) {
  position = std::min(position, windowsText.size());
  int qt = 0;
  for (size_t i = 0; i < position; ++i)
    if (!(windowsText[i] == u'\r' && i + 1 < windowsText.size() && windowsText[i + 1] == u'\n')) ++qt;
  return qt;
}

size_t WindowsPosition(const QString& qtText, int position) {
  size_t windows = 0;
  for (int i = 0; i < position && i < qtText.size(); ++i) windows += qtText[i] == u'\n' ? 2 : 1;
  return windows;
}

QFont FontFor(const FontObject* font) {
  FontObject fallback{u"MS Shell Dlg", 80, 400};
  const FontObject& f = font ? *font : fallback;
  QFont q;
  // The shell's dialog font is the system's own sans-serif font; other
  // faces are asked for by name and substituted by the font system.
  if (EqualsNoCaseAscii(f.face, u"MS Shell Dlg") || EqualsNoCaseAscii(f.face, u"MS Shell Dlg 2") ||
      EqualsNoCaseAscii(f.face, u"MS Sans Serif") || EqualsNoCaseAscii(f.face, u"System")) {
    q = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  } else {
    q = QFont(ToQt(f.face));
  }
  q.setStyleHint(QFont::SansSerif);
  // Points at 96 dots per inch, rounded as Windows rounds the font height.
  q.setPixelSize(std::max(1, MulDiv(f.pointTenths, 96, 720)));
  q.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
  return q;
}

namespace {

constexpr char kWindowProperty[] = "qzWindow";

}  // namespace

HWND WindowOf(const QObject* object) {
  if (!object) return nullptr;
  auto window = reinterpret_cast<HWND>(object->property(kWindowProperty).value<quintptr>());
  return IsWindow(window) ? window : nullptr;
}

void SetWindowOf(QObject* object, HWND window) {
  object->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

// --- Top-level windows ------------------------------------------------------

DialogWidget::DialogWidget(HWND window, QWidget* owner) : QDialog(owner), window_(window) {
  SetWindowOf(this, window);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (window->style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  setWindowFlags(flags);
  setSizeGripEnabled(false);
}

void DialogWidget::accept() {
  if (window_) SendMessageW(window_, WM_COMMAND, MAKEWPARAM(WORD(DefaultButtonId(window_)), BN_CLICKED), 0);
}

void DialogWidget::reject() {
  if (window_)
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, IDCANCEL)));
}

void DialogWidget::closeEvent(QCloseEvent* event) {
  // The framework decides: WM_CLOSE, which a dialog turns into Cancel.
  event->ignore();
  if (window_) NotifyCloseRequested(window_);
}

void DialogWidget::ReportGeometry() {
  if (!window_ || applying || !isVisible()) return;
  QRect g = geometry();
  NotifyClientMoved(window_, {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
}

void DialogWidget::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ReportGeometry();
}

void DialogWidget::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  ReportGeometry();
}

void DialogWidget::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!window_) return;
  if (window_->style & WS_THICKFRAME) {
    SIZE minimum = MinimumClientSize(window_);
    setMinimumSize(int(minimum.cx), int(minimum.cy));
  }
}

namespace {

// --- Controls ---------------------------------------------------------------

QString StaticText(HWND w) {
  QString text = ToQt(w->text);
  if (w->style & SS_NOPREFIX) return text;
  // "&x" marks a mnemonic and "&&" is an ampersand, as Windows draws them.
  QString shown;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown.append(text[i]);
  }
  return shown;
}

Qt::Alignment EditAlignment(DWORD style) {
  if (style & ES_CENTER) return Qt::AlignHCenter;
  if (style & ES_RIGHT) return Qt::AlignRight;
  return Qt::AlignLeft;
}

Qt::Alignment StaticAlignment(DWORD style) {
  Qt::Alignment a;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      a = Qt::AlignHCenter;
      break;
    case SS_RIGHT:
      a = Qt::AlignRight;
      break;
    default:
      a = Qt::AlignLeft;
      break;
  }
  return a | ((style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop);
}

const QIcon& IconFor(HICON icon) {
  static std::map<HICON, QIcon>* icons = new std::map<HICON, QIcon>;
  auto it = icons->find(icon);
  if (it != icons->end()) return it->second;
  QIcon q;
  QByteArray bytes(reinterpret_cast<const char*>(icon->bytes.data()), qsizetype(icon->bytes.size()));
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ico");
  do {
    QImage image = reader.read();
    if (!image.isNull()) q.addPixmap(QPixmap::fromImage(image));
  } while (reader.jumpToNextImage());
  return (*icons)[icon] = q;
}

QWidget* Peer(HWND window) { return IsWindow(window) ? static_cast<QWidget*>(window->peer) : nullptr; }

class QtBackend final : public DialogBackend {
 public:
  bool IsConsole() const override { return false; }

  SIZE DialogBaseUnits(const FontObject& font) override {
    QFontMetrics metrics(FontFor(&font));
    int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
  }

  int SystemMetric(int index) override {
    switch (index) {
      case SM_CXVSCROLL:
      case SM_CYHSCROLL:
        return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      case SM_CXSCREEN:
        return QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width()
                                                : DefaultSystemMetric(index);
      case SM_CYSCREEN:
        return QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().height()
                                                : DefaultSystemMetric(index);
      default:
        return DefaultSystemMetric(index);
    }
  }

  int ComboBoxHeight(const FontObject& font) override {
    QComboBox probe;
    probe.setFont(FontFor(&font));
    return probe.sizeHint().height();
  }

  void Created(HWND w) override {
    QWidget* widget = nullptr;
    if (w->kind == WindowKind::dialog || w->kind == WindowKind::folderBrowser)
      widget = CreateTopLevel(w);
    else
      widget = CreateControl(w);
    if (!widget) return;
    w->peer = widget;
    SetWindowOf(widget, w);
    ApplyGeometry(w);
    widget->setEnabled(!(w->style & WS_DISABLED) || !(w->style & WS_CHILD));
    if (w->style & WS_CHILD) widget->setVisible(w->style & WS_VISIBLE);
  }

  void Destroying(HWND w) override {
    QWidget* widget = Peer(w);
    w->peer = nullptr;
    for (auto it = timers_.begin(); it != timers_.end();) {
      if (it->first.first == w) {
        delete it->second;
        it = timers_.erase(it);
      } else {
        ++it;
      }
    }
    if (!widget) return;
    if (auto* dialog = dynamic_cast<DialogWidget*>(widget)) dialog->Forget();
    SetWindowOf(widget, nullptr);
    widget->disconnect();
    widget->removeEventFilter(InputFilter());
    widget->hide();
    widget->deleteLater();
  }

  void Changed(HWND w, WindowChange change) override {
    QWidget* widget = Peer(w);
    if (!widget) return;
    switch (change) {
      case WindowChange::text:
        ShowText(w, widget);
        break;
      case WindowChange::enabled:
        if (w->style & WS_CHILD) widget->setEnabled(!(w->style & WS_DISABLED));
        break;
      case WindowChange::visible:
        ShowVisibility(w, widget);
        break;
      case WindowChange::geometry:
        ApplyGeometry(w);
        break;
      case WindowChange::font:
        widget->setFont(FontFor(w->font));
        break;
      case WindowChange::icon:
        if (w->bigIcon || w->smallIcon) widget->setWindowIcon(IconFor(w->bigIcon ? w->bigIcon : w->smallIcon));
        break;
      case WindowChange::check:
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
          QSignalBlocker block(button);
          button->setChecked(w->check == BST_CHECKED);
        }
        break;
      case WindowChange::items:
      case WindowChange::selection:
        ShowItems(w, widget);
        break;
      case WindowChange::editSelection:
        ShowEditSelection(w, widget);
        break;
      case WindowChange::browserStatus:
        if (auto* browser = dynamic_cast<BrowserWidget*>(widget)) browser->ShowStatus();
        break;
      case WindowChange::browserSelection:
        if (auto* browser = dynamic_cast<BrowserWidget*>(widget)) browser->ShowSelection();
        break;
    }
  }

  void Redraw(HWND w, bool now) override {
    QWidget* widget = Peer(w);
    if (!widget) return;
    if (now && widget->isVisible())
      widget->repaint();
    else
      widget->update();
  }

  void TimerChanged(HWND w, UINT_PTR id, UINT period) override {
    auto key = std::make_pair(w, id);
    auto it = timers_.find(key);
    if (period == 0) {
      if (it != timers_.end()) {
        delete it->second;
        timers_.erase(it);
      }
      return;
    }
    QTimer* timer = it != timers_.end() ? it->second : nullptr;
    if (!timer) {
      timer = new QTimer;
      QObject::connect(timer, &QTimer::timeout, [w, id] { FireTimer(w, id); });
      timers_[key] = timer;
    }
    timer->start(int(period));
  }

  void RunModalLoop(HWND dialog) override {
    QEventLoop loop;
    loops_[dialog] = &loop;
    while (IsWindow(dialog) && !dialog->dialog->ended) loop.exec();
    loops_.erase(dialog);
  }

  void ModalEnded(HWND dialog) override {
    if (auto it = loops_.find(dialog); it != loops_.end()) it->second->quit();
  }

  std::u16string ClipboardText() override { return FromQt(QGuiApplication::clipboard()->text()); }
  void SetClipboardText(std::u16string_view text) override { QGuiApplication::clipboard()->setText(ToQt(text)); }

  int ShowMessageBox(const MessageBoxRequest& request) override {
    if (QThread::currentThread() == qApp->thread()) return RunMessageBox(request);
    // Widgets belong to the window thread: the box is shown there and the
    // calling thread waits until it is closed.
    int answer = IDOK;
    QMetaObject::invokeMethod(
        qApp, [&] { answer = RunMessageBox(request); }, Qt::BlockingQueuedConnection);
    return answer;
  }

 private:
  static int RunMessageBox(const MessageBoxRequest& request) {
    QString text = ToQt(request.text);
    text.remove(u'\r');
    QMessageBox::Icon icon = (request.type & 0xF0) == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon;
    QMessageBox box(icon, ToQt(request.caption), text, QMessageBox::NoButton, TopLevelWidget(request.owner));
    bool question = (request.type & 0xF) == MB_YESNO;
    if (question) {
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton((request.type & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
    } else {
      box.setStandardButtons(QMessageBox::Ok);
    }
    if (request.type & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowModality(Qt::ApplicationModal);
    int result = box.exec();
    if (!question) return IDOK;
    return result == QMessageBox::Yes ? IDYES : IDNO;
  }

  static QWidget* TopLevelWidget(HWND window) { return Peer(TopLevelOf(window)); }

  QWidget* CreateTopLevel(HWND w) {
    QWidget* owner = TopLevelWidget(w->parent);
    DialogWidget* dialog =
        w->kind == WindowKind::folderBrowser ? new BrowserWidget(w, owner) : new DialogWidget(w, owner);
    dialog->setWindowTitle(ToQt(w->text));
    dialog->setFont(FontFor(w->font));
    return dialog;
  }

  QWidget* CreateControl(HWND w) {
    QWidget* parent = Peer(w->parent);
    if (!parent) return nullptr;
    switch (w->kind) {
      case WindowKind::button:
        return CreateButton(w, parent);
      case WindowKind::edit:
        return CreateEdit(w, parent);
      case WindowKind::staticText: {
        auto* label = new QLabel(StaticText(w), parent);
        label->setAlignment(StaticAlignment(w->style));
        label->setWordWrap(!(w->style & SS_CENTERIMAGE));
        return label;
      }
      case WindowKind::comboBox: {
        auto* combo = new QComboBox(parent);
        QObject::connect(combo, &QComboBox::activated, [combo](int index) {
          if (HWND window = WindowOf(combo)) NotifyComboSelection(window, index);
        });
        return combo;
      }
      case WindowKind::scrollBar:
        if (w->style & SBS_SIZEGRIP) return new QSizeGrip(parent);
        return new QScrollBar(parent);
      default: {
        auto* plain = new QWidget(parent);
        return plain;
      }
    }
  }

  QWidget* CreateButton(HWND w, QWidget* parent) {
    QAbstractButton* button = nullptr;
    QString text = ToQt(w->text);
    switch (w->style & BS_TYPEMASK) {
      case BS_AUTORADIOBUTTON:
      case BS_RADIOBUTTON: {
        auto* radio = new QRadioButton(text, parent);
        radio->setAutoExclusive(false);
        button = radio;
        break;
      }
      case BS_AUTOCHECKBOX:
      case BS_CHECKBOX:
        button = new QCheckBox(text, parent);
        break;
      case BS_GROUPBOX:
        return new QGroupBox(text, parent);
      default: {
        auto* push = new QPushButton(text, parent);
        push->setDefault((w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        button = push;
        break;
      }
    }
    QObject::connect(button, &QAbstractButton::clicked, [button] {
      HWND window = WindowOf(button);
      if (!window) return;
      // The framework owns the check state: it decides after the click.
      {
        QSignalBlocker block(button);
        button->setChecked(window->check == BST_CHECKED);
      }
      NotifyButtonClicked(window);
    });
    return button;
  }

  QWidget* CreateEdit(HWND w, QWidget* parent) {
    QWidget* widget = nullptr;
    if (w->style & ES_MULTILINE) {
      auto* edit = new QTextEdit(parent);
      edit->setAcceptRichText(false);
      edit->setTabChangesFocus(true);
      edit->setAcceptDrops(false);
      edit->setVerticalScrollBarPolicy((w->style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
      edit->setHorizontalScrollBarPolicy((w->style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      edit->setLineWrapMode((w->style & (DWORD(ES_AUTOHSCROLL) | DWORD(WS_HSCROLL))) ? QTextEdit::NoWrap
                                                                                     : QTextEdit::WidgetWidth);
      edit->setReadOnly(w->style & ES_READONLY);
      edit->setContextMenuPolicy(Qt::CustomContextMenu);
      QObject::connect(edit, &QWidget::customContextMenuRequested, [edit](const QPoint& at) {
        if (HWND window = WindowOf(edit)) ShowEditMenu(window, edit, at);
      });
      auto report = [edit] {
        HWND window = WindowOf(edit);
        if (!window || edit->property("qzSyncing").toBool()) return;
        QString text = edit->toPlainText();
        QTextCursor cursor = edit->textCursor();
        NotifyEditChanged(window, EditTextFromQt(text), WindowsPosition(text, cursor.selectionStart()),
                          WindowsPosition(text, cursor.selectionEnd()));
      };
      QObject::connect(edit, &QTextEdit::textChanged, report);
      QObject::connect(edit, &QTextEdit::cursorPositionChanged, report);
      QObject::connect(edit, &QTextEdit::selectionChanged, report);
      edit->viewport()->installEventFilter(InputFilter());
      SetWindowOf(edit->viewport(), w);
      widget = edit;
    } else {
      auto* edit = new QLineEdit(parent);
      edit->setAlignment(EditAlignment(w->style) | Qt::AlignVCenter);
      edit->setReadOnly(w->style & ES_READONLY);
      edit->setDragEnabled(false);
      edit->setAcceptDrops(false);
      edit->setContextMenuPolicy(Qt::CustomContextMenu);
      QObject::connect(edit, &QWidget::customContextMenuRequested, [edit](const QPoint& at) {
        if (HWND window = WindowOf(edit)) ShowEditMenu(window, edit, at);
      });
      auto report = [edit] {
        HWND window = WindowOf(edit);
        if (!window || edit->property("qzSyncing").toBool()) return;
        int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        int end = edit->hasSelectedText() ? edit->selectionEnd() : edit->cursorPosition();
        NotifyEditChanged(window, FromQt(edit->text()), size_t(start), size_t(end));
      };
      QObject::connect(edit, &QLineEdit::textChanged, report);
      QObject::connect(edit, &QLineEdit::cursorPositionChanged, report);
      QObject::connect(edit, &QLineEdit::selectionChanged, report);
      widget = edit;
    }
    widget->installEventFilter(InputFilter());
    widget->setProperty("qzSyncing", true);
    ShowText(w, widget);
    widget->setProperty("qzSyncing", false);
    return widget;
  }

  static void ShowText(HWND w, QWidget* widget) {
    bool syncing = widget->property("qzSyncing").toBool();
    widget->setProperty("qzSyncing", true);
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
      if (EditTextFromQt(edit->toPlainText()) != w->text) {
        edit->setPlainText(EditTextToQt(w->text));
        QTextOption option = edit->document()->defaultTextOption();
        option.setAlignment(EditAlignment(w->style));
        edit->document()->setDefaultTextOption(option);
      }
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
      if (FromQt(line->text()) != w->text) line->setText(ToQt(w->text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setText(StaticText(w));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      button->setText(ToQt(w->text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      group->setTitle(ToQt(w->text));
    } else if (!(w->style & WS_CHILD)) {
      widget->setWindowTitle(ToQt(w->text));
    }
    widget->setProperty("qzSyncing", syncing);
  }

  static void ShowEditSelection(HWND w, QWidget* widget) {
    widget->setProperty("qzSyncing", true);
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
      QTextCursor cursor = edit->textCursor();
      cursor.setPosition(QtPosition(w->text, w->selectionStart));
      cursor.setPosition(QtPosition(w->text, w->selectionEnd), QTextCursor::KeepAnchor);
      edit->setTextCursor(cursor);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
      line->setSelection(int(w->selectionStart), int(w->selectionEnd) - int(w->selectionStart));
    }
    widget->setProperty("qzSyncing", false);
  }

  static void ShowItems(HWND w, QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo) return;
    QSignalBlocker block(combo);
    if (combo->count() != int(w->items.size())) {
      combo->clear();
      for (const std::u16string& item : w->items) combo->addItem(ToQt(item));
    }
    combo->setCurrentIndex(w->selection);
  }

  static void ShowVisibility(HWND w, QWidget* widget) {
    bool visible = w->style & WS_VISIBLE;
    if (w->style & WS_CHILD) {
      widget->setVisible(visible);
      return;
    }
    if (!visible) {
      widget->hide();
      return;
    }
    if (w->dialog && w->dialog->modal) widget->setWindowModality(Qt::ApplicationModal);
    ApplyGeometry(w);
    widget->show();
  }

  static void ApplyGeometry(HWND w) {
    QWidget* widget = Peer(w);
    if (!widget) return;
    QRect target;
    if (w->style & WS_CHILD) {
      target = QRect(w->rect.left, w->rect.top, w->rect.Width(), w->rect.Height());
    } else {
      RECT insets = FrameInsets(w->style, w->exStyle);
      target = QRect(w->rect.left + insets.left, w->rect.top + insets.top, w->rect.Width() - insets.left - insets.right,
                     w->rect.Height() - insets.top - insets.bottom);
    }
    if (widget->geometry() == target) return;
    auto* dialog = dynamic_cast<DialogWidget*>(widget);
    if (dialog) dialog->applying = true;
    if (!(w->style & WS_CHILD) && !(w->style & WS_THICKFRAME)) widget->setFixedSize(target.size());
    widget->setGeometry(target);
    if (dialog) dialog->applying = false;
  }

  std::map<std::pair<HWND, UINT_PTR>, QTimer*> timers_;
  std::map<HWND, QEventLoop*> loops_;
};

}  // namespace
}  // namespace win::qt

namespace win {

std::shared_ptr<DialogBackend> CreateQtBackend(int& argc, char** argv) {
  if (!QApplication::instance()) {
    if (!qt::DisplayAvailable()) return nullptr;
    new QApplication(argc, argv);  // lives until the process ends
  }
  static std::shared_ptr<DialogBackend>* backend =
      new std::shared_ptr<DialogBackend>(std::make_shared<qt::QtBackend>());
  return *backend;
}

QWidget* QtWidgetOf(HWND window) { return qt::Peer(window); }

}  // namespace win
