#include <QtTest>

#include "ui/chrome.h"

Q_DECLARE_METATYPE(EdgeRegion)

class tst_Chrome : public QObject
{
    Q_OBJECT

private slots:
    void edgeRegion_data();
    void edgeRegion();
    void resize_data();
    void resize();
};

// A window from (100, 200) to (499, 399): 400 x 200.
static const QPoint kTopLeft(100, 200);
static const QPoint kBottomRight(499, 399);

void tst_Chrome::edgeRegion_data()
{
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<EdgeRegion>("region");
    QTest::newRow("top-left corner") << QPoint(100, 200) << EdgeTopLeft;
    QTest::newRow("top-left band bound") << QPoint(104, 204) << EdgeTopLeft;
    QTest::newRow("bottom-right corner") << QPoint(499, 399) << EdgeBottomRight;
    QTest::newRow("bottom-right band bound") << QPoint(495, 395) << EdgeBottomRight;
    QTest::newRow("bottom-left") << QPoint(102, 397) << EdgeBottomLeft;
    QTest::newRow("top-right") << QPoint(497, 202) << EdgeTopRight;
    QTest::newRow("left") << QPoint(104, 300) << EdgeLeft;
    QTest::newRow("right") << QPoint(495, 300) << EdgeRight;
    QTest::newRow("top") << QPoint(300, 204) << EdgeTop;
    QTest::newRow("bottom") << QPoint(300, 395) << EdgeBottom;
    QTest::newRow("just inside the band") << QPoint(105, 205) << EdgeNone;
    QTest::newRow("centre") << QPoint(300, 300) << EdgeNone;
    QTest::newRow("outside left") << QPoint(99, 300) << EdgeNone;
    QTest::newRow("outside below") << QPoint(300, 400) << EdgeNone;
}

void tst_Chrome::edgeRegion()
{
    QFETCH(QPoint, cursor);
    QFETCH(EdgeRegion, region);
    QCOMPARE(edgeRegionAt(cursor, kTopLeft, kBottomRight), region);
}

void tst_Chrome::resize_data()
{
    QTest::addColumn<EdgeRegion>("region");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QRect>("geometry");
    const QRect unchanged(kTopLeft, kBottomRight);
    // Minimum size 100 x 50 in every row.
    QTest::newRow("none: unchanged") << EdgeNone << QPoint(10, 10) << unchanged;
    QTest::newRow("right follows") << EdgeRight << QPoint(600, 300) << QRect(100, 200, 500, 200);
    QTest::newRow("bottom follows") << EdgeBottom << QPoint(300, 450) << QRect(100, 200, 400, 250);
    QTest::newRow("left moves, right stays")
        << EdgeLeft << QPoint(50, 300) << QRect(QPoint(50, 200), kBottomRight);
    QTest::newRow("left stops at minimum width")
        << EdgeLeft << QPoint(399, 300) << unchanged; // 499 - 399 = 100, not > 100
    QTest::newRow("left just above minimum")
        << EdgeLeft << QPoint(398, 300) << QRect(QPoint(398, 200), kBottomRight);
    QTest::newRow("top stops at minimum height")
        << EdgeTop << QPoint(300, 349) << unchanged; // 399 - 349 = 50
    QTest::newRow("top just above minimum")
        << EdgeTop << QPoint(300, 348) << QRect(QPoint(100, 348), kBottomRight);
    QTest::newRow("top-left both")
        << EdgeTopLeft << QPoint(90, 190) << QRect(QPoint(90, 190), kBottomRight);
    QTest::newRow("bottom-right both")
        << EdgeBottomRight << QPoint(550, 420) << QRect(100, 200, 450, 220);
    QTest::newRow("top-right") << EdgeTopRight << QPoint(550, 150)
                               << QRect(QPoint(100, 150), QPoint(549, 399));
    QTest::newRow("bottom-left") << EdgeBottomLeft << QPoint(80, 420)
                                 << QRect(QPoint(80, 200), QPoint(499, 419));
}

void tst_Chrome::resize()
{
    QFETCH(EdgeRegion, region);
    QFETCH(QPoint, cursor);
    QFETCH(QRect, geometry);
    QCOMPARE(resizedGeometry(kTopLeft, kBottomRight, cursor, region, 100, 50), geometry);
}

QTEST_APPLESS_MAIN(tst_Chrome)
#include "tst_chrome.moc"
