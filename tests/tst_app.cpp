#include "app/DiagnosticLog.h"
#include "app/StyleSheet.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestApp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void logBannerWaitsForFirstMessage();
    void logAppendsAcrossRuns();
    void logIgnoresWritesWhenItCannotOpen();
    void styleSheetPrefersResource();
    void styleSheetFallsBackToFileBesideProgram();
    void styleSheetMissingEverywhere();
    void compiledInResources();

private:
    QString logPath(const QString &appName) const;
    static QByteArray readAll(const QString &path);
};

QString TestApp::logPath(const QString &appName) const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs/") + appName
        + QStringLiteral(".log");
}

QByteArray TestApp::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestApp::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs")).removeRecursively();
}

void TestApp::logBannerWaitsForFirstMessage()
{
    DiagnosticLog::open(QStringLiteral("FirstRun"));
    QCOMPARE(readAll(logPath(QStringLiteral("FirstRun"))), QByteArray());

    DiagnosticLog::write(QStringLiteral("DarkTheme QSS loaded"));
    const QString text = QString::fromUtf8(readAll(logPath(QStringLiteral("FirstRun"))));
    static const QRegularExpression shape(QStringLiteral(
        "^\\n=== \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} FirstRun ===\\n\\d{2}:\\d{2}:\\d{2}\\.\\d{3} DarkTheme QSS loaded\\n$"));
    QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
}

void TestApp::logAppendsAcrossRuns()
{
    const QString app = QStringLiteral("TwoRuns");
    DiagnosticLog::open(app);
    DiagnosticLog::write(QStringLiteral("Window shown"));
    DiagnosticLog::open(app);
    DiagnosticLog::write(QStringLiteral("second run"));

    const QStringList lines = QString::fromUtf8(readAll(logPath(app))).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);                       // the final line end leaves one empty piece
    QCOMPARE(lines.at(0), QString());
    QVERIFY(lines.at(1).startsWith(QLatin1String("=== ")) && lines.at(1).endsWith(QLatin1String(" TwoRuns ===")));
    QVERIFY(lines.at(2).endsWith(QLatin1String(" Window shown")));
    QCOMPARE(lines.at(3), QString());
    QVERIFY(lines.at(4).endsWith(QLatin1String(" TwoRuns ===")));
    QVERIFY(lines.at(5).endsWith(QLatin1String(" second run")));
    QCOMPARE(lines.at(6), QString());
}

void TestApp::logIgnoresWritesWhenItCannotOpen()
{
    // A directory where the log file should be makes the open fail; start-up goes on quietly.
    const QString app = QStringLiteral("Blocked");
    QVERIFY(QDir().mkpath(logPath(app)));
    DiagnosticLog::open(app);
    DiagnosticLog::write(QStringLiteral("lost"));
    QVERIFY(QFileInfo(logPath(app)).isDir());
}

void TestApp::styleSheetPrefersResource()
{
    QTemporaryDir dir;
    QFile fallback(dir.filePath(QStringLiteral("DarkTheme.qss")));
    QVERIFY(fallback.open(QIODevice::WriteOnly));
    fallback.write("QWidget { color: red; }");
    fallback.close();

    const QString text = loadStyleSheet(QStringLiteral(":/styles/DarkTheme.qss"), fallback.fileName());
    QVERIFY(text.contains(QLatin1String("QFrame#headerBar")));
    QVERIFY(!text.contains(QLatin1String("color: red")));
}

void TestApp::styleSheetFallsBackToFileBesideProgram()
{
    QTemporaryDir dir;
    QFile fallback(dir.filePath(QStringLiteral("DarkTheme.qss")));
    QVERIFY(fallback.open(QIODevice::WriteOnly));
    fallback.write("QLabel { color: #123456; }\n");
    fallback.close();

    QCOMPARE(loadStyleSheet(QStringLiteral(":/styles/Missing.qss"), fallback.fileName()),
             QStringLiteral("QLabel { color: #123456; }\n"));

    QVERIFY(fallback.open(QIODevice::WriteOnly | QIODevice::Truncate));
    fallback.close();
    const QString empty = loadStyleSheet(QStringLiteral(":/styles/Missing.qss"), fallback.fileName());
    QVERIFY(empty.isEmpty());
    QVERIFY(!empty.isNull());
}

void TestApp::styleSheetMissingEverywhere()
{
    QTemporaryDir dir;
    QVERIFY(loadStyleSheet(QStringLiteral(":/styles/Missing.qss"), dir.filePath(QStringLiteral("none.qss"))).isNull());
}

void TestApp::compiledInResources()
{
    const QString theme = loadStyleSheet(QStringLiteral(":/styles/DarkTheme.qss"), QString());
    const QStringList selectors = {
        QStringLiteral("QFrame#headerBar"),     QStringLiteral("QLabel#headerIcon"),
        QStringLiteral("QLabel#headerTitle"),   QStringLiteral("QLabel#headerVersion"),
        QStringLiteral("QPushButton#accentButton"), QStringLiteral("QPushButton#dangerButton"),
        QStringLiteral("QPushButton#smallButton"),  QStringLiteral("QPushButton#sendButton"),
        QStringLiteral("QListWidget#logOutput"), QStringLiteral("QFrame#statusBar"),
        QStringLiteral("QLabel#txLabel"),       QStringLiteral("QLabel#rxLabel"),
        QStringLiteral("QLabel#connStatus"),    QStringLiteral("QTabBar::tab"),
    };
    for (const QString &selector : selectors)
        QVERIFY2(theme.contains(selector), qPrintable(selector));

    const QIcon icon(QStringLiteral(":/icon/Osc.ico"));
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes().value(0), QSize(64, 64));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
