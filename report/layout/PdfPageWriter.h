#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSizeF>
#include <QString>

#include <QMap>

#include "PageSink.h"
#include "PdfEmbeddedFonts.h"

class QIODevice;

namespace ink {

// Writes pages as a PDF file while they are laid out: each page goes to the
// device when it ends, and each bookmark as soon as its siblings and
// children are known, so that what waits for the end is one file offset per
// object, whatever the size of the report. Text is set in the standard Helvetica and Courier faces,
// which cost nothing to embed; characters beyond their code page are set in
// subsets of installed fonts, cut at the end to the glyphs the pages used.
// The page count must be known before the first page, because the contents
// links point to pages not yet written.
struct ShapedRun;

class PdfPageWriter : public PageSink {
public:
    struct Info {
        QString title;
        QString author;
        QString subject;
        QDateTime created;
    };
    PdfPageWriter(QIODevice& out, int pageCount, QSizeF pageSize, const Info& info);

    void beginPage(int pageNumber) override;
    void text(PageFont font, double size, QPointF baseline, const QString& text,
              double grey) override;
    void rule(QPointF from, QPointF to, double width, double grey) override;
    void link(const QRectF& area, int targetPage, double targetY) override;
    void outline(int level, const QString& title, int page, double y) override;
    void endPage() override;

    // Writes the page tree, the bookmarks and the cross-reference table.
    // False when the device refused a write (its errorString() says why);
    // UserError when the pages written are not the pages announced.
    bool finish();

private:
    // A bookmark that may still get children or a next sibling: the chain
    // from a unit down to the last bookmark written.
    struct OpenBookmark {
        int level = 0;
        int object = 0;
        int parent = 0;
        int previous = 0;
        int next = 0;
        int first = 0; // of its children
        int last = 0;
        int children = 0;
        QString title;
        int page = 0;
        float y = 0;
    };
    struct Link {
        QRectF area;
        int page;
        double y;
    };
    void closeBookmark(const OpenBookmark& mark);
    void writeOutlineRoot();
    void writePageTree();
    void writeInfo();
    void writeCrossReference();
    int pageObject(int page) const { return 9 + 2 * (page - 1); }
    QByteArray destination(int page, double y) const;
    void beginObject(int number);
    void write(const QByteArray& bytes);
    void flush();
    void endText();
    void beginText();
    void setFont(int font, const QByteArray& name, double size);
    void moveTo(double x, double y);
    void showText(PageFont font, double size, double x, double y, QStringView text);
    void showGlyphs(const ShapedRun& run, double size, double x, double y);
    void setGrey(double grey);

    QIODevice& out_;
    int pageCount_;
    QSizeF pageSize_;
    Info info_;
    qint64 offset_ = 0;
    bool failed_ = false;
    QByteArray pending_;    // written in large pieces
    QList<qint64> offsets_; // by object number
    int nextObject_;
    int currentPage_ = 0;
    int pagesWritten_ = 0;
    QByteArray content_;
    bool inText_ = false;
    int font_ = -1;
    double fontSize_ = -1;
    double grey_ = 0;
    QList<Link> links_;
    QList<OpenBookmark> openBookmarks_;
    OpenBookmark outlineRoot_; // its first and last child, and how many
    PdfEmbeddedFonts embedded_;
    QMap<QByteArray, int> pageFonts_; // embedded faces the page uses: name -> object
};

} // namespace ink
