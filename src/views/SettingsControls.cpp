#include "views/SettingsControls.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignTokens.h"

#include <QComboBox>
#include <QScrollArea>
#include <QSignalBlocker>

QFont SettingsControls::controlFont()
{
    return DesignTokens::font(DesignTokens::FontRole::control);
}

QFont SettingsControls::captionFont()
{
    return DesignTokens::font(DesignTokens::FontRole::body);
}

ClampedLabel *SettingsControls::text(const QString &text, const QFont &font, SystemColours::Ink ink,
                                     double extraLineSpacing)
{
    auto *label = new ClampedLabel(font, ink);
    label->setText(text);
    label->setExtraLineSpacing(extraLineSpacing);
    label->growWithLines();
    return label;
}

ClampedLabel *SettingsControls::caption(const QString &text, SystemColours::Ink ink, const QString &name)
{
    ClampedLabel *label = SettingsControls::text(text, captionFont(), ink);
    label->setObjectName(name);
    return label;
}

void SettingsControls::select(QComboBox &picker, const QString &data)
{
    const QSignalBlocker blocker(&picker);
    picker.setCurrentIndex(picker.findData(data));
}

void SettingsControls::scroll(QScrollArea &area, QWidget *content)
{
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setWidget(content);
    area.viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}
