// The compiled resources: the three dialog templates control by control,
// the version list's items, the icon and the form of the agreement text.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <cstring>
#include <string_view>

#include "app/setup_app.h"
#include "platform/base/text.h"
#include "res/installer_resources.h"
#include "tests/app/app_fixture.h"

namespace {

using win::DialogItemTemplate;
using win::DialogTemplate;

const DialogTemplate& Template(unsigned id) {
  win::UseResources(qz::InstallerResources());
  const DialogTemplate* t = win::FindDialogTemplate(id);
  EXPECT_NE(t, nullptr) << id;
  static const DialogTemplate none;
  return t ? *t : none;
}

void ExpectItems(const DialogTemplate& t, const std::vector<DialogItemTemplate>& expected) {
  ASSERT_EQ(t.items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const DialogItemTemplate& a = t.items[i];
    const DialogItemTemplate& e = expected[i];
    SCOPED_TRACE(win::WideToUtf8(e.text) + " (" + std::to_string(e.id) + ")");
    EXPECT_EQ(a.id, e.id);
    EXPECT_TRUE(win::EqualsNoCaseAscii(a.className, e.className)) << win::WideToUtf8(a.className);
    EXPECT_EQ(a.text, e.text);
    EXPECT_EQ(a.style, e.style) << std::hex << a.style;
    EXPECT_EQ(a.exStyle, e.exStyle);
    EXPECT_EQ(a.x, e.x);
    EXPECT_EQ(a.y, e.y);
    EXPECT_EQ(a.cx, e.cx);
    EXPECT_EQ(a.cy, e.cy);
  }
}

TEST(Resources, MainDialogTemplate) {
  const DialogTemplate& t = Template(IDD_SETUP_DIALOG);
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(t.style, 0x90CC0048u);
  EXPECT_EQ(t.exStyle, 0x00040000u);
  EXPECT_EQ(t.cx, 399);
  EXPECT_EQ(t.cy, 301);
  EXPECT_EQ(t.caption, u"Quenda Zorvel Installer");
  EXPECT_EQ(t.fontFace, u"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  ExpectItems(t, {
                     {1007, u"button", u"Install Now", 0x50010001, 0, 164, 268, 77, 14},
                     {2, u"button", u"Cancel", 0x50010000, 0, 54, 210, 58, 14},
                     {1000, u"edit", u"", 0x50A10005, 0, 7, 15, 391, 192},
                     {1005, u"static", u"Installation Directory:", 0x50020202, 0, 7, 249, 84, 14},
                     {1001, u"edit", u"", 0x50810080, 0, 95, 250, 232, 14},
                     {1002, u"button", u"Browse", 0x50010000, 0, 332, 250, 50, 14},
                     {1003, u"button", u"Accept", 0x50010000, 0, 170, 210, 58, 14},
                     {1004, u"button", u"Decline", 0x50010000, 0, 287, 210, 58, 14},
                     {1006, u"static", u"Static", 0x50020201, 0x20, 9, 285, 381, 12},
                     {1008, u"static", u"Static", 0x50020201, 0, 7, 1, 394, 11},
                     {1009, u"static", u"Executable Version(s):", 0x50020202, 0, 7, 232, 84, 11},
                     {1010, u"combobox", u"", 0x50210003, 0, 96, 232, 87, 68},
                 });
  ASSERT_EQ(t.init.size(), 3u);
  const char* items[] = {"       x86(32-bit)", "       x64(64-bit)", "    both x86 & x64"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(t.init[i].controlId, 1010);
    EXPECT_EQ(t.init[i].message, 0x403u);
    EXPECT_EQ(t.init[i].text, items[i]);
  }
}

TEST(Resources, QuestionDialogTemplates) {
  const DialogTemplate& quit = Template(IDD_REALLY_QUIT);
  EXPECT_FALSE(quit.extended);
  EXPECT_EQ(quit.style, 0x80C800C0u);
  EXPECT_EQ(quit.cx, 186);
  EXPECT_EQ(quit.cy, 57);
  EXPECT_EQ(quit.caption, u"Quenda Zorvel Installation");
  EXPECT_EQ(quit.fontFace, u"MS Shell Dlg");
  ExpectItems(quit, {
                        {1, u"button", u"Yes", 0x50010001, 0, 104, 36, 50, 14},
                        {2, u"button", u"No", 0x50010000, 0, 23, 36, 50, 14},
                        {-1, u"static", u"Reallly Quit installing Quenda Zorvel?", 0x50020001, 0, 7, 16, 172, 14},
                    });
  const DialogTemplate& update = Template(IDD_UPDATE_ONLY);
  EXPECT_EQ(update.style, 0x80C800C0u);
  EXPECT_EQ(update.cx, 187);
  EXPECT_EQ(update.cy, 108);
  EXPECT_EQ(update.caption, u"Overwrite or Update?");
  ExpectItems(update,
              {
                  {-1, u"static",
                   u"A previous copy of Quenda has been found.  Would you like to overwrite all files or update?",
                   0x50020001, 0, 7, 5, 173, 26},
                  {1010, u"button", u"Overwrite Installation(Recommended)", 0x50000009, 0, 14, 35, 166, 12},
                  {1011, u"button", u"Update Installation", 0x50000009, 0, 14, 48, 166, 12},
                  {1, u"button", u"OK", 0x50010001, 0, 130, 88, 50, 14},
                  {2, u"button", u"Cancel", 0x50010000, 0, 7, 88, 50, 14},
                  {-1, u"static", u"(Note:  Either way, it is never required to uninstall a previous version.)",
                   0x50020001, 0, 7, 63, 173, 21},
              });
}

TEST(Resources, IconHoldsImagesOfTheUsualSizes) {
  qztest::QtBackendForTests();  // Qt's image readers
  win::UseResources(qz::InstallerResources());
  win::HICON icon = win::LoadIconW(IDR_MAINFRAME);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(win::LoadIconW(IDR_MAINFRAME), icon) << "one object per resource";
  QByteArray bytes(reinterpret_cast<const char*>(icon->bytes.data()), qsizetype(icon->bytes.size()));
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ico");
  std::vector<int> sizes;
  do {
    QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.width(), image.height());
    EXPECT_TRUE(image.hasAlphaChannel());
    sizes.push_back(image.width());
  } while (reader.jumpToNextImage());
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST(Resources, AgreementIsWindows1252TextWithCrLfLinesEndingInAnEmptyLine) {
  const char* text = qz::AgreementText();
  std::string_view bytes(text, std::strlen(text));
  ASSERT_GT(bytes.size(), 5000u);
  size_t lines = 0;
  for (size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\n') {
      ASSERT_GT(at, 0u);
      ASSERT_EQ(bytes[at - 1], '\r') << "line " << lines + 1;
      ++lines;
    } else if (bytes[at] == '\r') {
      ASSERT_EQ(at + 1 < bytes.size() ? bytes[at + 1] : 0, '\n');
    }
  }
  EXPECT_GE(lines, 180u);
  EXPECT_LE(lines, 230u);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\n\r\n") << "the last line is empty";
  // The right single quotation mark, the en dash and the section sign.
  for (char c : {'\x92', '\x96', '\xA7'}) EXPECT_NE(bytes.find(c), std::string_view::npos);

  std::u16string wide = qz::ConvertAgreementText(text);
  EXPECT_EQ(wide.size(), bytes.size());
  for (char16_t c : {u'\u2019', u'\u2013', u'\u00A7'}) EXPECT_NE(wide.find(c), std::u16string::npos);
  EXPECT_EQ(qz::ConvertAgreementText(""), u"");
  EXPECT_EQ(qz::ConvertAgreementText("\x80\x81\x9F\xA0\xFF"), u"\u20AC\u0081\u0178\u00A0\u00FF");
}

}  // namespace
