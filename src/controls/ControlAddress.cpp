#include "controls/ControlAddress.h"

namespace {

const QString ReservedCharacters = QStringLiteral("#*,?[]{}");

}

AddressProblem ControlAddress::problem(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return {QStringLiteral("地址不能为空"), QStringLiteral("The address must not be empty")};
    if (!trimmed.startsWith(u'/'))
        return {QStringLiteral("地址必须以 / 开头"), QStringLiteral("The address must start with /")};
    for (const QChar c : trimmed) {
        if (c.isSpace())
            return {QStringLiteral("地址不能包含空格"), QStringLiteral("The address must not contain spaces")};
        if (ReservedCharacters.contains(c))
            return {QStringLiteral("地址不能包含字符 %1").arg(c),
                    QStringLiteral("The address must not contain the character %1").arg(c)};
    }
    return {};
}
