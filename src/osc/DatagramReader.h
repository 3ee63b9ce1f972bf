#pragma once

#include "osc/OscTextEncoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <optional>

namespace OscCodec {

// The type tags this program reads, and the character that starts a type-tag string.
namespace Tag {
constexpr char Int32 = 'i';
constexpr char Float32 = 'f';
constexpr char String = 's';
constexpr char Blob = 'b';
constexpr char Int64 = 'h';
constexpr char TimeTag = 't';
constexpr char Float64 = 'd';
constexpr char Symbol = 'S';
constexpr char Char = 'c';
constexpr char Rgba = 'r';
constexpr char Midi = 'm';
constexpr char True = 'T';
constexpr char False = 'F';
constexpr char Nil = 'N';
constexpr char Infinitum = 'I';
constexpr char ArrayBegin = '[';
constexpr char ArrayEnd = ']';
} // namespace Tag

constexpr char TypeTagLead = ',';

// Every OSC item starts on a multiple of four bytes.
constexpr qsizetype Alignment = 4;

// The sizes of the fixed-size items.
constexpr qsizetype Int32Size = 4;
constexpr qsizetype Float32Size = 4;
constexpr qsizetype Int64Size = 8;
constexpr qsizetype Float64Size = 8;
constexpr qsizetype TimeTagSize = 8;

// Time tags count seconds from 1900-01-01 UTC; the Unix epoch is 1970-01-01 UTC.
constexpr qint64 SecondsFrom1900To1970 = 2208988800LL;

constexpr qsizetype roundUpToFour(qsizetype count)
{
    return (count + Alignment - 1) & ~(Alignment - 1);
}

// Where the next item starts after an OSC-string whose terminating NUL is at nulIndex.
constexpr qsizetype afterString(qsizetype nulIndex)
{
    return roundUpToFour(nulIndex + 1);
}

// Read-only access to one datagram. Every accessor checks the end of the buffer itself, so a
// caller walking a hostile datagram cannot read past it whatever positions it computes.
class DatagramReader
{
public:
    explicit DatagramReader(const QByteArray &datagram)
        : m_bytes(datagram.constData()), m_size(datagram.size())
    {
    }

    qsizetype size() const { return m_size; }

    bool holds(qsizetype position, qsizetype count) const
    {
        return position >= 0 && count >= 0 && position <= m_size - count;
    }

    // The byte at position, or NUL outside the datagram.
    char byteAt(qsizetype position) const
    {
        return holds(position, 1) ? m_bytes[position] : '\0';
    }

    // Index of the first NUL at or after position; -1 when there is none.
    qsizetype nulFrom(qsizetype position) const
    {
        if (!holds(position, 1))
            return -1;
        const void *nul = std::memchr(m_bytes + position, '\0', size_t(m_size - position));
        return nul ? static_cast<const char *>(nul) - m_bytes : -1;
    }

    std::optional<quint32> word32At(qsizetype position) const
    {
        if (!holds(position, sizeof(quint32)))
            return std::nullopt;
        return qFromBigEndian<quint32>(m_bytes + position);
    }

    std::optional<quint64> word64At(qsizetype position) const
    {
        if (!holds(position, sizeof(quint64)))
            return std::nullopt;
        return qFromBigEndian<quint64>(m_bytes + position);
    }

    std::optional<qint32> int32At(qsizetype position) const
    {
        const auto word = word32At(position);
        return word ? std::optional<qint32>(qint32(*word)) : std::nullopt;
    }

    std::optional<qint64> int64At(qsizetype position) const
    {
        const auto word = word64At(position);
        return word ? std::optional<qint64>(qint64(*word)) : std::nullopt;
    }

    std::optional<float> float32At(qsizetype position) const
    {
        return bitsAs<float>(word32At(position));
    }

    std::optional<double> float64At(qsizetype position) const
    {
        return bitsAs<double>(word64At(position));
    }

    QByteArrayView bytes(qsizetype from, qsizetype to) const
    {
        Q_ASSERT(from >= 0 && from <= to && to <= m_size);
        return QByteArrayView(m_bytes + from, to - from);
    }

    // Appends bytes [from, to) decoded as UTF-8.
    void appendText(QString &out, qsizetype from, qsizetype to) const
    {
        OscTextEncoding::appendUtf8(out, bytes(from, to));
    }

    QString text(qsizetype from, qsizetype to) const
    {
        Q_ASSERT(from >= 0 && from <= to && to <= m_size);
        return QString::fromUtf8(m_bytes + from, to - from);
    }

private:
    template <typename Real, typename Word>
    static std::optional<Real> bitsAs(std::optional<Word> word)
    {
        static_assert(sizeof(Real) == sizeof(Word));
        if (!word)
            return std::nullopt;
        Real value;
        std::memcpy(&value, &*word, sizeof value);
        return value;
    }

    const char *m_bytes;
    qsizetype m_size;
};

} // namespace OscCodec
