#ifndef WINDOWPICTURE_H
#define WINDOWPICTURE_H

#include <QObject>
#include <QString>

class DMainWidget;

// Test hook of the whole-program test, installed by main only when QUILLON_SCREENSHOT
// names a file: once the dials have come to rest (from the second refresh on, or after
// ten), a picture of the window goes to that file and the texts and values it shows to
// "<file>.values" as "name=value" lines.
class WindowPicture : public QObject
{
    Q_OBJECT

public:
    WindowPicture(DMainWidget *window, const QString &path);

private slots:
    void onDisplayRefreshed();

private:
    void save();

    DMainWidget *window;
    QString path;
    int refreshCount = 0;
};

#endif // WINDOWPICTURE_H
