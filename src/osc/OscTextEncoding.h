#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>

// The character set the text of OSC string arguments (s, S) travels in, by the names the log's
// encoding setting offers: "UTF-8", "ASCII" (Latin-1), "GBK", "GB2312" or any name the platform's
// converters know. An OSC string ends at its first zero byte, which UTF-16 text is full of, so
// "Unicode" keeps strings in UTF-8; so does a name the platform does not know, as the log does.
// Addresses and type tags are always UTF-8.
class OscTextEncoding
{
public:
    // UTF-8.
    OscTextEncoding() = default;
    explicit OscTextEncoding(const QString &chosenName);

    // Becomes the encoding of that name unless it already is; the converters of the last name
    // chosen are kept, as one is dearer to open than a datagram is to render.
    const OscTextEncoding &follow(const QString &chosenName);

    // The name it was made from, and the name of what goes on the wire.
    const QString &chosenName() const { return m_chosenName; }
    QString wireName() const;

    // The text's bytes, without terminator; none when a character cannot travel (one the
    // character set lacks, or a zero, which would end the string), and that character is then
    // written to *refused.
    std::optional<QByteArray> encode(const QString &text, QString *refused = nullptr) const;
    void appendDecoded(QString &out, QByteArrayView bytes) const;

    // The usual all-ASCII text is copied without a decoder. Inline: every datagram's address
    // and type tags are rendered through it.
    static void appendUtf8(QString &out, QByteArrayView bytes)
    {
        if (isAscii(bytes))
            out.append(QLatin1StringView(bytes.data(), bytes.size()));
        else
            out.append(QString::fromUtf8(bytes));
    }

private:
    enum class Kind { Utf8, Latin1, Named };

    static bool isAscii(QByteArrayView bytes)
    {
        for (const char byte : bytes) {
            if (static_cast<unsigned char>(byte) >= 0x80)
                return false;
        }
        return true;
    }

    bool canCarry(QStringView character) const;
    QByteArray encodeUnchecked(QStringView text, bool *lossy) const;

    Kind m_kind = Kind::Utf8;
    QString m_chosenName = QStringLiteral("UTF-8");
    // Received strings in a named set are decoded one after another, so the decoder is kept.
    mutable QStringDecoder m_decoder;
};
