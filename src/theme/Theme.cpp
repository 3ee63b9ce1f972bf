#include "theme/Theme.h"

namespace Theme {

QColor withAlpha(const QColor &color, int alpha)
{
    QColor faded = color;
    faded.setAlpha(alpha);
    return faded;
}

QString hexName(const QColor &color)
{
    return color.name(QColor::HexRgb).toUpper();
}

QStringList uiFamilies()
{
    return {QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")};
}

QStringList monoFamilies()
{
    return {QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono"),
            QStringLiteral("Noto Sans Mono CJK SC")};
}

namespace {

// A normal weight is left unset, as a font made from a family name and a size leaves it.
QFont fontOf(const QStringList &families, int pointSize, QFont::Weight weight)
{
    QFont font(families, pointSize);
    if (weight != QFont::Normal)
        font.setWeight(weight);
    return font;
}

} // namespace

QFont uiFont(int pointSize, QFont::Weight weight)
{
    return fontOf(uiFamilies(), pointSize, weight);
}

QFont monoFont(int pointSize, QFont::Weight weight)
{
    return fontOf(monoFamilies(), pointSize, weight);
}

} // namespace Theme
