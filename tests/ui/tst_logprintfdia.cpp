#include <QtTest>

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "ui/logprintfdia.h"

namespace {

int gWarnings = 0;
QtMessageHandler gPrevious = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        ++gWarnings;
    else if (gPrevious)
        gPrevious(type, context, msg);
}

} // namespace

class tst_LogPrintfDia : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void append_data();
    void append();
    void clearButton_data();
    void clearButton();
    void metaObject();
};

void tst_LogPrintfDia::form()
{
    QWidget parent;
    auto *dialog = new LogPrintfDia(&parent);
    QCOMPARE(dialog->parentWidget(), &parent);
    QCOMPARE(dialog->objectName(), QStringLiteral("LogPrintfDia"));
    QCOMPARE(dialog->size(), QSize(645, 479));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("LogPrintfDia"));
    QCOMPARE(dialog->windowFlags(), QDialog(&parent).windowFlags());

    auto *outer = qobject_cast<QVBoxLayout *>(dialog->layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(outer->spacing(), 6);
    QCOMPARE(outer->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(outer->count(), 2);

    auto *text = qobject_cast<QTextEdit *>(outer->itemAt(0)->widget());
    QVERIFY(text);
    QCOMPARE(text->objectName(), QStringLiteral("textEdit_Log"));
    QVERIFY(!text->isReadOnly());
    QVERIFY(text->acceptRichText());

    auto *frame = qobject_cast<QFrame *>(outer->itemAt(1)->widget());
    QVERIFY(frame);
    QCOMPARE(frame->objectName(), QStringLiteral("frame"));
    QCOMPARE(frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(frame->frameShadow(), QFrame::Raised);

    auto *inner = qobject_cast<QHBoxLayout *>(frame->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(inner->spacing(), 6);
    QCOMPARE(inner->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(inner->count(), 1);
    auto *button = qobject_cast<QPushButton *>(inner->itemAt(0)->widget());
    QVERIFY(button);
    QCOMPARE(button->objectName(), QStringLiteral("pushButton"));
    QCOMPARE(button->minimumSize(), QSize(0, 25));
    QCOMPARE(button->text(), QStringLiteral("清空日志信息"));

    // A named dialog keeps its name.
    LogPrintfDia named;
    QCOMPARE(named.objectName(), QStringLiteral("LogPrintfDia"));
}

void tst_LogPrintfDia::append_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a then b on two lines") << QStringList{"a", "b"} << "a\nb";
    QTest::newRow("empty text adds an empty paragraph") << QStringList{"a", "", "b"} << "a\n\nb";
    QTest::newRow("rich text is rendered") << QStringList{"<b>bold</b>", "plain"} << "bold\nplain";
    QTest::newRow("multi-line text") << QStringList{"one\ntwo"} << "one\ntwo";
    QTest::newRow("non-ASCII") << QStringList{"温度 45℃"} << "温度 45℃";
}

void tst_LogPrintfDia::append()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, shown);

    LogPrintfDia dialog;
    for (const QString &t : texts)
        dialog.appendText(t);
    QCOMPARE(dialog.findChild<QTextEdit *>(QStringLiteral("textEdit_Log"))->toPlainText(), shown);
}

void tst_LogPrintfDia::clearButton_data()
{
    QTest::addColumn<QStringList>("before");

    QTest::newRow("empty box stays empty") << QStringList();
    QTest::newRow("two lines") << QStringList{"a", "b"};
    QTest::newRow("many lines") << QStringList(
        QVector<QString>(500, QStringLiteral("line")).toList());
}

void tst_LogPrintfDia::clearButton()
{
    QFETCH(QStringList, before);

    LogPrintfDia dialog;
    for (const QString &t : before)
        dialog.appendText(t);
    auto *text = dialog.findChild<QTextEdit *>(QStringLiteral("textEdit_Log"));
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("pushButton"));

    gWarnings = 0;
    gPrevious = qInstallMessageHandler(countWarnings);
    button->click();
    qInstallMessageHandler(gPrevious);
    QCOMPARE(gWarnings, 0);
    QVERIFY(text->document()->isEmpty());

    // The box stays usable after clearing.
    dialog.appendText(QStringLiteral("after"));
    QCOMPARE(text->toPlainText(), QStringLiteral("after"));
}

void tst_LogPrintfDia::metaObject()
{
    const QMetaObject &mo = LogPrintfDia::staticMetaObject;
    QCOMPARE(mo.superClass(), &QDialog::staticMetaObject);
    QCOMPARE(mo.methodCount() - mo.methodOffset(), 1);
    const QMetaMethod slot = mo.method(mo.methodOffset());
    QCOMPARE(slot.methodSignature(), QByteArray("on_pushButton_clicked()"));
    QCOMPARE(slot.access(), QMetaMethod::Private);
    QCOMPARE(slot.methodType(), QMetaMethod::Slot);
}

QTEST_MAIN(tst_LogPrintfDia)
#include "tst_logprintfdia.moc"
