#pragma once

#include "support/design/SystemColours.h"

#include <QFont>
#include <QString>

class ClampedLabel;
class QComboBox;
class QScrollArea;
class QWidget;

// What the settings window's tabs share: the faces, captions, and showing a
// setting in a control without the control reporting it back.
class SettingsControls {
public:
    SettingsControls() = delete;

    // The face of the controls and their labels.
    static QFont controlFont();
    // The face of the small explanations under a group of controls.
    static QFont captionFont();

    // A text that wraps to the width its layout gives it, as tall as its lines.
    static ClampedLabel *text(const QString &text, const QFont &font, SystemColours::Ink ink,
                              double extraLineSpacing = 0);
    // A caption that wraps to its width, as plain text.
    static ClampedLabel *caption(const QString &text, SystemColours::Ink ink, const QString &name = QString());

    // Makes `area` scroll `content` up and down, as wide as the area, over the window's background.
    static void scroll(QScrollArea &area, QWidget *content);

    // Makes the item whose data is `data` current, or none when no item has
    // it, without emitting anything: only a user's pick writes a setting.
    static void select(QComboBox &picker, const QString &data);
};
