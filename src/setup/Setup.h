#pragma once

#include "charts/ChartRule.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

// Everything a setup file brings back: the window's connection, display and send settings, the
// control panel, the chart page, the log filter and the language. Each field starts at the value
// the window has on a fresh start, so a default Setup is a fresh start and a file may leave out
// any field. Plain data: the window reads it out of its widgets and applies it back.
//
// This library needs Qt Core only, so where the window's own limits live in widget or Gui code
// they are repeated here, each beside the name of the place that owns it.
struct Setup
{
    // Same values as the language combo's indexes (LanguageManager::setLanguage).
    enum class Language : int { Chinese = 0, English = 1 };
    // Same values as ChartEngine::ChartType.
    enum class ChartType : int { Line = 0, Spline = 1, Scatter = 2, Area = 3, Bar = 4, Pie = 5 };
    // Same values as OscLink::Transport, the transport combo's indexes.
    enum class Transport : int { Udp = 0, TcpClient = 1, TcpServer = 2 };
    // Same values as StreamDecoder::Choice, the framing combo's indexes.
    enum class Framing : int { Auto = 0, LengthPrefix = 1, Slip = 2 };

    // One control on the panel's canvas.
    struct Control
    {
        // Same values as ControlType (controls/OscControl.h).
        enum class Kind : int { Fader = 0, Button = 1, Knob = 2, Label = 3 };

        // The OscControl::setOutputRange limit (ControlConfigDialog's OutputLimit): what both
        // int32 and float32 outputs can carry.
        static constexpr double OutputLimit = 2147483647.0;

        Kind kind = Kind::Fader;
        QString address;
        QString caption;
        QString color;        // "#RRGGBB"
        QRectF placement;     // OscControl::normRect: fractions of the canvas
        bool outputInteger = false;
        double outputLow = 0.0;
        double outputHigh = 1.0;

        // What the panel gives the number-th control it adds of this kind (OscControlPanel's
        // addFader and siblings, the kinds' own colours, the first placement), before its dialog.
        static Control fresh(Kind kind, int number);

        bool operator==(const Control &other) const;
        bool operator!=(const Control &other) const { return !(*this == other); }
    };

    // OscWidget's spin boxes and defaults.
    static constexpr int MinimumPort = 1;
    static constexpr int MaximumPort = 65535;
    // NetworkOptions' TTL spin box.
    static constexpr int MinimumMulticastTtl = 1;
    static constexpr int MaximumMulticastTtl = 255;
    static constexpr int MinimumInterval = 10;
    static constexpr int MaximumInterval = 60000;
    static constexpr int MinimumLineSpacing = -10;
    static constexpr int MaximumLineSpacing = 10;
    static constexpr int MinimumFontSize = 7;
    static constexpr int MaximumFontSize = 16;
    // FreeCanvas::MinScale and MaxScale, and the snap choices of the panel's grid combo (0: off).
    static constexpr double MinimumZoom = 0.5;
    static constexpr double MaximumZoom = 3.0;
    static constexpr int GridSizes[] = {0, 10, 20, 40};
    // ChartModel's time window, in seconds.
    static constexpr int MinimumTimeWindow = 5;
    static constexpr int MaximumTimeWindow = 600;
    // The type tags of OscWidget's type presets, in the combo's order.
    static const QStringList &typeTagChoices();
    // Whether the send area takes these as type tags: an optional ",", then tags the composer
    // knows (i h f d s S c r m t b T F N I, and [ ] for arrays). A typed string is kept as typed.
    static bool isTagString(const QString &tags);

    // Connection
    int localPort = 9000;
    bool bound = false;
    QString targetHost = QStringLiteral("127.0.0.1");
    int targetPort = 8000;
    QString encoding = QStringLiteral("UTF-8");
    Transport transport = Transport::Udp;
    Framing framing = Framing::Auto;
    // QNetworkInterface::name(), "lo" say; empty for all interfaces.
    QString networkInterface;
    QString multicastGroup;
    int multicastTtl = 1;

    // Log display
    bool hexDisplay = false;
    bool showTimestamp = true;
    bool autoScroll = true;
    int lineSpacing = 0;
    int fontSize = 11;

    // Send area and auto-send
    QString sendAddress = QStringLiteral("/test/value");
    QString sendTypeTags = QStringLiteral(",i");
    QString sendValues = QStringLiteral("42");
    bool autoSend = false;
    int autoSendInterval = 1000;

    // Control panel
    QList<Control> controls;
    double zoom = 1.0;
    int gridSize = 0;

    // Chart page
    ChartType chartType = ChartType::Line;
    QList<ChartRule> rules;
    int timeWindow = 60;

    // Log filter
    QString filterText;
    bool showRx = true;
    bool showTx = true;
    bool showSys = true;
    bool expandBundles = true;

    Language language = Language::Chinese;

    bool operator==(const Setup &other) const;
    bool operator!=(const Setup &other) const { return !(*this == other); }
};
