#include "windowpicture.h"

#include "ui/dmainwidget.h"
#include "widgets/gaugearc.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSaveFile>

WindowPicture::WindowPicture(DMainWidget *window, const QString &path)
    : QObject(window), window(window), path(path)
{
    connect(window, &DMainWidget::sigDisplayRefreshed, this, &WindowPicture::onDisplayRefreshed);
}

void WindowPicture::onDisplayRefreshed()
{
    if (++refreshCount < 2)
        return;
    const auto atRest = [this](const char *name) {
        const auto *gauge = window->findChild<GaugeArc *>(QLatin1String(name));
        return gauge && qAbs(gauge->getCurrentValue() - gauge->getValue()) < 1.0;
    };
    if ((atRest("widget_CpuDashboard") && atRest("widget_GpuDashboard")) || refreshCount >= 10) {
        disconnect(window, &DMainWidget::sigDisplayRefreshed, this,
                   &WindowPicture::onDisplayRefreshed);
        save();
    }
}

void WindowPicture::save()
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    window->grab().save(path, "PNG");

    // Whole or not at all: a watcher may read the file the moment it exists.
    QSaveFile values(path + QStringLiteral(".values"));
    if (!values.open(QIODevice::WriteOnly))
        return;
    QString text;
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!label->objectName().isEmpty())
            text += label->objectName() + QLatin1Char('=') + label->text() + QLatin1Char('\n');
    }
    const QList<QProgressBar *> bars = window->findChildren<QProgressBar *>();
    for (const QProgressBar *bar : bars) {
        text += bar->objectName() + QLatin1Char('=') + QString::number(bar->value()) +
                QLatin1Char('/') + QString::number(bar->maximum()) + QLatin1Char('\n');
    }
    for (const char *name : {"widget_CpuDashboard", "widget_GpuDashboard"}) {
        const auto *gauge = window->findChild<GaugeArc *>(QLatin1String(name));
        if (gauge)
            text += gauge->objectName() + QLatin1Char('=') + QString::number(gauge->getValue()) +
                    gauge->getStrUnit() + QLatin1Char('\n');
    }
    const auto *fahrenheit =
        window->findChild<QRadioButton *>(QStringLiteral("radioButton_Model02"));
    text += QStringLiteral("radioButton_Model02=") +
            QString::number(fahrenheit && fahrenheit->isChecked()) + QLatin1Char('\n');
    values.write(text.toUtf8());
    values.commit();
    qDebug() << "Window picture saved:" << path;
}
