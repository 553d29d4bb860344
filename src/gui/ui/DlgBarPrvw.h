// The preview bar docked in the main frame: shows the image chosen in the image-format list at its real
// size, up to 256 pixels, on a panel in the colours of the desktop's theme.
#pragma once

#include <QDockWidget>
#include <QImage>

class CZsBitmap;

// The panel inside the bar; it paints the frame and the image.
class CPrvwPane : public QWidget {
    Q_OBJECT
public:
    explicit CPrvwPane(QWidget* pParent = nullptr);

    void SetImage(const QImage& image);
    const QImage& Image() const { return mImage; }
    // The size the image is drawn at: its own, scaled to fit 256 keeping the aspect when larger.
    static QSize DrawSize(const QSize& size);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QImage mImage;
};

class CDlgBarPrvw : public QDockWidget {
    Q_OBJECT
public:
    explicit CDlgBarPrvw(QWidget* pParent = nullptr);

    // The image to show (the bar keeps its own copy); a null picture clears it.
    void SetPreviewImage(const CZsBitmap& bitmap);
    void ClearPreview();
    bool HasPreview() const { return !mpPane->Image().isNull(); }
    CPrvwPane* Pane() const { return mpPane; }

private:
    CPrvwPane* mpPane;
};
