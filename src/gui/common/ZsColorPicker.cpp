#include "gui/common/ZsColorPicker.h"

#include <QColorDialog>
#include <QPainter>

CZsColorPicker::CZsColorPicker(QWidget* pParent) : QPushButton(pParent) {
    connect(this, &QPushButton::clicked, this, &CZsColorPicker::OnClicked);
}

void CZsColorPicker::SetColor(uint32_t nColor) {
    nColor &= 0x00FFFFFF;
    if (nColor == mnColor) {
        return;
    }
    mnColor = nColor;
    update();
    emit colorChanged(mnColor);
}

QColor CZsColorPicker::ToQColor(uint32_t nColor) {
    return QColor(static_cast<int>(nColor & 0xFF), static_cast<int>((nColor >> 8) & 0xFF),
                  static_cast<int>((nColor >> 16) & 0xFF));
}

uint32_t CZsColorPicker::FromQColor(const QColor& color) {
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
           (static_cast<uint32_t>(color.blue()) << 16);
}

QColor CZsColorPicker::SwatchColor() const {
    const QColor color = ToQColor(mnColor);
    if (isEnabled()) {
        return color;
    }
    // A disabled swatch keeps only a trace of its colour: its grey, mostly faded into the button.
    const QColor cFace = palette().color(QPalette::Disabled, QPalette::Button);
    const int nGrey = qGray(color.rgb());
    auto fade = [nGrey](int nFace) { return (nGrey + 3 * nFace) / 4; };
    return QColor(fade(cFace.red()), fade(cFace.green()), fade(cFace.blue()));
}

void CZsColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect rc = rect();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.fillRect(rc, SwatchColor());
    painter.setPen(palette().color(group, QPalette::Mid));
    painter.drawRect(rc.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rc.adjusted(2, 2, -3, -3));
    }
}

void CZsColorPicker::OnClicked() {
    // The dialog starts on black, as the system's colour dialog does here.
    const QColor chosen = QColorDialog::getColor(Qt::black, this);
    if (chosen.isValid()) {
        SetColor(FromQColor(chosen));
    }
}
