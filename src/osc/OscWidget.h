#pragma once

#include <QWidget>

class OscWidget : public QWidget
{
    Q_OBJECT

public:
    explicit OscWidget(QWidget *parent = nullptr);
};
