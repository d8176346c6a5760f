// Every text of the small dialogs fits the widget that shows it, in both
// languages, at the resolution of the run: the suite runs these at 96 pixels per
// inch and again at 144 (QT_FONT_DPI=144 without scaling, as a screen of that
// resolution shows an application that lays out in pixels).
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include "core/language.h"
#include "support/recorders.h"
#include "ui/about_dlg.h"
#include "ui/com_set_dlg.h"
#include "ui/controls.h"
#include "ui/images.h"

namespace tolvane {
namespace {

class Looks : public ::testing::Test {
 protected:
  void SetUp() override {
    const int dpi = qEnvironmentVariableIntValue("QT_FONT_DPI");
    if (dpi > 0) {
      ASSERT_EQ(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()), dpi);
    }
  }
  void TearDown() override { SetUiLanguage(1); }
  test::MessageRecorder rec;
};

int Advance(const QWidget* w, const QString& text) { return w->fontMetrics().horizontalAdvance(text); }

void ExpectLabelFits(const QLabel* l) {
  EXPECT_LE(Advance(l, l->text()), l->contentsRect().width()) << l->text().toStdString();
  EXPECT_LE(l->fontMetrics().height(), l->contentsRect().height()) << l->text().toStdString();
}

void ExpectButtonFits(const QPushButton* b, const QString& text) {
  EXPECT_LE(Advance(b, text) + 6, b->width()) << text.toStdString();
  EXPECT_LE(b->fontMetrics().height() + 4, b->height()) << text.toStdString();
}

TEST_F(Looks, SettingsDialogTextsFitInBothLanguages) {
  const std::string longPath = "/dev/serial/by-id/usb-Silicon_Labs_CP2102_UART_Bridge_0001-if00-port";
  for (int language : {0, 1}) {
    SetUiLanguage(language);
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [&] {
      return std::vector<std::string>{longPath + "0", longPath + "1", "ttyS0"};
    });
    for (QLabel* l : dlg.findChildren<QLabel*>()) ExpectLabelFits(l);
    for (QGroupBox* g : dlg.findChildren<QGroupBox*>()) EXPECT_LE(Advance(g, g->title()) + 20, g->width());
    for (QPushButton* b : {dlg.okButton(), dlg.cancelButton(), dlg.linkButton()}) ExpectButtonFits(b, b->text());
    ExpectButtonFits(dlg.autoLinkButton(), Pick(txt::kAutoLink));
    ExpectButtonFits(dlg.autoLinkButton(), Pick(txt::kStop));
    // Every entry of the fixed lists shows whole when closed.
    for (int l = 0; l < kListCount; ++l) {
      if (l == kListPort) continue;
      auto* box = static_cast<PopupComboBox*>(dlg.list(static_cast<ComList>(l)));
      for (int i = 0; i < box->count(); ++i)
        EXPECT_LE(Advance(box, box->itemText(i)), box->textRoom()) << box->itemText(i).toStdString();
    }
    // A long port path is shortened in the middle: its end tells the ports apart,
    // and the whole path is the tooltip.
    auto* ports = static_cast<PopupComboBox*>(dlg.list(kListPort));
    QStringList shown;
    for (int i : {0, 1, 2}) {
      ports->setCurrentIndex(i);
      emit ports->activated(i);
      shown << ports->shownText();
      EXPECT_LE(Advance(ports, shown.back()), ports->textRoom());
      EXPECT_EQ(shown.back().right(1), ports->currentText().right(1)) << shown.back().toStdString();
      EXPECT_EQ(ports->toolTip(), ports->currentText());
    }
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_EQ(shown[2], "ttyS0");
    // Every status in one line.
    const QLineEdit* status = dlg.statusLine();
    for (const TextPair& text : StatusTexts()) {
      const QMargins m = status->textMargins();
      EXPECT_LE(Advance(status, Pick(text)), status->width() - m.left() - m.right() - 4) << Pick(text);
    }
  }
}

TEST_F(Looks, AboutLinesFitInBothLanguages) {
  for (int language : {0, 1}) {
    SetUiLanguage(language);
    CAboutDlg about(nullptr);
    for (int i = 1; i <= 4; ++i) {
      const QLabel* line = about.findChild<QLabel*>(QString("line%1").arg(i));
      ASSERT_NE(line, nullptr);
      ExpectLabelFits(line);
      EXPECT_LE(line->geometry().right(), about.width());
    }
    const QPushButton* ok = about.findChild<QPushButton*>();
    ExpectButtonFits(ok, ok->text());
  }
}

TEST_F(Looks, RangeHintsStayOnOneLine) {
  for (const TextPair& hint : {txt::kHintStation, txt::kHintStopAddr, txt::kHintStopCode}) {
    for (const char* text : {hint.zh, hint.en}) {
      CDrawEdit edit;
      edit.SetHintText(QString::fromUtf8(text));
      const QLabel* h = edit.hint();
      EXPECT_FALSE(h->wordWrap()) << text;
      EXPECT_LE(Advance(h, h->text()), h->contentsRect().width()) << text;
      EXPECT_LE(h->width(), kHintMaxWidth);
    }
  }
  // A hint wider than the maximum breaks into lines within it.
  CDrawEdit edit;
  edit.SetHintText(QString("Set range ").repeated(20));
  EXPECT_TRUE(edit.hint()->wordWrap());
  EXPECT_EQ(edit.hint()->width(), kHintMaxWidth);
  EXPECT_GT(edit.hint()->height(), 2 * edit.hint()->fontMetrics().height());
}

// An anti-aliased edge drawn on the key colour keeps a blend of it, which the
// exact-colour mask lets through as a green fringe.
TEST_F(Looks, ButtonImagesKeepNoKeyColourFringe) {
  for (int dpi : {96, 144}) {
    const QSize size = ToQSize(ButtonImageSize(dpi));
    for (const QPixmap& image : {UploadImage(size), DownloadImage(size)}) {
      CButtonST button;
      QPalette pal = button.palette();
      pal.setColor(QPalette::Button, QColor(240, 240, 240));
      button.setPalette(pal);
      button.resize(size + QSize(4, 4));
      button.SetImages(image, image);
      const QImage shot = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
      int nearGreen = 0, drawn = 0;
      for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
          const QColor c = shot.pixelColor(x, y);
          if (c.green() - std::max(c.red(), c.blue()) > 120) ++nearGreen;
          if (c != QColor(240, 240, 240)) ++drawn;
        }
      }
      EXPECT_EQ(nearGreen, 0) << dpi;
      EXPECT_GT(drawn, size.width() * size.height() / 3) << dpi;  // the image itself is there
    }
  }
}

}  // namespace
}  // namespace tolvane
