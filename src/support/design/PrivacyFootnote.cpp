#include "support/design/PrivacyFootnote.h"

const QString PrivacyFootnote::promise = QStringLiteral("On your Mac. Out of the cloud.");

PrivacyFootnote::PrivacyFootnote(QWidget *parent)
    : SymbolLabel(QStringLiteral("lock.shield"), promise, DesignTokens::FontRole::footnote,
                  SystemColours::Ink::secondary, parent)
{
}
