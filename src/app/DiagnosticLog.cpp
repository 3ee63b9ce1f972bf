#include "app/DiagnosticLog.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

DiagnosticLog &DiagnosticLog::instance()
{
    static DiagnosticLog log;
    return log;
}

void DiagnosticLog::open(const QString &appName)
{
    DiagnosticLog &log = instance();
    if (log.m_file.isOpen()) {
        log.m_stream.flush();
        log.m_file.close();
    }

    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs");
    QDir().mkpath(dir);

    log.m_file.setFileName(dir + QLatin1Char('/') + appName + QStringLiteral(".log"));
    log.m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    log.m_stream.setDevice(&log.m_file);
    // Left in the stream's buffer: the banner reaches the disk with the run's first message.
    log.m_stream << "\n=== " << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                 << ' ' << appName << " ===\n";
}

void DiagnosticLog::write(const QString &message)
{
    DiagnosticLog &log = instance();
    if (!log.m_file.isOpen())
        return;
    log.m_stream << QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz")) << ' ' << message << '\n';
    log.m_stream.flush();
}
