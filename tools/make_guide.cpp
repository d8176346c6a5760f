// Builds a user guide PDF from its Markdown source with an embedded CJK font.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_guide SOURCE.md OUTPUT.pdf\n");
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
  QPdfWriter pdf(argv[2]);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
  pdf.setTitle(doc.toPlainText().section('\n', 0, 0));
  pdf.setCreator("Tolvane");
  doc.print(&pdf);
  return 0;
}
