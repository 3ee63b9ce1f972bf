#include "osc/OscTextEncoding.h"

#include <QStringEncoder>

#include <algorithm>

namespace {

const QString Utf8Name = QStringLiteral("UTF-8");
const QString Latin1Name = QStringLiteral("ASCII");
const QString Utf16Name = QStringLiteral("Unicode");
constexpr char16_t Latin1Last = 0xFF;
constexpr char Nul = '\0';
constexpr auto Stateless = QStringConverter::Flag::Stateless;

// The code point that starts at index: one code unit, or two for a surrogate pair.
QStringView characterAt(QStringView text, qsizetype index)
{
    const bool pair = text.at(index).isHighSurrogate() && index + 1 < text.size()
        && text.at(index + 1).isLowSurrogate();
    return text.mid(index, pair ? 2 : 1);
}

} // namespace

OscTextEncoding::OscTextEncoding(const QString &chosenName)
    : m_chosenName(chosenName)
{
    if (chosenName == Latin1Name) {
        m_kind = Kind::Latin1;
        return;
    }
    if (chosenName.isEmpty() || chosenName == Utf8Name || chosenName == Utf16Name)
        return;
    QStringDecoder decoder(chosenName.toUtf8().constData(), Stateless);
    if (decoder.isValid()) {
        m_kind = Kind::Named;
        m_decoder = std::move(decoder);
    }
}

const OscTextEncoding &OscTextEncoding::follow(const QString &chosenName)
{
    if (chosenName != m_chosenName)
        *this = OscTextEncoding(chosenName);
    return *this;
}

QString OscTextEncoding::wireName() const
{
    return m_kind == Kind::Utf8 ? Utf8Name : m_chosenName;
}

QByteArray OscTextEncoding::encodeUnchecked(QStringView text, bool *lossy) const
{
    if (m_kind == Kind::Latin1) {
        *lossy = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > Latin1Last; });
        return text.toLatin1();
    }
    // A fresh encoder each time: a named one keeps its error count across resets.
    QStringEncoder encoder = m_kind == Kind::Utf8
        ? QStringEncoder(QStringConverter::Utf8, Stateless)
        : QStringEncoder(m_chosenName.toUtf8().constData(), Stateless);
    QByteArray bytes = encoder.encode(text);
    *lossy = encoder.hasError();
    return bytes;
}

bool OscTextEncoding::canCarry(QStringView character) const
{
    bool lossy = false;
    const QByteArray bytes = encodeUnchecked(character, &lossy);
    return !lossy && !bytes.contains(Nul);
}

std::optional<QByteArray> OscTextEncoding::encode(const QString &text, QString *refused) const
{
    bool lossy = false;
    QByteArray bytes = encodeUnchecked(text, &lossy);
    if (!lossy && !bytes.contains(Nul))
        return bytes;
    // Encoded again one character at a time, to name the first that cannot travel.
    for (qsizetype index = 0; index < text.size();) {
        const QStringView character = characterAt(text, index);
        if (!canCarry(character)) {
            if (refused)
                *refused = character.toString();
            return std::nullopt;
        }
        index += character.size();
    }
    return bytes;
}

void OscTextEncoding::appendDecoded(QString &out, QByteArrayView bytes) const
{
    switch (m_kind) {
    case Kind::Utf8:
        appendUtf8(out, bytes);
        break;
    case Kind::Latin1:
        out.append(QLatin1StringView(bytes.data(), bytes.size()));
        break;
    case Kind::Named:
        out.append(QString(m_decoder.decode(bytes)));
        break;
    }
}
