#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The look of the program in one place: the dark palette, the two font families and the point
// sizes that painted widgets share. resources/DarkTheme.qss styles the widgets with the same values;
// code that paints, or that builds a style sheet or rich text, takes them from here.
namespace Theme {

// A colour from its 0xRRGGBB value, usable in constant expressions.
constexpr QColor rgb(quint32 value)
{
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

// Surfaces, darkest first.
inline constexpr QColor Sunken = rgb(0x080B12);          // the log list, a fader's track
inline constexpr QColor Inset = rgb(0x0A0E16);           // a painted strip chart
inline constexpr QColor Background = rgb(0x0B0E14);      // the window
inline constexpr QColor PlotBackground = rgb(0x0A1018);  // chart plot area, scroll-bar track
inline constexpr QColor BarBackground = rgb(0x0D1321);   // status bar, chart background
inline constexpr QColor PopupBackground = rgb(0x0D1622); // drop-down lists
inline constexpr QColor Field = rgb(0x0F172A);           // inputs, dark ends of gradients
inline constexpr QColor Panel = rgb(0x111827);           // group boxes, dialogs, control faces
inline constexpr QColor PanelHover = rgb(0x1A2332);      // a control face under the pointer
inline constexpr QColor Raised = rgb(0x1F2937);          // buttons, menus, tabs
inline constexpr QColor RaisedLight = rgb(0x2A3444);     // lit side of a raised surface, separators
inline constexpr QColor RaisedHighlight = rgb(0x3A4555); // highlight on a knob's disc
inline constexpr QColor Selection = rgb(0x0E4A6F);       // a chosen menu entry

// Lines.
inline constexpr QColor Border = rgb(0x1E3A5F);
inline constexpr QColor SubtleBorder = rgb(0x2A3A4A);
inline constexpr QColor GridLine = rgb(0x1E2A3A);

// Text, brightest first.
inline constexpr QColor Text = rgb(0xF1F5F9);
inline constexpr QColor MutedText = rgb(0x94A3B8);       // labels, captions
inline constexpr QColor DimText = rgb(0x64748B);         // hints, versions, neutral badges

// Accents.
inline constexpr QColor Cyan = rgb(0x00D4FF);            // the main accent
inline constexpr QColor Sky = rgb(0x06B6D4);
inline constexpr QColor Blue = rgb(0x60A5FA);            // links, hover borders
inline constexpr QColor Indigo = rgb(0x6366F1);
inline constexpr QColor Violet = rgb(0x8B5CF6);
inline constexpr QColor Pink = rgb(0xEC4899);
inline constexpr QColor Rose = rgb(0xF43F5E);
inline constexpr QColor Red = rgb(0xEF4444);
inline constexpr QColor LightRed = rgb(0xF87171);
inline constexpr QColor Amber = rgb(0xF59E0B);
inline constexpr QColor Emerald = rgb(0x10B981);

// Light and shade laid over a surface with an alpha: edit handles, canvas dots, drop shadows.
inline constexpr QColor Overlay = rgb(0xFFFFFF);
inline constexpr QColor Shadow = rgb(0x000000);

// Traffic-log rows, by direction.
inline constexpr QColor LogSent = rgb(0xFFD700);
inline constexpr QColor LogReceived = rgb(0x00FFC8);
inline constexpr QColor LogSystem = rgb(0x8892A0);
inline constexpr QColor LogOther = rgb(0xE0E0E0);

// Point sizes of painted text.
inline constexpr int CaptionPointSize = 9;   // control captions, chart labels
inline constexpr int ValuePointSize = 10;    // numbers read out on controls
inline constexpr int LogPointSize = 11;      // log rows until the user picks another size
inline constexpr int NoticePointSize = 11;   // a notice on an empty chart
inline constexpr int TitlePointSize = 12;    // chart titles

// The colour with its alpha channel set, for fills laid over a surface.
QColor withAlpha(const QColor &color, int alpha);

// The colour as style sheets and rich text write it: "#" and six upper-case hex digits.
QString hexName(const QColor &color);

// Each family list starts with the Windows font and falls back on fonts that Linux has
// (fonts-dejavu-core, fonts-noto-cjk), the last one for Chinese text.
QStringList uiFamilies();
QStringList monoFamilies();
// Captions and labels.
QFont uiFont(int pointSize, QFont::Weight weight = QFont::Normal);
// Numbers and log text.
QFont monoFont(int pointSize, QFont::Weight weight = QFont::Normal);

} // namespace Theme
