#include "shapesprite.h"

#include <QPainter>

#include <cmath>

namespace {
// Antialiasing reaches a pixel beyond a shape's box; one more for rounding.
constexpr int kEdgeMargin = 2;
} // namespace

ShapeSprite::ShapeSprite(const QTransform &where, const QRectF &bounds, QPainter::RenderHints hints,
                         const Draw &draw)
{
    const QRect box = where.mapRect(bounds).toAlignedRect().adjusted(-kEdgeMargin, -kEdgeMargin,
                                                                     kEdgeMargin, kEdgeMargin);
    if (box.isEmpty())
        return;
    image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.fill(Qt::transparent);
    origin = box.topLeft();

    {
        QPainter painter(&image);
        painter.setRenderHints(hints);
        painter.setWorldTransform(where * QTransform::fromTranslate(-origin.x(), -origin.y()));
        draw(&painter);
    }
    // An image keeps the paint engine it was drawn with, and its buffers, for as long as
    // it lives; a copy holds the pixels alone.
    image = image.copy();
}

void ShapeSprite::paint(QPainter *painter) const
{
    if (!image.isNull())
        painter->drawImage(origin, image);
}

bool ShapeSprite::copiesExactly(const QTransform &painterTransform, qreal devicePixelRatio)
{
    const auto whole = [](qreal v) { return v == std::floor(v) && std::abs(v) < 1.0e6; };
    return devicePixelRatio == 1.0 && painterTransform.type() <= QTransform::TxTranslate &&
           whole(painterTransform.dx()) && whole(painterTransform.dy());
}
