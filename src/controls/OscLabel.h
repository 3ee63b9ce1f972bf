#pragma once

#include "controls/OscControl.h"

class QPropertyAnimation;

// A receive-only display of the last number or string that arrived for its address; it flashes
// briefly whenever what it shows changes, and never sends.
class OscLabel : public OscControl
{
    Q_OBJECT
    Q_PROPERTY(double m_flashAlpha READ flashAlpha WRITE setFlashAlpha)

public:
    // Numbers closer than this to the one held are not a change.
    static constexpr double ChangeThreshold = 0.0001;
    static constexpr double FlashStartAlpha = 0.6;
    static constexpr int FlashDurationMs = 400;
    static constexpr int MaxShownTextLength = 20;

    explicit OscLabel(QWidget *parent = nullptr);

    void setValue(double v) override;
    double value() const override { return m_value; }
    QString text() const { return m_text; }
    void setText(const QString &s);

    double flashAlpha() const { return m_flashAlpha; }
    void setFlashAlpha(double alpha);

    // How a number and a text are shown: near-integers as integers, long texts shortened.
    static QString formatNumber(double v);
    static QString shortenedText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void restartFlash();
    void paintFlash(QPainter &painter) const;
    void paintNumber(QPainter &painter, qreal centreY) const;
    void paintText(QPainter &painter, qreal centreY) const;
    void paintBadge(QPainter &painter) const;

    double m_value = 0.0;
    QString m_text;
    QPropertyAnimation *m_flashAnim;
    double m_flashAlpha = 0.0;
};
