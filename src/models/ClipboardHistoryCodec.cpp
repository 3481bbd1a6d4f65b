#include "models/ClipboardHistoryCodec.h"

#include "foundation/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cmath>

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceDateMSecs = 978'307'200'000;

void appendEscaped(QByteArray &out, unsigned char unit)
{
    static constexpr char hexDigits[] = "0123456789abcdef";
    switch (unit) {
    case '"':
        out.append("\\\"");
        break;
    case '\\':
        out.append("\\\\");
        break;
    case '\n':
        out.append("\\n");
        break;
    case '\r':
        out.append("\\r");
        break;
    case '\t':
        out.append("\\t");
        break;
    default:
        out.append("\\u00");
        out.append(hexDigits[unit >> 4]);
        out.append(hexDigits[unit & 0xf]);
    }
}

bool needsEscape(unsigned char unit)
{
    return unit < 0x20 || unit == '"' || unit == '\\';
}

void appendJsonString(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    // Copies the runs between escapes whole: most texts have few or none.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto unit = static_cast<unsigned char>(utf8.at(i));
        if (!needsEscape(unit))
            continue;
        out.append(utf8.constData() + runStart, i - runStart);
        appendEscaped(out, unit);
        runStart = i + 1;
    }
    out.append(utf8.constData() + runStart, utf8.size() - runStart);
    out.append('"');
}

void appendJsonNumber(QByteArray &out, double value)
{
    // Shortest text that reads back as the same double, independent of the locale.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

bool isUuidText(const QString &text, QUuid &uuid)
{
    static const QString nilText = QUuid().toString(QUuid::WithoutBraces);
    if (text.size() != 36)
        return false;
    uuid = QUuid::fromString(text);
    return !uuid.isNull() || text == nilText;
}

// A number of seconds that a QDateTime can hold (about ±31,000 years); beyond
// it the millisecond arithmetic would overflow.
bool isRepresentableDate(const QJsonValue &date)
{
    return date.isDouble() && std::abs(date.toDouble()) < 1e12;
}

std::optional<ClipboardHistoryItem> decodeItem(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue text = object.value(QLatin1String("text"));
    const QJsonValue date = object.value(QLatin1String("date"));
    const QJsonValue isPinned = object.value(QLatin1String("isPinned"));
    QUuid uuid;
    if (!id.isString() || !isUuidText(id.toString(), uuid) || !text.isString() || !isRepresentableDate(date) ||
        !isPinned.isBool())
        return std::nullopt;
    return ClipboardHistoryItem(text.toString(),
                                ClipboardHistoryCodec::dateFromSecondsSinceReferenceDate(date.toDouble()),
                                isPinned.toBool(), uuid);
}

} // namespace

double ClipboardHistoryCodec::secondsSinceReferenceDate(const QDateTime &date)
{
    return static_cast<double>(date.toMSecsSinceEpoch() - referenceDateMSecs) / 1000.0;
}

QDateTime ClipboardHistoryCodec::dateFromSecondsSinceReferenceDate(double seconds)
{
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(referenceDateMSecs + msecs, Qt::UTC);
}

// Written by hand because QJsonObject sorts its keys and the file keeps the
// order id, text, date, isPinned.
QByteArray ClipboardHistoryCodec::encode(const QList<ClipboardHistoryItem> &items)
{
    QByteArray out;
    qsizetype textSize = 0;
    for (const ClipboardHistoryItem &item : items)
        textSize += item.text.size();
    out.reserve(textSize + items.size() * 96 + 2);
    out.append('[');
    for (qsizetype i = 0; i < items.size(); ++i) {
        const ClipboardHistoryItem &item = items.at(i);
        if (i > 0)
            out.append(',');
        out.append("{\"id\":\"");
        out.append(UuidText::of(item.id).toLatin1());
        out.append("\",\"text\":");
        appendJsonString(out, item.text);
        out.append(",\"date\":");
        appendJsonNumber(out, secondsSinceReferenceDate(item.date));
        out.append(",\"isPinned\":");
        out.append(item.isPinned ? "true" : "false");
        out.append('}');
    }
    out.append(']');
    return out;
}

std::optional<QList<ClipboardHistoryItem>> ClipboardHistoryCodec::decode(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<ClipboardHistoryItem> items;
    items.reserve(array.size());
    for (const QJsonValue &value : array) {
        std::optional<ClipboardHistoryItem> item = decodeItem(value);
        if (!item)
            return std::nullopt;
        items.append(std::move(*item));
    }
    return items;
}
