#ifndef CHROME_H
#define CHROME_H

// Geometry rules of the frameless main window: which edge or corner lies under
// the cursor, the cursor shape for it, and the rectangle a resize drag produces.

#include <QPoint>
#include <QRect>
#include <Qt>

enum EdgeRegion
{
    EdgeTop = 0,
    EdgeBottom = 1,
    EdgeLeft = 2,
    EdgeRight = 3,
    EdgeTopLeft = 4,
    EdgeBottomLeft = 5,
    EdgeBottomRight = 6,
    EdgeTopRight = 7,
    EdgeNone = 8
};

// Width of the resize band along each edge, bounds included.
constexpr int kEdgeBandWidth = 4;

// The region under the global cursor position `cursor` of a window whose corners
// are `topLeft` and `bottomRight` (global); corners win over edges.
EdgeRegion edgeRegionAt(const QPoint &cursor, const QPoint &topLeft, const QPoint &bottomRight);

Qt::CursorShape cursorShapeFor(EdgeRegion region);

// The window edges a compositor's resize of `region` moves; none for EdgeNone.
Qt::Edges edgesFor(EdgeRegion region);

// The rectangle from `topLeft` to `bottomRight` changed by a drag of `region` to
// `cursor`. The top and left edges stop where the window would fall to its
// minimum height or width; the right and bottom edges follow the cursor.
QRect resizedGeometry(const QPoint &topLeft, const QPoint &bottomRight, const QPoint &cursor,
                      EdgeRegion region, int minimumWidth, int minimumHeight);

#endif // CHROME_H
