#include "setup/FieldReader.h"

#include <cmath>

void FieldReadState::fail(const QString &field, const QString &chinese, const QString &english)
{
    if (!problem)
        problem = SetupProblem{field, chinese, english};
}

FieldReader::FieldReader(FieldReadState &state, const QJsonObject &object, const QString &path)
    : m_state(state), m_object(object), m_path(path)
{
}

QString FieldReader::pathOf(const char *key) const
{
    const QString name = QLatin1String(key);
    return m_path.isEmpty() ? name : m_path + QLatin1Char('.') + name;
}

void FieldReader::boolean(const char *key, bool &out)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return;
    if (!value.isBool())
        return fail(key, QStringLiteral("应为 true 或 false"), QStringLiteral("expected true or false"));
    out = value.toBool();
}

void FieldReader::text(const char *key, QString &out)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return;
    if (!value.isString())
        return fail(key, QStringLiteral("应为文本"), QStringLiteral("expected text"));
    out = value.toString();
}

void FieldReader::nonEmptyText(const char *key, QString &out)
{
    text(key, out);
    if (!m_state.failed() && out.trimmed().isEmpty())
        fail(key, QStringLiteral("不能为空"), QStringLiteral("must not be empty"));
}

void FieldReader::textChoice(const char *key, QString &out, const QStringList &choices)
{
    QString chosen = out;
    text(key, chosen);
    if (m_state.failed())
        return;
    if (!choices.contains(chosen))
        return notAChoice(key, choices);
    out = chosen;
}

void FieldReader::indexOfName(const char *key, int &index, const QStringList &names)
{
    QString chosen = names.value(index);
    textChoice(key, chosen, names);
    if (!m_state.failed())
        index = int(names.indexOf(chosen));
}

void FieldReader::number(const char *key, double &out, double minimum, double maximum)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return;
    if (!value.isDouble())
        return fail(key, QStringLiteral("应为数字"), QStringLiteral("expected a number"));
    if (inRange(key, value.toDouble(), minimum, maximum))
        out = value.toDouble();
}

void FieldReader::integer(const char *key, int &out, int minimum, int maximum)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return;
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number)
        return fail(key, QStringLiteral("应为整数"), QStringLiteral("expected a whole number"));
    if (inRange(key, number, minimum, maximum))
        out = int(number);
}

void FieldReader::integerChoice(const char *key, int &out, const QList<int> &choices)
{
    int chosen = out;
    integer(key, chosen, choices.first(), choices.last());
    if (m_state.failed())
        return;
    if (!choices.contains(chosen)) {
        QStringList names;
        for (int choice : choices)
            names.append(QString::number(choice));
        return notAChoice(key, names);
    }
    out = chosen;
}

std::optional<QJsonObject> FieldReader::object(const char *key)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isObject()) {
        fail(key, QStringLiteral("应为对象"), QStringLiteral("expected an object"));
        return std::nullopt;
    }
    return value.toObject();
}

std::optional<QJsonArray> FieldReader::array(const char *key)
{
    const QJsonValue value = take(key);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isArray()) {
        fail(key, QStringLiteral("应为数组"), QStringLiteral("expected an array"));
        return std::nullopt;
    }
    return value.toArray();
}

void FieldReader::fail(const char *key, const QString &chinese, const QString &english)
{
    m_state.fail(pathOf(key), chinese, english);
}

void FieldReader::finish()
{
    for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it) {
        if (!m_known.contains(it.key()))
            m_state.ignored.append(m_path.isEmpty() ? it.key() : m_path + QLatin1Char('.') + it.key());
    }
}

QJsonValue FieldReader::take(const char *key)
{
    const QString name = QLatin1String(key);
    m_known.append(name);
    if (m_state.failed())
        return QJsonValue(QJsonValue::Undefined);
    return m_object.value(name);
}

void FieldReader::notAChoice(const char *key, const QStringList &choices)
{
    const QString list = choices.join(QStringLiteral(", "));
    fail(key, QStringLiteral("不是可选值之一: ") + list, QStringLiteral("not one of: ") + list);
}

bool FieldReader::inRange(const char *key, double value, double minimum, double maximum)
{
    if (value >= minimum && value <= maximum)
        return true;
    const QString range = QString::number(minimum, 'g', 12) + QStringLiteral(" … ") + QString::number(maximum, 'g', 12);
    fail(key, QStringLiteral("超出范围 ") + range, QStringLiteral("outside ") + range);
    return false;
}
