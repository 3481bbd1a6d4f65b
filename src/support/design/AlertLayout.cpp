#include "support/design/AlertLayout.h"

#include <QFontMetrics>
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

// The width a label needs to show `text` on one line: the text as the label
// measures it (whole pixels), with the label's own margins.
int widthOf(const QMessageBox &alert, const QString &objectName, const QString &text)
{
    const QLabel *label = alert.findChild<QLabel *>(objectName);
    const QFont font = label ? label->font() : alert.font();
    const int measured = std::max(QFontMetrics(font).boundingRect(text).width(),
                                  int(std::ceil(QFontMetricsF(font).horizontalAdvance(text))));
    if (!label)
        return measured;
    const QMargins margins = label->contentsMargins();
    return measured + margins.left() + margins.right() + 2 * label->margin() + std::max(0, label->indent());
}

} // namespace

void AlertLayout::fitToTexts(QMessageBox &alert)
{
    auto *grid = qobject_cast<QGridLayout *>(alert.layout());
    if (!grid)
        return;
    const int text = std::max(widthOf(alert, QStringLiteral("qt_msgbox_label"), alert.text()),
                              widthOf(alert, QStringLiteral("qt_msgbox_informativelabel"), alert.informativeText()));
    const int width = std::min(widestText, text);
    // The texts sit in the last column: a spacer there holds it at their width.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(),
                  grid->columnCount() - 1);
}
