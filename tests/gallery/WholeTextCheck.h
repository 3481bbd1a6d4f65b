#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The texts of a window that are not shown whole, one description per
// widget: a clamped label whose last line ends in an ellipsis its text does
// not have, or a label whose lines need more height than it has; and, for
// every text any widget draws (labels, buttons, chips, headers, rows), one
// drawn cut short with an ellipsis, or reaching beyond its widget, the
// parents it sits in or the clip it is drawn in. A scrolled list's rows may go
// out of sight above and below, not at the sides; what text fields hold is
// the user's and is left out. So are the `clamped` texts, made too long for
// their box on purpose.
QStringList cutTexts(QWidget &window, const QStringList &clamped = {});
