// The folder browser on the Qt backend: the browser's title, a tree of the
// machine's drives and folders (read as they are opened), its status line
// and OK and Cancel. The selection lives in the framework.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/base/text.h"
#include "platform/dialog/folder_browser.h"
#include "platform/qt/dialog_qt_internal.h"

namespace win::qt {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kPopulatedRole = Qt::UserRole + 1;

std::u16string PathOf(const QTreeWidgetItem* item) { return FromQt(item->data(0, kPathRole).toString()); }

QString Label(const std::u16string& path) {
  if (path.size() <= 3) return ToQt(path.substr(0, 2));
  return ToQt(path.substr(path.rfind(u'\\') + 1));
}

// "C:\a\b" gives "C:\", "C:\a", "C:\a\b".
std::vector<std::u16string> Ancestry(const std::u16string& path) {
  std::vector<std::u16string> chain;
  if (path.size() < 3) return chain;
  chain.push_back(path.substr(0, 3));
  for (size_t at = path.find(u'\\', 3); at != std::u16string::npos; at = path.find(u'\\', at + 1))
    chain.push_back(path.substr(0, at));
  if (path.size() > 3) chain.push_back(path);
  return chain;
}

}  // namespace

BrowserWidget::BrowserWidget(HWND window, QWidget* owner) : DialogWidget(window, owner), window_(window) {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(ToQt(window->browser->title), this);
  title->setWordWrap(true);
  layout->addWidget(title);
  if (window->browser->info.ulFlags & BIF_STATUSTEXT) {
    status_ = new QLabel(this);
    layout->addWidget(status_);
  }
  tree_ = new QTreeWidget(this);
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  layout->addWidget(tree_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  QTreeWidgetItem* computer = AddFolder(nullptr, {}, QStringLiteral("Computer"));
  tree_->addTopLevelItem(computer);
  Populate(computer);
  computer->setExpanded(true);

  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Populate(item); });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (selecting_ || !item || !WindowOf(this)) return;
    NotifyBrowserSelection(window_, PathOf(item));
    UpdateOk();
  });
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (WindowOf(this)) SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    if (WindowOf(this)) SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  UpdateOk();
}

QTreeWidgetItem* BrowserWidget::AddFolder(QTreeWidgetItem* parent, const std::u16string& path, const QString& label) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem;
  item->setText(0, label);
  item->setData(0, kPathRole, ToQt(path));
  item->setData(0, kPopulatedRole, false);
  // Folders are read when opened; until then each shows that it may open.
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return item;
}

void BrowserWidget::Populate(QTreeWidgetItem* item) {
  if (item->data(0, kPopulatedRole).toBool()) return;
  item->setData(0, kPopulatedRole, true);
  std::u16string path = PathOf(item);
  std::vector<std::u16string> folders = path.empty() ? BrowserDrives() : BrowserSubfolders(path);
  for (const std::u16string& folder : folders) AddFolder(item, folder, Label(folder));
  if (folders.empty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* BrowserWidget::FindChild(QTreeWidgetItem* parent, const std::u16string& path) {
  Populate(parent);
  for (int i = 0; i < parent->childCount(); ++i)
    if (EqualsNoCaseAscii(PathOf(parent->child(i)), path)) return parent->child(i);
  return nullptr;
}

void BrowserWidget::ShowStatus() {
  if (status_ && WindowOf(this)) status_->setText(ToQt(window_->browser->statusText));
}

void BrowserWidget::ShowSelection() {
  if (!WindowOf(this)) return;
  QTreeWidgetItem* item = tree_->topLevelItem(0);
  for (const std::u16string& step : Ancestry(window_->browser->selection)) {
    item->setExpanded(true);
    QTreeWidgetItem* child = FindChild(item, step);
    if (!child) break;
    item = child;
  }
  selecting_ = true;
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
  selecting_ = false;
  UpdateOk();
}

void BrowserWidget::UpdateOk() {
  if (WindowOf(this)) ok_->setEnabled(BrowserCanAccept(window_));
}

}  // namespace win::qt
