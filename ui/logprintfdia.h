#ifndef LOGPRINTFDIA_H
#define LOGPRINTFDIA_H

#include <QDialog>
#include <QString>

namespace Ui {
class LogPrintfDia;
}

// A plain log viewer: text arrives only through appendText(); the button clears it.
class LogPrintfDia : public QDialog
{
    Q_OBJECT

public:
    explicit LogPrintfDia(QWidget *parent = nullptr);
    ~LogPrintfDia() override;

    // Adds the text as a new paragraph at the end.
    void appendText(QString text);

private slots:
    void on_pushButton_clicked();

private:
    Ui::LogPrintfDia *ui;
};

#endif // LOGPRINTFDIA_H
