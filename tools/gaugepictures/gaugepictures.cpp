// Writes a picture of the dial in each pointer style, and with none, at a reading of
// 65 on a dark background, to the folder given (by default the build's pictures/).
#include "gaugearc.h"

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // As the test suite renders, so the pictures are those its pixel checks see.
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLON_PICTURES_DIR);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(dir));
        return 1;
    }
    for (int style = 0; style <= 4; ++style) {
        GaugeArc gauge;
        gauge.resize(300, 300);
        gauge.setPointerStyle(static_cast<GaugeArc::PointerStyle>(style));
        gauge.setExplainText(QStringLiteral("CPU Temp"));
        gauge.setValue(65);
        QImage image(gauge.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(16, 24, 32));
        gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QString path = dir + QStringLiteral("/gauge_style_%1.png").arg(style);
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
