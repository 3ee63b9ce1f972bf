#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

// A small start-up log in <app data>/logs/<app>.log, appended to across runs.
// Each run opens it once; every line after the banner is flushed as it is written.
class DiagnosticLog
{
public:
    static void open(const QString &appName);
    static void write(const QString &message);

private:
    DiagnosticLog() = default;
    static DiagnosticLog &instance();

    QFile m_file;
    QTextStream m_stream;
};
