#include "app/DisplayPlatform.h"

#include <QByteArrayList>

namespace {

const QByteArray x11 = QByteArrayLiteral("xcb");

QByteArray nameOf(const QByteArray &choice)
{
    // A choice may carry options: "offscreen:configfile=screens.json".
    const qsizetype options = choice.indexOf(':');
    return (options < 0 ? choice : choice.left(options)).trimmed();
}

} // namespace

std::optional<QByteArray> DisplayPlatform::choose(const QByteArray &requested, bool x11DisplayAnswers)
{
    QByteArrayList kept;
    bool keptX11 = false;
    for (const QByteArray &choice : requested.split(';')) {
        const QByteArray name = nameOf(choice);
        const bool isX11 = name == x11;
        if ((isX11 && x11DisplayAnswers) || name == "offscreen" || name == "minimal") {
            kept.append(choice.trimmed());
            keptX11 = keptX11 || isX11;
        }
    }
    if (x11DisplayAnswers && !keptX11)
        kept.append(x11);
    if (kept.isEmpty())
        return std::nullopt;
    return kept.join(';');
}
