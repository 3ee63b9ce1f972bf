#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QJsonObject;

// One advertisement as the advertisement service describes it.
struct AdItem
{
    int id = 0;
    QString targetType;
    QString adType;
    QString title;
    QString imageUrl;
    QString linkUrl;
    QString description;

    bool isImage() const;

    // A missing key gives 0 or an empty string.
    static AdItem fromJson(const QJsonObject &object);
    // The usable advertisements of a service reply, in display order: the entries with status 1 of
    // a JSON object whose "success" is true. Empty when the body is anything else.
    static QList<AdItem> listFromReply(const QByteArray &body);
};
