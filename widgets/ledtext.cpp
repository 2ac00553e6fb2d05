#include "ledtext.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>

LedText::LedText(QWidget *parent)
    : QWidget(parent), text(QStringLiteral("123456789")), step(5), foreground(100, 184, 255),
      background(22, 22, 22)
{
}

QSize LedText::sizeHint() const
{
    return QSize(200, 80);
}

QSize LedText::minimumSizeHint() const
{
    return QSize(20, 10);
}

void LedText::setText(QString text)
{
    if (text != this->text) {
        this->text = text;
        update();
    }
}

void LedText::setStep(int step)
{
    if (step != this->step) {
        this->step = step;
        update();
    }
}

void LedText::setForeground(QColor foreground)
{
    if (foreground != this->foreground) {
        this->foreground = foreground;
        update();
    }
}

void LedText::setBackground(QColor background)
{
    if (background != this->background) {
        this->background = background;
        update();
    }
}

void LedText::paintEvent(QPaintEvent *)
{
    const QString family = font().family();
    const int pointSize = font().pointSize();

    QPixmap pixmap(width(), height());
    if (pixmap.isNull()) {
        // Zero-sized, or too large to allocate: nothing can be shown.
        return;
    }
    pixmap.fill(QColor(0, 0, 0));
    QPainter dots(&pixmap);
    const QFont dotFont(family, pointSize / 2);
    dots.setFont(dotFont);

    QImage mask(kMaskColumns, kMaskRows, QImage::Format_MonoLSB);
    // A one-bit image keeps the lowest bit of the fill value: every pixel starts
    // as 1 (not covered).
    mask.fill(QColor(Qt::white).rgb());
    QPainter maskPainter(&mask);
    maskPainter.setFont(QFont(family, pointSize));
    maskPainter.drawText(mask.rect(), Qt::AlignLeft | Qt::AlignVCenter, text);
    maskPainter.end();

    // Dots whose glyph cannot reach the pixmap are skipped: the picture is the same,
    // and positions stay in 64 bits so no step can overflow them.
    const QFontMetrics dotMetrics(dotFont);
    const qint64 reach = dotMetrics.height() + dotMetrics.maxWidth() + 2;
    const qint64 pixmapWidth = pixmap.width();
    const qint64 pixmapHeight = pixmap.height();
    const QString dot = QStringLiteral("●");
    const int bytesPerRow = kMaskColumns / 8;

    qint64 y = step;
    for (int row = 0; row < kMaskRows; ++row) {
        const uchar *line = mask.constScanLine(row);
        const bool rowVisible = y > -reach && y < pixmapHeight + reach;
        qint64 x = 0;
        for (int byte = 0; byte < bytesPerRow; ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                if (rowVisible && x > -reach && x < pixmapWidth + reach) {
                    const bool covered = ((line[byte] >> bit) & 1) == 0;
                    dots.setPen(covered ? foreground : background);
                    dots.drawText(static_cast<int>(x), static_cast<int>(y), dot);
                }
                x += step;
            }
        }
        y += step;
    }
    dots.end();

    QPainter widgetPainter(this);
    widgetPainter.drawPixmap(rect(), pixmap);
}
