#pragma once

#include "support/design/SymbolLabel.h"

// The one-line promise that recognition stays on this machine, with its
// shield symbol, in the secondary style. Read as its text.
class PrivacyFootnote : public SymbolLabel {
    Q_OBJECT
public:
    static const QString promise;

    explicit PrivacyFootnote(QWidget *parent = nullptr);
};
