#ifndef SHAPESPRITE_H
#define SHAPESPRITE_H

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRectF>
#include <QTransform>

#include <functional>

// One shape drawn once, alone, into an image that is then copied where the shape goes.
// For a single antialiased fill in one solid colour (the painter's opacity included)
// the copy has the very pixels that drawing the shape there has: the fill's coverage
// blended onto transparent, and that blended source-over onto the target, is the same
// arithmetic as the fill blended onto the target directly, and rasterising the shape
// a whole number of pixels away gives the same coverage. A stroke over a fill, shapes
// that overlap each other, and text do not have that property; they are drawn directly.
// Coordinates are those of a painter at one device pixel per unit, before its own
// translation by whole pixels.
class ShapeSprite
{
public:
    using Draw = std::function<void(QPainter *)>;

    ShapeSprite() = default;
    // draw: paints the shape, with 'where' as the painter's transform, inside 'bounds'
    // (in the coordinates that 'where' maps from).
    ShapeSprite(const QTransform &where, const QRectF &bounds, QPainter::RenderHints hints,
                const Draw &draw);

    // Onto a painter whose transform is a translation by whole pixels (or none).
    void paint(QPainter *painter) const;
    bool isNull() const { return image.isNull(); }
    // Where paint() puts the image.
    QRect area() const { return QRect(origin, image.size()); }
    qint64 bytes() const { return image.sizeInBytes(); }

    // Whether a painter with this transform and device pixel ratio gets the same pixels
    // from a copy as from drawing.
    static bool copiesExactly(const QTransform &painterTransform, qreal devicePixelRatio);

private:
    QImage image;
    QPoint origin;
};

#endif // SHAPESPRITE_H
