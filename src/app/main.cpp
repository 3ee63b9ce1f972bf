#include "LumeralConfig.h"
#include "app/DiagnosticLog.h"
#include "app/StyleSheet.h"
#include "osc/OscWidget.h"
#include "osc/Workbench.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    DiagnosticLog::open(QStringLiteral("Lumeral"));
    QApplication::setApplicationName(QStringLiteral("Lumeral"));
    QApplication::setApplicationVersion(QStringLiteral(LUMERAL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMERAL_APP_ID));

    const QString styleSheet = loadStyleSheet(QStringLiteral(":/styles/DarkTheme.qss"),
                                              dataFilePath(QApplication::applicationDirPath(), QStringLiteral("DarkTheme.qss")));
    if (!styleSheet.isNull()) {
        app.setStyleSheet(styleSheet);
        DiagnosticLog::write(QStringLiteral("DarkTheme QSS loaded"));
    }

    OscWidget window;
    window.setWindowTitle(QStringLiteral("OSC调试助手"));
    window.setWindowIcon(QIcon(QStringLiteral(":/icon/Osc.ico")));
    window.show();
    DiagnosticLog::write(QStringLiteral("Window shown"));
    // `lumeral FILE.lumeral` starts with that setup; one that cannot be opened says why and the
    // window starts fresh.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.workbench()->openSetup(arguments.at(1));

    return app.exec();
}
