#include "osc/OscWidget.h"

#include <QIcon>

OscWidget::OscWidget(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("OSC调试助手"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/Osc.ico")));
    setMinimumSize(900, 600);
    resize(1120, 760);
}
