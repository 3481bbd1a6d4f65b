#include "support/design/ReturnActivation.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>

namespace {

class Filter : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const bool activates = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!activates || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = static_cast<QAbstractButton *>(watched);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

} // namespace

void ReturnActivation::install(QAbstractButton &button)
{
    static auto *filter = new Filter;
    button.installEventFilter(filter);
}
