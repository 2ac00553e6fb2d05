#include "logprintfdia.h"

#include "ui_logprintfdia.h"

LogPrintfDia::LogPrintfDia(QWidget *parent) : QDialog(parent), ui(new Ui::LogPrintfDia)
{
    ui->setupUi(this);
}

LogPrintfDia::~LogPrintfDia()
{
    delete ui;
}

void LogPrintfDia::appendText(QString text)
{
    ui->textEdit_Log->append(text);
}

void LogPrintfDia::on_pushButton_clicked()
{
    ui->textEdit_Log->clear();
}
