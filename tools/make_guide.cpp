// Builds a user guide PDF from its Markdown source with an embedded CJK font:
//   make_guide SOURCE.md OUTPUT.pdf [PICTURE_DIR PREFIX LANG]
// A picture the source names, ![what it shows](main_filled.png), is taken from
// PICTURE_DIR/<PREFIX>main_filled_<LANG>.png, so one source serves the Linux
// pictures (PREFIX empty) and the Windows ones (PREFIX win_) in its language.
// A named picture that is not there fails the build: a guide never goes out
// with a hole where a window should be.
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

// The widest a picture is set, in the layout's pixels: the text width of an A4
// page with 18 mm margins at 96 pixels per inch.
constexpr double kMaxPictureWidth = 640;

struct Picture {
  int position, length;
  QTextImageFormat format;
};

// Loads every picture the document names and sets its size; false (with a
// message) when one is missing.
bool PlacePictures(QTextDocument& doc, const QString& dir, const QString& prefix, const QString& lang) {
  QList<Picture> found;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.isValid() && f.charFormat().isImageFormat())
        found.append({f.position(), f.length(), f.charFormat().toImageFormat()});
    }
  for (Picture& p : found) {
    const QString stem = QFileInfo(p.format.name()).completeBaseName();
    const QString path = dir + "/" + prefix + stem + "_" + lang + ".png";
    QImage image(path);
    if (image.isNull()) {
      std::fprintf(stderr, "make_guide: no picture %s for %s\n", qPrintable(path), qPrintable(p.format.name()));
      return false;
    }
    doc.addResource(QTextDocument::ImageResource, QUrl(p.format.name()), image);
    const double width = std::min<double>(image.width(), kMaxPictureWidth);
    p.format.setWidth(width);
    p.format.setHeight(width * image.height() / image.width());
    QTextCursor c(&doc);
    c.setPosition(p.position);
    c.setPosition(p.position + p.length, QTextCursor::KeepAnchor);
    c.setCharFormat(p.format);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 6) {
    std::fprintf(stderr, "usage: make_guide SOURCE.md OUTPUT.pdf [PICTURE_DIR PREFIX LANG]\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QFile in(argv[1]);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make_guide: cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument doc;
  QFont font;
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Sans"});
  font.setPointSize(10);
  doc.setDefaultFont(font);
  doc.setMarkdown(QString::fromUtf8(in.readAll()));
  if (argc == 6 && !PlacePictures(doc, argv[3], argv[4], argv[5])) return 1;
  QPdfWriter pdf(argv[2]);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
  pdf.setTitle(doc.toPlainText().section('\n', 0, 0));
  pdf.setCreator("Tolvane");
  doc.print(&pdf);
  return 0;
}
