// A button that shows a colour and lets the user choose another one with the colour dialog; disabled, it
// shows the colour faded, as disabled controls look.
#pragma once

#include <QPushButton>
#include <cstdint>

class CZsColorPicker : public QPushButton {
    Q_OBJECT
public:
    explicit CZsColorPicker(QWidget* pParent = nullptr);

    // The colour as 0x00BBGGRR, the form in which it is stored in the settings.
    uint32_t GetColor() const { return mnColor; }
    void SetColor(uint32_t nColor);

    // The colour the button shows: the chosen one, or a faded grey of it while the button is disabled.
    QColor SwatchColor() const;

    static QColor ToQColor(uint32_t nColor);
    static uint32_t FromQColor(const QColor& color);

signals:
    void colorChanged(uint32_t nColor);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void OnClicked();

    uint32_t mnColor = 0;
};
