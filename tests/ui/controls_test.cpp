// The custom-drawn controls: their arithmetic, and a few painted pixels.
#include "ui/controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

const QColor kAccent(68, 114, 210);

QWidget* WhiteParent() {
  auto* w = new QWidget;
  w->setAutoFillBackground(true);
  QPalette p = w->palette();
  p.setColor(QPalette::Window, Qt::white);
  w->setPalette(p);
  w->resize(300, 100);
  return w;
}

TEST(ControlRules, ItemHeightTextCutAndDropCell) {
  EXPECT_EQ(ListItemHeight(100, 162), 32);
  EXPECT_EQ(ListItemHeight(405, 162), 48);  // 2.5 list widths
  EXPECT_EQ(ListItemHeight(324, 162), 32);  // exactly two widths: the 15 pixels are not taken off, not above 2L
  EXPECT_EQ(ListItemHeight(300, 162), 48);  // under two widths, against 147
  EXPECT_EQ(ListItemHeight(10 * 162, 162), 160);
  EXPECT_EQ(ListItemHeight(100 * 162, 162), 160);
  EXPECT_EQ(ClosedTextLength(162), 12);
  EXPECT_EQ(ClosedTextLength(13), 0);
  EXPECT_EQ(ClosedTextTop(24), 6);
  EXPECT_EQ(ClosedTextTop(22), 4);
  EXPECT_EQ(DropButtonCell(false, true, 1), 3);
  EXPECT_EQ(DropButtonCell(true, true, 1), 2);
  EXPECT_EQ(DropButtonCell(true, false, 1), 1);
  EXPECT_EQ(DropButtonCell(true, false, 2), 0);  // hovering elsewhere shows the normal cell
  EXPECT_EQ(DropButtonCell(true, false, 0), 0);
}

TEST(ControlRules, ButtonImagePositions) {
  EXPECT_EQ(ButtonImagePosition(45, 30, 41, 26, 0, 0, ImageAlign::Top, false), (Point{2, 2}));
  EXPECT_EQ(ButtonImagePosition(45, 30, 41, 26, 0, 0, ImageAlign::Top, true), (Point{3, 3}));
  EXPECT_EQ(ButtonImagePosition(100, 30, 20, 20, 40, 12, ImageAlign::Left, false), (Point{20, 5}));
  EXPECT_EQ(ButtonImagePosition(100, 30, 20, 20, 40, 12, ImageAlign::Right, false), (Point{60, 5}));
  EXPECT_EQ(ButtonImagePosition(100, 60, 20, 20, 40, 12, ImageAlign::Top, false), (Point{40, 14}));
}

TEST(CDrawEdit, FilterFrameAndNoBackgroundOfItsOwn) {
  std::unique_ptr<QWidget> parent(WhiteParent());
  auto* e = new CDrawEdit(parent.get());
  e->setGeometry(10, 10, 120, 24);
  parent->show();
  e->setFocus();
  QTest::keyClicks(e, "a");
  EXPECT_EQ(e->text(), "");
  QTest::keyClicks(e, "-12");
  EXPECT_EQ(e->text(), "-12");
  QApplication::clipboard()->setText("345");
  e->paste();  // what the context menu's Paste does
  EXPECT_EQ(e->text(), "-12345");
  e->clear();
  const QImage img = parent->grab().toImage();
  EXPECT_EQ(img.pixelColor(10, 10), kAccent);
  EXPECT_EQ(img.pixelColor(129, 33), kAccent);
  EXPECT_EQ(img.pixelColor(70, 22), QColor(Qt::white));
}

TEST(CDrawEdit, InputMethodPasteAndDropObeyTheFilter) {
  std::unique_ptr<QWidget> parent(WhiteParent());
  auto* e = new CDrawEdit(parent.get());
  e->setGeometry(10, 10, 120, 24);
  parent->show();
  QApplication::setActiveWindow(parent.get());
  e->setFocus();
  QInputMethodEvent ime;
  ime.setCommitString("1abc站号");
  QApplication::sendEvent(e, &ime);
  EXPECT_EQ(e->text(), "1");
  QApplication::clipboard()->setText("2x3");
  std::unique_ptr<QMenu> menu(e->createStandardContextMenu());
  QAction* paste = nullptr;
  for (QAction* a : menu->actions())
    if (a->text().startsWith("&Paste")) paste = a;
  ASSERT_NE(paste, nullptr);
  paste->trigger();
  EXPECT_EQ(e->text(), "123");
  QApplication::clipboard()->setText("-q");
  QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);  // the paste key that types no character
  EXPECT_EQ(e->text(), "123-");
  QMimeData mime;
  mime.setText("4y5");
  QDragEnterEvent enter(QPoint(110, 12), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(e, &enter);
  QDropEvent drop(QPointF(110, 12), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(e, &drop);
  EXPECT_EQ(e->text(), "123-45");
  // An address octet keeps only digits and nothing above 255, however they come.
  IpAddressEdit ip;
  QApplication::clipboard()->setText("-9");
  ip.octets()[1]->paste();
  EXPECT_EQ(ip.octets()[1]->text(), "9");
  QApplication::clipboard()->setText("99");
  ip.octets()[1]->paste();
  EXPECT_EQ(ip.octets()[1]->text(), "255");
  // The program's own texts in a read-only field are not filtered.
  e->setReadOnly(true);
  e->setText("KX-130");
  EXPECT_EQ(e->text(), "KX-130");
}

TEST(CDrawEdit, OneHintWithTheLastText) {
  CDrawEdit e;
  EXPECT_EQ(e.hint(), nullptr);
  e.SetHintText("first");
  e.SetHintText("second");
  e.SetHintText(QString());  // a null text is ignored
  EXPECT_EQ(e.findChildren<QLabel*>("hint").size(), 1);
  EXPECT_EQ(e.hint()->text(), "second");
  EXPECT_EQ(e.hint()->maximumWidth(), 400);
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), QPoint(100, 100));
  QApplication::sendEvent(&e, &help);
  EXPECT_TRUE(e.hint()->isVisible());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&e, &leave);
  EXPECT_FALSE(e.hint()->isVisible());
}

class CButtonSTTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QPixmap pm(20, 10);
    pm.fill(CButtonST::TransparentColour());
    QPainter p(&pm);
    p.fillRect(10, 0, 10, 10, QColor(200, 30, 30));
    p.end();
    button.resize(24, 14);
    QPalette pal = button.palette();
    pal.setColor(QPalette::Button, QColor(250, 250, 250));
    button.setPalette(pal);
    button.SetImages(pm, pm);
    button.show();
  }
  QColor At(int x, int y) { return button.grab().toImage().pixelColor(x, y); }
  CButtonST button;
};

TEST_F(CButtonSTTest, TheMaskColourIsNotDrawnAndTheImageIs) {
  // The image sits at (2, 2): its left half is the mask colour.
  EXPECT_EQ(At(5, 6), QColor(250, 250, 250));
  EXPECT_EQ(At(16, 6), QColor(200, 30, 30));
  EXPECT_FALSE(button.isFlat() == false);
}

TEST_F(CButtonSTTest, AClickTakesTheFocusAndNoFocusFrameIsDrawn) {
  QApplication::setActiveWindow(&button);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(button.hasFocus());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  const QImage focused = button.grab().toImage();
  button.clearFocus();
  EXPECT_EQ(focused, button.grab().toImage());
}

TEST_F(CButtonSTTest, DisabledImageIsGrey) {
  button.setEnabled(false);
  const QColor c = At(16, 6);
  EXPECT_EQ(c.red(), c.green());
  EXPECT_EQ(c.green(), c.blue());
  EXPECT_EQ(At(5, 6), QColor(250, 250, 250));
}

TEST_F(CButtonSTTest, PressedShiftsTheImageAndHoverRaisesAnEdge) {
  EXPECT_EQ(At(12, 2), QColor(200, 30, 30));
  button.setDown(true);
  EXPECT_NE(At(12, 2), QColor(200, 30, 30));  // moved one pixel down and right
  EXPECT_EQ(At(13, 3), QColor(200, 30, 30));
  EXPECT_EQ(At(5, 0).rgb(), button.palette().color(QPalette::Dark).rgb());  // sunken: shadow on top
  button.setDown(false);
  QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
  QApplication::sendEvent(&button, &enter);
  EXPECT_TRUE(button.pointerOver());
  EXPECT_EQ(At(5, 0).rgb(), button.palette().color(QPalette::Light).rgb());  // raised: highlight on top
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_FALSE(button.pointerOver());
  EXPECT_EQ(At(5, 0), QColor(250, 250, 250));  // flat again
}

TEST(CWEComboBox, ClosedLookTextCutAndItems) {
  CWEComboBox box;
  box.resize(162, 24);
  box.addItem("A list entry that is much too long to show");
  box.show();
  EXPECT_EQ(box.closedText(), "A list entry");
  EXPECT_EQ(box.closedText().size(), 12);
  const QImage img = box.grab().toImage();
  EXPECT_EQ(img.pixelColor(0, 0), QColor(195, 215, 220));
  EXPECT_EQ(img.pixelColor(100, 2), QColor(240, 250, 255));
  const QPixmap strip = CWEComboBox::DropStrip();
  EXPECT_EQ(strip.size(), QSize(64, 24));

  // Items: white or the accent when selected, 32 pixels for a short text.
  QStyleOptionViewItem option;
  option.rect = QRect(0, 0, 162, 32);
  option.widget = &box;
  option.fontMetrics = box.fontMetrics();
  const QModelIndex index = box.model()->index(0, 0);
  QImage item(162, 32, QImage::Format_ARGB32);
  QPainter p(&item);
  option.state = QStyle::State_Selected;
  box.itemDelegate()->paint(&p, option, index);
  EXPECT_EQ(item.pixelColor(160, 30), kAccent);
  option.state = QStyle::State_None;
  box.itemDelegate()->paint(&p, option, index);
  EXPECT_EQ(item.pixelColor(160, 30), QColor(Qt::white));
  p.end();
  box.addItem("short");
  EXPECT_EQ(box.itemDelegate()->sizeHint(option, box.model()->index(1, 0)).height(), 32);
}

TEST(CWEComboBox, HoverStateFollowsThePointer) {
  CWEComboBox box;
  box.resize(162, 24);
  box.show();
  QTest::mouseMove(&box, QPoint(155, 12));
  EXPECT_EQ(box.hoverState(), 1);
  QTest::mouseMove(&box, QPoint(20, 12));
  EXPECT_EQ(box.hoverState(), 2);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&box, &leave);
  EXPECT_EQ(box.hoverState(), 0);
}

}  // namespace
}  // namespace tolvane
