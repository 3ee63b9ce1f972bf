#include "controls/OscLabel.h"

#include "theme/Theme.h"

#include <QPainter>
#include <QPropertyAnimation>

#include <cmath>

namespace {

const QColor LabelAccent = Theme::Violet;

constexpr double IntegerTolerance = 0.001;
constexpr int NumberDecimals = 2;
constexpr int ShortenedLength = 18;
const QString Ellipsis = QStringLiteral("...");

constexpr double FlashVisibleAlpha = 0.01;
constexpr int FlashMaxAlpha = 80;
constexpr int FlashInset = 5;
constexpr qreal FlashRadius = 6;

constexpr int CaptionSpace = 25;
constexpr int NumberPointSize = 16;
constexpr int NumberHalfHeight = 12;
constexpr int TextPointSize = 12;
constexpr int TextHalfHeight = 16;
constexpr int TextInset = 4;

const QRect BadgeFromTopRight(28, 6, 22, 14);
constexpr qreal BadgeRadius = 3;
constexpr int BadgeAlpha = 30;
constexpr int BadgePointSize = 7;


}

OscLabel::OscLabel(QWidget *parent)
    : OscControl(ControlType::Label, parent)
    , m_flashAnim(new QPropertyAnimation(this, "m_flashAlpha", this))
{
    setName(QStringLiteral("Value"));
    setColor(LabelAccent);
    m_flashAnim->setDuration(FlashDurationMs);
    m_flashAnim->setStartValue(FlashStartAlpha);
    m_flashAnim->setEndValue(0.0);
}

QString OscLabel::formatNumber(double v)
{
    // Rounded as a double, so that huge and infinite values need no integer conversion.
    // Adding 0.0 turns a rounded -0 into 0, which is how an integer zero reads.
    const double nearest = std::round(v) + 0.0;
    if (std::abs(v - nearest) < IntegerTolerance)
        return QString::number(nearest, 'f', 0);
    return QString::number(v, 'f', NumberDecimals);
}

QString OscLabel::shortenedText(const QString &text)
{
    if (text.size() > MaxShownTextLength)
        return text.left(ShortenedLength) + Ellipsis;
    return text;
}

void OscLabel::setValue(double v)
{
    // A NaN from the network is no number to show; the label keeps what it has.
    if (std::isnan(v) || v == m_value || std::abs(m_value - v) < ChangeThreshold)
        return;
    m_value = v;
    m_text.clear();
    restartFlash();
    update();
}

void OscLabel::setText(const QString &s)
{
    if (s == m_text)
        return;
    m_text = s;
    restartFlash();
    update();
}

void OscLabel::setFlashAlpha(double alpha)
{
    m_flashAlpha = alpha;
    update();
}

void OscLabel::restartFlash()
{
    setFlashAlpha(FlashStartAlpha);
    m_flashAnim->stop();
    m_flashAnim->start();
}

void OscLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, backgroundColor());
    paintBorder(painter);

    paintFlash(painter);
    const qreal centreY = (height() - CaptionSpace) / 2.0;
    if (m_text.isEmpty())
        paintNumber(painter, centreY);
    else
        paintText(painter, centreY);
    paintBadge(painter);

    paintCaption(painter);
    paintEditOverlay(painter);
}

void OscLabel::paintFlash(QPainter &painter) const
{
    if (m_flashAlpha <= FlashVisibleAlpha)
        return;
    QColor flash = color();
    flash.setAlpha(int(m_flashAlpha * FlashMaxAlpha));
    painter.setPen(Qt::NoPen);
    painter.setBrush(flash);
    painter.drawRoundedRect(rect().adjusted(FlashInset, FlashInset, -FlashInset, -FlashInset),
                            FlashRadius, FlashRadius);
}

void OscLabel::paintNumber(QPainter &painter, qreal centreY) const
{
    painter.setPen(color());
    painter.setFont(Theme::monoFont(zoomedPointSize(NumberPointSize), QFont::Bold));
    painter.drawText(QRect(0, int(centreY - NumberHalfHeight), width(), 2 * NumberHalfHeight),
                     Qt::AlignHCenter, formatNumber(m_value));
}

void OscLabel::paintText(QPainter &painter, qreal centreY) const
{
    painter.setPen(color());
    painter.setFont(Theme::monoFont(zoomedPointSize(TextPointSize), QFont::Bold));
    painter.drawText(QRect(TextInset, int(centreY - TextHalfHeight), width() - 2 * TextInset,
                           2 * TextHalfHeight),
                     Qt::AlignCenter | Qt::TextWordWrap, shortenedText(m_text));
}

void OscLabel::paintBadge(QPainter &painter) const
{
    const QRect badge(width() - BadgeFromTopRight.x(), BadgeFromTopRight.y(),
                      BadgeFromTopRight.width(), BadgeFromTopRight.height());
    QColor fill = color();
    fill.setAlpha(BadgeAlpha);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(badge, BadgeRadius, BadgeRadius);
    painter.setPen(color());
    painter.setFont(Theme::uiFont(BadgePointSize, QFont::Bold));
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("RX"));
}
