#include "centredtext.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLine>

namespace {

// A dial shows a few dozen texts as its value moves back and forth; beyond that the
// cache starts again rather than grow.
constexpr int kMaxTexts = 64;

// As drawText lays the text out: line feeds break lines, other breaks and tabs are
// blanks, and the line is as wide as it likes.
QString layoutText(const QString &text)
{
    QString laid = text;
    for (QChar &c : laid) {
        if (c == QLatin1Char('\n'))
            c = QChar::LineSeparator;
        else if (c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return laid;
}

// Texts drawText treats specially (alternative lengths) are left to it.
bool plainEnough(const QString &text)
{
    return !text.contains(QChar(ushort(0x9c)));
}

} // namespace

const CentredTextCache::Laid *CentredTextCache::find(const QFont &font, int dpi,
                                                     Qt::LayoutDirection direction,
                                                     const QString &text)
{
    // Spelling out the font for every lookup cost more than the lookup itself.
    if (keyPrefix.isEmpty() || !(font == keyFont) || dpi != keyDpi || direction != keyDirection) {
        keyFont = font;
        keyDpi = dpi;
        keyDirection = direction;
        keyPrefix = font.key() + QLatin1Char('\x1f') + QString::number(dpi) + QLatin1Char('\x1f') +
                    QString::number(direction) + QLatin1Char('\x1f');
    }
    const QString key = keyPrefix + text;
    const auto known = laidOut.constFind(key);
    if (known != laidOut.constEnd())
        return known->get();
    if (laidOut.size() >= kMaxTexts)
        laidOut.clear();

    auto laid = std::make_shared<Laid>();
    QTextLayout &layout = laid->layout;
    layout.setText(layoutText(text));
    layout.setFont(font);
    QTextOption option;
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);

    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    qreal widest = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(0x01000000);
        height += leading;
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = qMax(widest, line.naturalTextWidth());
        laid->lineBottoms.append(height);
        laid->widestUpTo.append(widest);
    }
    layout.endLayout();
    return laidOut.insert(key, std::move(laid))->get();
}

QRectF CentredTextCache::bounds(const QFont &font, const QPaintDevice *device, const QRectF &box,
                                const QString &text)
{
    const QFont resolved(font, device);
    if (text.isEmpty() || !plainEnough(text))
        return QFontMetricsF(resolved).boundingRect(box, Qt::AlignCenter, text);
    // Measured without a painter, text runs left to right.
    const Laid *laid = find(resolved, device->logicalDpiY(), Qt::LeftToRight, text);
    return centred(box, *laid, laid->lineBottoms.size());
}

QRectF CentredTextCache::centred(const QRectF &box, const Laid &laid, int lines)
{
    const qreal height = lines > 0 ? laid.lineBottoms.at(lines - 1) : 0;
    const qreal width = lines > 0 ? laid.widestUpTo.at(lines - 1) : 0;
    return QRectF(box.x() + (box.width() - width) / 2, box.y() + (box.height() - height) / 2, width,
                  height);
}

void CentredTextCache::draw(QPainter *painter, const QRectF &box, const QString &text)
{
    if (text.isEmpty() || !plainEnough(text) || !painter->device()) {
        painter->drawText(box, Qt::AlignCenter, text);
        return;
    }
    const Laid *laid =
        find(painter->font(), painter->device()->logicalDpiY(), painter->layoutDirection(), text);
    // drawText stops laying out at the line that fills the box, and centres what it
    // laid out.
    int lines = 0;
    while (lines < laid->lineBottoms.size() && laid->lineBottoms.at(lines) < box.height())
        ++lines;
    lines = qMin(lines + 1, laid->lineBottoms.size());
    if (lines == 0)
        return;
    const QRectF drawn = centred(box, *laid, lines);

    const bool clip = !box.contains(drawn);
    if (clip) {
        painter->save();
        painter->setClipRect(box, Qt::IntersectClip);
    }
    for (int i = 0; i < lines; ++i) {
        const QTextLine line = laid->layout.lineAt(i);
        const qreal left = (box.width() - line.horizontalAdvance()) / 2;
        line.draw(painter, QPointF(box.x() + left, drawn.y()));
    }
    if (clip)
        painter->restore();
}
