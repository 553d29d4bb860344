// Draws the pictures that ship beside the program: the toolbar strips, the program icon and the about
// picture. Run at build time: pictavo-imagegen OUTPUT_FOLDER [BUTTON_SIZE]; the strips are drawn at the
// button size and at twice it.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Every glyph is drawn on a 16 x 16 grid; the painter scales it to the button size.
using Glyph = std::function<void(QPainter&)>;

const QColor kInk(0x33, 0x3d, 0x4a);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kFolder(0xf2, 0xc1, 0x4e);
const QColor kFolderDark(0xc8, 0x93, 0x1e);
const QColor kBlue(0x2f, 0x6f, 0xd0);
const QColor kGreen(0x2e, 0x9e, 0x4f);
const QColor kRed(0xd0, 0x3b, 0x3b);
const QColor kPurple(0x7a, 0x4f, 0xc9);

QPen Pen(const QColor& c, double w = 1.0) {
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void Page(QPainter& p, const QRectF& r) {
    QPainterPath path;
    const double fold = 3.5;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Pen(kInk));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Folder(QPainter& p, const QRectF& r) {
    QPainterPath tab;
    tab.moveTo(r.left(), r.top() + 2);
    tab.lineTo(r.left(), r.top());
    tab.lineTo(r.left() + r.width() * 0.4, r.top());
    tab.lineTo(r.left() + r.width() * 0.5, r.top() + 2);
    p.setPen(Pen(kFolderDark));
    p.setBrush(kFolder.darker(110));
    p.drawPath(tab);
    p.setBrush(kFolder);
    p.drawRoundedRect(QRectF(r.left(), r.top() + 2, r.width(), r.height() - 2), 1, 1);
}

// A small badge in a corner: a plus sign on a green disc.
void PlusBadge(QPainter& p, const QPointF& c) {
    p.setPen(Pen(Qt::white, 0.8));
    p.setBrush(kGreen);
    p.drawEllipse(c, 3.6, 3.6);
    p.setPen(Pen(Qt::white, 1.4));
    p.drawLine(QPointF(c.x() - 2, c.y()), QPointF(c.x() + 2, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 2), QPointF(c.x(), c.y() + 2));
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& c) {
    p.setPen(Pen(c, 1.8));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * 1.2 << to - d * 2.4 + n * 2.6 << to - d * 2.4 - n * 2.6;
    p.setPen(Pen(c, 0.8));
    p.setBrush(c);
    p.drawPolygon(head);
}

// A small framed picture: the program's subject.
void Picture(QPainter& p, const QRectF& r, const QColor& sky) {
    p.setPen(Pen(kInk));
    p.setBrush(sky);
    p.drawRoundedRect(r, 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x66));
    p.drawEllipse(QPointF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.32), r.width() * 0.12,
                  r.width() * 0.12);
    QPolygonF hill;
    hill << QPointF(r.left() + 0.5, r.bottom() - 0.5)
         << QPointF(r.left() + r.width() * 0.45, r.top() + r.height() * 0.45)
         << QPointF(r.left() + r.width() * 0.7, r.top() + r.height() * 0.7)
         << QPointF(r.right() - r.width() * 0.2, r.top() + r.height() * 0.55)
         << QPointF(r.right() - 0.5, r.bottom() - 0.5);
    p.setBrush(kGreen);
    p.drawPolygon(hill);
}

void Disk(QPainter& p, const QRectF& r) {
    p.setPen(Pen(kInk));
    p.setBrush(kBlue);
    p.drawRoundedRect(r, 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + 2.5, r.top() + 0.5, r.width() - 5, r.height() * 0.38));
    p.setBrush(QColor(0xd8, 0xde, 0xe8));
    p.drawRect(
        QRectF(r.left() + 3.5, r.bottom() - r.height() * 0.36, r.width() - 7, r.height() * 0.36 - 0.5));
}

void Clipboard(QPainter& p) {
    p.setPen(Pen(kInk));
    p.setBrush(QColor(0xb9, 0x85, 0x4d));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 12.5), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 4.5, 7, 9));
    p.setBrush(QColor(0x9a, 0xa3, 0xae));
    p.drawRoundedRect(QRectF(5.5, 1.5, 5, 2.5), 0.8, 0.8);
}

void Magnifier(QPainter& p, const QPointF& c, double rad) {
    p.setPen(Pen(kInk, 1.6));
    p.drawLine(c + QPointF(rad * 0.7, rad * 0.7), c + QPointF(rad * 1.9, rad * 1.9));
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(QColor(0xcf, 0xe6, 0xff));
    p.drawEllipse(c, rad, rad);
}

void Cross(QPainter& p, const QPointF& c, double r, const QColor& color, double w) {
    p.setPen(Pen(color, w));
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
}

// A square showing a display size: the filled part grows with the size.
Glyph SizeGlyph(double fraction, const char* pszLabel) {
    return [fraction, pszLabel](QPainter& p) {
        p.setPen(Pen(kInk.lighter(180), 0.8));
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        const double side = 13 * fraction;
        p.setPen(Pen(kBlue.darker(120), 0.8));
        p.setBrush(kBlue.lighter(150));
        p.drawRect(QRectF(1.5, 14.5 - side, side, side));
        QFont font = p.font();
        font.setPixelSize(6);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kInk);
        p.drawText(QRectF(1, 1, 14, 7), Qt::AlignRight | Qt::AlignTop, QString::fromLatin1(pszLabel));
    };
}

Glyph NewCategory(int nWhere) {
    return [nWhere](QPainter& p) {
        Folder(p, QRectF(1.5, 3.5, 11, 9));
        if (nWhere == 0) {
            PlusBadge(p, QPointF(12, 12));
        } else {
            Arrow(p, QPointF(13, nWhere < 0 ? 8 : 5), QPointF(13, nWhere < 0 ? 2 : 12), kGreen);
        }
    };
}

std::vector<Glyph> MainFrameGlyphs() {
    return {
        // New Library
        [](QPainter& p) {
            Page(p, QRectF(2.5, 1.5, 10, 13));
            Picture(p, QRectF(4, 6, 7, 5), QColor(0xbf, 0xdc, 0xff));
            PlusBadge(p, QPointF(12, 12));
        },
        // Open
        [](QPainter& p) {
            Folder(p, QRectF(1.5, 3.5, 12, 10));
            Arrow(p, QPointF(8, 11), QPointF(8, 5.5), kBlue);
        },
        // Save All
        [](QPainter& p) {
            Disk(p, QRectF(4.5, 1.5, 10, 10));
            Disk(p, QRectF(1.5, 4.5, 10, 10));
        },
        // Preview
        [](QPainter& p) {
            p.setPen(Pen(kInk));
            p.setBrush(QColor(0xe8, 0xe8, 0xe8));
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            Picture(p, QRectF(3.5, 3.5, 9, 9), QColor(0xbf, 0xdc, 0xff));
        },
        // Options
        [](QPainter& p) {
            p.setPen(Pen(kInk, 1.2));
            for (double y : {4.0, 8.0, 12.0}) {
                p.drawLine(QPointF(2, y), QPointF(14, y));
            }
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(9, 2.2, 3, 3.6), 0.8, 0.8);
            p.drawRoundedRect(QRectF(4, 6.2, 3, 3.6), 0.8, 0.8);
            p.drawRoundedRect(QRectF(10, 10.2, 3, 3.6), 0.8, 0.8);
        },
        // Help Topics
        [](QPainter& p) {
            p.setPen(Pen(kBlue.darker(130)));
            p.setBrush(kBlue);
            p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
            QFont font = p.font();
            font.setPixelSize(11);
            font.setBold(true);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
        },
        // About
        [](QPainter& p) {
            Picture(p, QRectF(1.5, 2.5, 13, 11), QColor(0xbf, 0xdc, 0xff));
            p.setPen(Pen(Qt::white, 0.8));
            p.setBrush(kPurple);
            p.drawEllipse(QPointF(11.5, 11.5), 4, 4);
            p.setPen(Pen(Qt::white, 1.3));
            p.drawLine(QPointF(11.5, 11), QPointF(11.5, 13.6));
            p.drawPoint(QPointF(11.5, 9.3));
        },
    };
}

std::vector<Glyph> LibraryGlyphs() {
    return {
        // Save
        [](QPainter& p) { Disk(p, QRectF(1.5, 1.5, 13, 13)); },
        NewCategory(0),
        NewCategory(-1),
        NewCategory(1),
        // Import Icons
        [](QPainter& p) {
            Picture(p, QRectF(5.5, 5.5, 9, 9), QColor(0xbf, 0xdc, 0xff));
            Arrow(p, QPointF(1.5, 1.5), QPointF(6.5, 6.5), kGreen);
        },
        // Export Icons
        [](QPainter& p) {
            Picture(p, QRectF(1.5, 5.5, 9, 9), QColor(0xbf, 0xdc, 0xff));
            Arrow(p, QPointF(8.5, 7.5), QPointF(13.5, 2.5), kBlue);
        },
        // Edit with Associated Program
        [](QPainter& p) {
            Picture(p, QRectF(1.5, 1.5, 10, 10), QColor(0xbf, 0xdc, 0xff));
            p.setPen(Pen(kInk, 0.8));
            p.setBrush(QColor(0xf5, 0xa6, 0x23));
            QPolygonF pencil;
            pencil << QPointF(14.5, 6.5) << QPointF(8, 13) << QPointF(6, 14.5) << QPointF(6.8, 12.2)
                   << QPointF(13.2, 5.2);
            p.drawPolygon(pencil);
        },
        // Properties
        [](QPainter& p) {
            Page(p, QRectF(2.5, 1.5, 11, 13));
            p.setPen(Pen(kInk.lighter(150), 1.0));
            for (double y : {5.5, 8.0, 10.5}) {
                p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
            }
        },
        // Cut
        [](QPainter& p) {
            p.setPen(Pen(kInk, 1.2));
            p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10));
            p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10));
            p.setBrush(Qt::NoBrush);
            p.setPen(Pen(kRed, 1.3));
            p.drawEllipse(QPointF(4.5, 12), 2.3, 2.3);
            p.drawEllipse(QPointF(11.5, 12), 2.3, 2.3);
        },
        // Copy
        [](QPainter& p) {
            Page(p, QRectF(1.5, 1.5, 8, 10));
            Page(p, QRectF(6.5, 4.5, 8, 10));
        },
        // Paste
        [](QPainter& p) {
            Clipboard(p);
            Page(p, QRectF(7.5, 7.5, 7, 7.5));
        },
        // Delete
        [](QPainter& p) { Cross(p, QPointF(8, 8), 4.5, kRed, 2.4); },
        // Select All
        [](QPainter& p) {
            p.setPen(Pen(kBlue.darker(120), 0.8));
            p.setBrush(kBlue.lighter(150));
            for (double y : {1.5, 8.5}) {
                for (double x : {1.5, 8.5}) {
                    p.drawRect(QRectF(x, y, 6, 6));
                }
            }
        },
        // Invert Selection
        [](QPainter& p) {
            for (int i = 0; i < 4; ++i) {
                const double x = (i % 2) ? 8.5 : 1.5;
                const double y = (i / 2) ? 8.5 : 1.5;
                const bool bOn = (i == 0 || i == 3);
                p.setPen(Pen(bOn ? kBlue.darker(120) : kInk.lighter(180), 0.8));
                p.setBrush(bOn ? kBlue.lighter(150) : kPaper);
                p.drawRect(QRectF(x, y, 6, 6));
            }
        },
        // Find Icons
        [](QPainter& p) { Magnifier(p, QPointF(6.5, 6.5), 4.5); },
        // New Images
        [](QPainter& p) {
            Picture(p, QRectF(1.5, 1.5, 11, 11), QColor(0xff, 0xd9, 0xe8));
            PlusBadge(p, QPointF(12, 12));
        },
        // Export Images
        [](QPainter& p) {
            Picture(p, QRectF(1.5, 4.5, 10, 10), QColor(0xff, 0xd9, 0xe8));
            Arrow(p, QPointF(9.5, 6.5), QPointF(14, 2), kBlue);
        },
        SizeGlyph(0.35, "16"),
        SizeGlyph(0.5, "32"),
        SizeGlyph(0.65, "48"),
        SizeGlyph(0.82, "128"),
        SizeGlyph(1.0, "256"),
        // Display Icon Info
        [](QPainter& p) {
            Picture(p, QRectF(3.5, 1.5, 9, 8), QColor(0xbf, 0xdc, 0xff));
            p.setPen(Pen(kInk, 1.2));
            p.drawLine(QPointF(2.5, 12), QPointF(13.5, 12));
            p.setPen(Pen(kInk.lighter(170), 1.0));
            p.drawLine(QPointF(4.5, 14.5), QPointF(11.5, 14.5));
        },
    };
}

// The category tree: 0 "My Icons", 1 an open category, 2 a category, 3 "Find Results".
std::vector<Glyph> TreeGlyphs() {
    return {
        [](QPainter& p) {
            p.setPen(Pen(kInk, 0.8));
            p.setBrush(kPurple.lighter(160));
            p.drawRoundedRect(QRectF(5.5, 1.5, 9, 9), 1, 1);
            Picture(p, QRectF(1.5, 5.5, 10, 9), QColor(0xbf, 0xdc, 0xff));
        },
        [](QPainter& p) {
            Folder(p, QRectF(1.5, 3.5, 13, 10));
            p.setPen(Pen(kFolderDark));
            p.setBrush(kFolder.lighter(115));
            QPolygonF front;
            front << QPointF(3.5, 7.5) << QPointF(15, 7.5) << QPointF(13, 13.5) << QPointF(1.5, 13.5);
            p.drawPolygon(front);
        },
        [](QPainter& p) { Folder(p, QRectF(1.5, 3.5, 13, 10)); },
        [](QPainter& p) {
            Folder(p, QRectF(1.5, 3.5, 11, 9));
            Magnifier(p, QPointF(10, 9.5), 3.2);
        },
    };
}

QImage Strip(const std::vector<Glyph>& glyphs, int nSize) {
    QImage image(nSize * static_cast<int>(glyphs.size()), nSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        p.save();
        p.translate(static_cast<double>(i) * nSize, 0);
        p.scale(nSize / 16.0, nSize / 16.0);
        glyphs[i](p);
        p.restore();
    }
    return image;
}

// The program icon: a stack of framed pictures.
QImage AppIcon(int nSize) {
    QImage image(nSize, nSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(nSize / 16.0, nSize / 16.0);
    p.setPen(Pen(kInk, 0.5));
    p.setBrush(kPurple.lighter(160));
    p.drawRoundedRect(QRectF(4, 1, 11, 11), 1.5, 1.5);
    p.setBrush(kBlue.lighter(160));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
    Picture(p, QRectF(1, 4, 11, 11), QColor(0xbf, 0xdc, 0xff));
    return image;
}

QImage AboutPicture() {
    QImage image(120, 150, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, 150);
    gradient.setColorAt(0, QColor(0x3a, 0x5b, 0xa8));
    gradient.setColorAt(1, QColor(0x7a, 0x4f, 0xc9));
    p.fillRect(image.rect(), gradient);
    p.drawImage(QPoint(12, 20), AppIcon(96));
    return image;
}

bool Save(const QImage& image, const QString& sPath, const char* pszFormat) {
    if (!image.save(sPath, pszFormat)) {
        std::fprintf(stderr, "pictavo-imagegen: cannot write %s\n", sPath.toLocal8Bit().constData());
        return false;
    }
    return true;
}

// The program icon at the sizes desktops look for, as an icon theme folder: "<size>x<size>/apps/pictavo.png",
// and the same picture for the library file type under "mimetypes".
bool SaveThemeIcons(const QString& sDir) {
    bool bOk = true;
    for (int nSize : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString sSizeDir = sDir + QStringLiteral("/%1x%1").arg(nSize);
        const QImage icon = AppIcon(nSize);
        for (const QString& sPath :
             {sSizeDir + QStringLiteral("/apps/pictavo.png"),
              sSizeDir + QStringLiteral("/mimetypes/application-x-pictavo-library.png")}) {
            bOk = QDir().mkpath(QFileInfo(sPath).path()) && Save(icon, sPath, "PNG") && bOk;
        }
    }
    return bOk;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--theme-icons") == 0) {
        return SaveThemeIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: pictavo-imagegen OUTPUT_FOLDER [BUTTON_SIZE]\n"
                     "       pictavo-imagegen --theme-icons THEME_FOLDER\n");
        return 2;
    }
    const QString sDir = QString::fromLocal8Bit(argv[1]);
    const int nSize = argc > 2 ? std::atoi(argv[2]) : 16;
    if (nSize < 8 || nSize > 128) {
        std::fprintf(stderr, "pictavo-imagegen: button size must be 8 to 128\n");
        return 2;
    }
    // Each strip also at twice the size, "NAME@2x.png", for screens of two pixels a unit.
    bool bOk = true;
    for (const auto& [sName, glyphs] : {std::pair{QStringLiteral("IDR_MAINFRAME"), MainFrameGlyphs()},
                                        std::pair{QStringLiteral("IDR_TB_ZIL"), LibraryGlyphs()},
                                        std::pair{QStringLiteral("IDR_TREE"), TreeGlyphs()}}) {
        bOk = Save(Strip(glyphs, nSize), sDir + QLatin1Char('/') + sName + QStringLiteral(".png"), "PNG") &&
              bOk;
        bOk = Save(Strip(glyphs, 2 * nSize), sDir + QLatin1Char('/') + sName + QStringLiteral("@2x.png"),
                   "PNG") &&
              bOk;
    }
    bOk = Save(AppIcon(256), sDir + QStringLiteral("/pictavo.png"), "PNG") && bOk;
    bOk = Save(AboutPicture(), sDir + QStringLiteral("/innoimg.bmp"), "BMP") && bOk;
    return bOk ? 0 : 1;
}
