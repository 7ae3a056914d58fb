// The main dialog as Qt draws it: text is drawn in the title line, the
// agreement and on the buttons. With QZ_SCREENSHOT set to a file name the
// picture is saved there (docs/screenshot-main.png is made this way).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "app/setup_app.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace win;

// How many pixels of the area differ from its most common colour.
int DrawnPixels(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
  int most = 0;
  for (const auto& [colour, n] : counts) most = std::max(most, n);
  return area.width() * area.height() - most;
}

class Screenshot : public qztest::AppTest {};

TEST_F(Screenshot, MainDialogDrawsItsTexts) {
  qztest::UseBackend(qztest::Backend::qt);
  qz::CSetUpDlg dialog(qztest::ExampleBuildDateLine());
  dialog.m_licenceText = qz::ConvertAgreementText(qz::AgreementText());
  ASSERT_TRUE(dialog.Create());
  qztest::Click(dialog.m_hWnd, IDC_ACCEPT);
  SetDlgItemTextW(dialog.m_hWnd, IDC_STATUS_LINE, u"Extracting: .\\lib\\cmp\\standard.cap.gz");
  QWidget* top = QtWidgetOf(dialog.m_hWnd);
  QImage image = top->grab().toImage();
  ASSERT_FALSE(image.isNull());
  for (int id : {IDC_TITLE_LINE, IDC_LICENCE_EDIT, IDC_INSTALL_NOW, IDC_STATUS_LINE, IDC_DIRECTORY_LABEL}) {
    QRect area = QtWidgetOf(GetDlgItem(dialog.m_hWnd, id))->geometry().adjusted(2, 2, -2, -2);
    EXPECT_GT(DrawnPixels(image, area), 20) << "control " << id << " shows no text";
  }
  if (const char* path = std::getenv("QZ_SCREENSHOT")) {
    EXPECT_TRUE(image.save(QString::fromLocal8Bit(path), "PNG"));
  }
  dialog.DestroyWindow();
}

}  // namespace

// Fontconfig keeps caches that it never frees; Qt's fonts come from it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
