#pragma once

#include "setup/SetupFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The first problem met while reading a setup, and the unknown fields passed over on the way.
struct FieldReadState {
    std::optional<SetupProblem> problem;
    QStringList ignored;

    bool failed() const { return problem.has_value(); }
    // Keeps the first problem only: the one the reader met first is the one reported.
    void fail(const QString &field, const QString &chinese, const QString &english);
};

// Reads the known fields of one JSON object into place, checking each one's type and range, and
// leaves a value as it is when its field is missing; finish() lists the fields nobody asked for.
// Once anything failed, reading goes on as a no-op.
class FieldReader
{
public:
    FieldReader(FieldReadState &state, const QJsonObject &object, const QString &path);

    // The JSON path of a field of this object: "controls[2].address".
    QString pathOf(const char *key) const;

    void boolean(const char *key, bool &out);
    void text(const char *key, QString &out);
    void nonEmptyText(const char *key, QString &out);
    void textChoice(const char *key, QString &out, const QStringList &choices);
    void number(const char *key, double &out, double minimum, double maximum);
    void integer(const char *key, int &out, int minimum, int maximum);
    // One of the given whole numbers, listed in increasing order.
    void integerChoice(const char *key, int &out, const QList<int> &choices);

    // An enum written as its name, names[int(value)].
    template<typename Enum>
    void name(const char *key, Enum &out, const QStringList &names)
    {
        int index = int(out);
        indexOfName(key, index, names);
        out = Enum(index);
    }

    // A nested object or array; empty when it is missing or of the wrong type (which fails).
    std::optional<QJsonObject> object(const char *key);
    std::optional<QJsonArray> array(const char *key);

    void fail(const char *key, const QString &chinese, const QString &english);
    void finish();

private:
    QJsonValue take(const char *key);
    void indexOfName(const char *key, int &index, const QStringList &names);
    void notAChoice(const char *key, const QStringList &choices);
    bool inRange(const char *key, double value, double minimum, double maximum);

    FieldReadState &m_state;
    QJsonObject m_object;
    QString m_path;
    QStringList m_known;
};
