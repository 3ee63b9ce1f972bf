#include "app/DiagnosticLog.h"
#include "app/StyleSheet.h"

#include <QtGui>
#include <QtTest>

namespace {

QString logPath(const QString &appName)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/logs/" + appName + ".log";
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/logs").removeRecursively();
    }

    // Each run adds a banner, held back until its first message, after an empty line.
    void logAppendsOneBannerPerRun()
    {
        DiagnosticLog::open("TwoRuns");
        QCOMPARE(readAll(logPath("TwoRuns")), QString());
        DiagnosticLog::write("DarkTheme QSS loaded");
        DiagnosticLog::open("TwoRuns");
        DiagnosticLog::write("Window shown");

        static const QRegularExpression shape(
            "^(\\n=== \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} TwoRuns ===\\n\\d{2}:\\d{2}:\\d{2}\\.\\d{3} (\\S+ )+\\S+\\n){2}$");
        const QString text = readAll(logPath("TwoRuns"));
        QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
    }

    void styleSheetSource_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QByteArray>("fallback"); // null: no file beside the program
        QTest::addColumn<QString>("loaded");      // null: nothing loaded

        QTest::newRow("resource wins") << ":/styles/DarkTheme.qss" << QByteArray("QWidget { color: red; }") << "QFrame#headerBar";
        QTest::newRow("file beside the program") << ":/styles/Missing.qss" << QByteArray("QLabel { color: #123456; }\n") << "QLabel { color: #123456; }\n";
        QTest::newRow("empty file still loaded") << ":/styles/Missing.qss" << QByteArray("") << "";
        QTest::newRow("missing everywhere") << ":/styles/Missing.qss" << QByteArray() << QString();
    }

    void styleSheetSource()
    {
        QFETCH(QString, resource);
        QFETCH(QByteArray, fallback);
        QFETCH(QString, loaded);
        QTemporaryDir dir;
        QFile file(dir.filePath("DarkTheme.qss"));
        if (!fallback.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fallback) == fallback.size());
        file.close();

        const QString text = loadStyleSheet(resource, file.fileName());
        QCOMPARE(text.isNull(), loaded.isNull());
        if (resource.contains("Missing"))
            QCOMPARE(text, loaded);
        else
            QVERIFY(text.contains(loaded) && !text.contains("color: red"));
    }

    // The theme's resource shows in "resource wins"; the icon is compiled in with it.
    void compiledInIcon()
    {
        const QIcon icon(":/icon/Osc.ico");
        QCOMPARE(icon.availableSizes().value(0), QSize(64, 64));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
