#include "chrome.h"

namespace {

bool within(int value, int low, int high)
{
    return low <= value && value <= high;
}

} // namespace

EdgeRegion edgeRegionAt(const QPoint &cursor, const QPoint &topLeft, const QPoint &bottomRight)
{
    const bool left = within(cursor.x(), topLeft.x(), topLeft.x() + kEdgeBandWidth);
    const bool right = within(cursor.x(), bottomRight.x() - kEdgeBandWidth, bottomRight.x());
    const bool top = within(cursor.y(), topLeft.y(), topLeft.y() + kEdgeBandWidth);
    const bool bottom = within(cursor.y(), bottomRight.y() - kEdgeBandWidth, bottomRight.y());

    if (left && top)
        return EdgeTopLeft;
    if (right && bottom)
        return EdgeBottomRight;
    if (left && bottom)
        return EdgeBottomLeft;
    if (right && top)
        return EdgeTopRight;
    if (left)
        return EdgeLeft;
    if (right)
        return EdgeRight;
    if (top)
        return EdgeTop;
    if (bottom)
        return EdgeBottom;
    return EdgeNone;
}

Qt::CursorShape cursorShapeFor(EdgeRegion region)
{
    switch (region) {
    case EdgeTop:
    case EdgeBottom:
        return Qt::SizeVerCursor;
    case EdgeLeft:
    case EdgeRight:
        return Qt::SizeHorCursor;
    case EdgeTopLeft:
    case EdgeBottomRight:
        return Qt::SizeFDiagCursor;
    case EdgeBottomLeft:
    case EdgeTopRight:
        return Qt::SizeBDiagCursor;
    case EdgeNone:
        break;
    }
    return Qt::ArrowCursor;
}

Qt::Edges edgesFor(EdgeRegion region)
{
    Qt::Edges edges;
    if (region == EdgeTop || region == EdgeTopLeft || region == EdgeTopRight)
        edges |= Qt::TopEdge;
    if (region == EdgeBottom || region == EdgeBottomLeft || region == EdgeBottomRight)
        edges |= Qt::BottomEdge;
    if (region == EdgeLeft || region == EdgeTopLeft || region == EdgeBottomLeft)
        edges |= Qt::LeftEdge;
    if (region == EdgeRight || region == EdgeTopRight || region == EdgeBottomRight)
        edges |= Qt::RightEdge;
    return edges;
}

QRect resizedGeometry(const QPoint &topLeft, const QPoint &bottomRight, const QPoint &cursor,
                      EdgeRegion region, int minimumWidth, int minimumHeight)
{
    QRect rect(topLeft, bottomRight);
    const Qt::Edges edges = edgesFor(region);
    const bool topEdge = edges.testFlag(Qt::TopEdge);
    const bool bottomEdge = edges.testFlag(Qt::BottomEdge);
    const bool leftEdge = edges.testFlag(Qt::LeftEdge);
    const bool rightEdge = edges.testFlag(Qt::RightEdge);

    if (topEdge && bottomRight.y() - cursor.y() > minimumHeight)
        rect.setTop(cursor.y());
    if (bottomEdge)
        rect.setHeight(cursor.y() - topLeft.y());
    if (leftEdge && bottomRight.x() - cursor.x() > minimumWidth)
        rect.setLeft(cursor.x());
    if (rightEdge)
        rect.setWidth(cursor.x() - topLeft.x());
    return rect;
}
