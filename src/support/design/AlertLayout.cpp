#include "support/design/AlertLayout.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpacerItem>

#include <algorithm>
#include <cmath>

namespace {

// Beyond this a line of an alert is too long to read at a glance; longer texts wrap.
constexpr int widestText = 460;

double widthOf(const QMessageBox &alert, const QString &objectName, const QString &text)
{
    const QLabel *label = alert.findChild<QLabel *>(objectName);
    return QFontMetricsF(label ? label->font() : alert.font()).horizontalAdvance(text);
}

} // namespace

void AlertLayout::fitToTexts(QMessageBox &alert)
{
    auto *grid = qobject_cast<QGridLayout *>(alert.layout());
    if (!grid)
        return;
    const double text = std::max(widthOf(alert, QStringLiteral("qt_msgbox_label"), alert.text()),
                                 widthOf(alert, QStringLiteral("qt_msgbox_informativelabel"), alert.informativeText()));
    const int width = std::min(widestText, int(std::ceil(text)));
    // The texts sit in the last column: a spacer there holds it at their width.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(),
                  grid->columnCount() - 1);
}
