#include "ads/AdItem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QLatin1String ImageAdType("image");
constexpr int ActiveStatus = 1;
}

bool AdItem::isImage() const
{
    return adType == ImageAdType && !imageUrl.isEmpty();
}

AdItem AdItem::fromJson(const QJsonObject &object)
{
    AdItem item;
    item.id = object.value(QLatin1String("id")).toInt();
    item.targetType = object.value(QLatin1String("target_type")).toString();
    item.adType = object.value(QLatin1String("ad_type")).toString();
    item.title = object.value(QLatin1String("title")).toString();
    item.imageUrl = object.value(QLatin1String("image_url")).toString();
    item.linkUrl = object.value(QLatin1String("link_url")).toString();
    item.description = object.value(QLatin1String("description")).toString();
    return item;
}

QList<AdItem> AdItem::listFromReply(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return {};
    const QJsonObject reply = document.object();
    if (!reply.value(QLatin1String("success")).toBool())
        return {};

    QList<AdItem> items;
    const QJsonArray entries = reply.value(QLatin1String("ads")).toArray();
    for (const QJsonValue &entry : entries) {
        const QJsonObject object = entry.toObject();
        if (object.value(QLatin1String("status")).toInt() == ActiveStatus)
            items.append(fromJson(object));
    }
    return items;
}
