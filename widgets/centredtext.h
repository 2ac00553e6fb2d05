#ifndef CENTREDTEXT_H
#define CENTREDTEXT_H

#include <QFont>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <memory>

class QPaintDevice;
class QPainter;

// Plain text centred in a box, as QPainter::drawText(box, Qt::AlignCenter, text) lays it
// out and draws it, but laid out once per text: shaping it again on every animation
// tick was a large part of a tick's cost. The pixels and the bounds are the same as
// drawText's and QFontMetricsF::boundingRect's.
class CentredTextCache
{
public:
    // What drawText(box, Qt::AlignCenter, text) draws with the painter's pen and font.
    void draw(QPainter *painter, const QRectF &box, const QString &text);
    // QFontMetricsF(font, device).boundingRect(box, Qt::AlignCenter, text).
    QRectF bounds(const QFont &font, const QPaintDevice *device, const QRectF &box,
                  const QString &text);
    void clear() { laidOut.clear(); }

private:
    struct Laid
    {
        QTextLayout layout;
        QVector<qreal> lineBottoms; // the height of the text down to each line's end
        QVector<qreal> widestUpTo;  // the widest line among the first n + 1
    };
    // The font as resolved for a device of that resolution.
    const Laid *find(const QFont &font, int dpi, Qt::LayoutDirection direction,
                     const QString &text);
    // Where the first lines of a layout stand when centred in the box.
    static QRectF centred(const QRectF &box, const Laid &laid, int lines);

    QHash<QString, std::shared_ptr<Laid>> laidOut;
    // The key's first part, for the font, resolution and direction last asked for.
    QFont keyFont;
    int keyDpi = 0;
    Qt::LayoutDirection keyDirection = Qt::LeftToRight;
    QString keyPrefix;
};

#endif // CENTREDTEXT_H
