#ifndef LEDTEXT_H
#define LEDTEXT_H

#include <QColor>
#include <QString>
#include <QWidget>

// A dot-matrix display: the text is rasterised into a 160 × 16 one-bit mask and
// every mask pixel is drawn as a round dot, lit in the foreground colour, unlit in
// the background colour, on black.
class LedText : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ getText WRITE setText)
    Q_PROPERTY(int step READ getStep WRITE setStep)
    Q_PROPERTY(QColor foreground READ getForeground WRITE setForeground)
    Q_PROPERTY(QColor background READ getBackground WRITE setBackground)

public:
    explicit LedText(QWidget *parent = nullptr);

    QString getText() const { return text; }
    int getStep() const { return step; }
    QColor getForeground() const { return foreground; }
    QColor getBackground() const { return background; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kMaskColumns = 160;
    static constexpr int kMaskRows = 16;

public slots:
    void setText(QString text);
    void setStep(int step);
    void setForeground(QColor foreground);
    void setBackground(QColor background);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString text;
    int step;
    QColor foreground;
    QColor background;
};

#endif // LEDTEXT_H
