#pragma once

#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"

#include <QWidget>

// A standard label: a symbol, then a one-line text, in a role's face and an
// ink. Read by assistive technologies as its text; the symbol's name is in the
// `symbol` property.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QString &symbol, const QString &text, DesignTokens::FontRole role, SystemColours::Ink ink,
                QWidget *parent = nullptr);
    // In a face of the caller's own, for a text no role covers.
    SymbolLabel(const QString &symbol, const QString &text, const QFont &font, SystemColours::Ink ink,
                QWidget *parent = nullptr);

    QString symbol() const { return symbol_; }
    void setSymbol(const QString &symbol);
    QString text() const { return text_; }
    void setText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double symbolSide() const;
    double gap() const;

    QString symbol_;
    QString text_;
    QFont font_;
    SystemColours::Ink ink_;
};
