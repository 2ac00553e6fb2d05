#ifndef CAPTURE_H
#define CAPTURE_H

// Captures what the code under test writes to standard output and to the
// debug log, from any thread.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryFile>
#include <QVector>
#include <QtGlobal>
#include <QtTest>

#include <cstdio>
#include <mutex>
#include <unistd.h>

class StdoutCapture
{
public:
    StdoutCapture()
    {
        captureFile.open();
        std::fflush(stdout);
        savedStdout = ::dup(1);
        ::dup2(captureFile.handle(), 1);
    }
    ~StdoutCapture() { restore(); }
    // What was written so far, capture going on.
    QByteArray peek()
    {
        std::fflush(stdout);
        // A file description of its own: fd 1 shares captureFile's offset.
        QFile file(captureFile.fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray text()
    {
        restore();
        return peek();
    }

private:
    void restore()
    {
        if (savedStdout < 0)
            return;
        std::fflush(stdout);
        ::dup2(savedStdout, 1);
        ::close(savedStdout);
        savedStdout = -1;
    }
    QTemporaryFile captureFile;
    int savedStdout = -1;
};

class DebugCapture
{
public:
    DebugCapture()
    {
        std::lock_guard<std::mutex> lock(mutex());
        lines().clear();
        previousHandler = qInstallMessageHandler(handler);
    }
    ~DebugCapture() { qInstallMessageHandler(previousHandler); }
    static QStringList taken()
    {
        std::lock_guard<std::mutex> lock(mutex());
        QStringList copy = lines();
        lines().clear();
        return copy;
    }

private:
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtDebugMsg)
            return;
        std::lock_guard<std::mutex> lock(mutex());
        lines().append(message);
    }
    QtMessageHandler previousHandler = nullptr;
};

#endif // CAPTURE_H

// A test main whose QtTest report goes to the original standard output, so
// that a failure inside a capture still reaches the console.
#define QUILLON_CAPTURING_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        const QByteArray report = "/proc/self/fd/" + QByteArray::number(::dup(1)) + ",txt";        \
        QVector<char *> args(argv, argv + argc);                                                   \
        char option[] = "-o";                                                                      \
        QByteArray target = report;                                                                \
        if (!app.arguments().contains(QStringLiteral("-o"))) {                                     \
            args.append(option);                                                                   \
            args.append(target.data());                                                            \
        }                                                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, args.size(), args.data());                                      \
    }
