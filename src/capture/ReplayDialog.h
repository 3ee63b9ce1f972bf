#pragma once

#include "capture/CaptureReader.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class CaptureTableModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class Replayer;

// Opens a capture file, lists its UDP datagrams (optionally only those to one port) and plays
// them back. The dialog sends nothing itself: whoever opens it sends what datagramDue() carries.
class ReplayDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReplayDialog(QWidget *parent = nullptr);

    // Reads the file and lists its datagrams; a problem in it is shown in the dialog, with the
    // datagrams before the problem still listed.
    void openFile(const QString &fileName);
    Replayer *replayer() const { return m_replayer; }

signals:
    void datagramDue(const QByteArray &payload);

private:
    void chooseFile();
    void reload();
    void start();
    void updateControls();
    void showCount();
    void retranslate();

    CaptureReader m_reader;
    QString m_fileName;
    CaptureTableModel *m_model;
    Replayer *m_replayer;
    QPushButton *m_openButton;
    QLabel *m_fileLabel;
    QLabel *m_errorLabel;
    QSpinBox *m_portSpin;
    QLabel *m_countLabel;
    QTableView *m_table;
    QComboBox *m_speedCombo;
    QLabel *m_portCaption;
    QLabel *m_speedCaption;
    QCheckBox *m_loopCheck;
    QProgressBar *m_progress;
    QPushButton *m_startButton;
    QPushButton *m_stopButton;
};
