#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The texts of a window that are not shown whole: a label whose last line
// ends in an ellipsis its text does not have, or whose lines do not fit its
// height or the parents it sits in. Labels in a scrolled list are left out:
// their rows go out of sight by design, and so are the `clamped` texts, made
// too long for their box on purpose. One description per text.
QStringList cutTexts(QWidget &window, const QStringList &clamped = {});
