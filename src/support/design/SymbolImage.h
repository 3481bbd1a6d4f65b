#pragma once

#include "support/design/SymbolLibrary.h"
#include "support/design/SystemColours.h"

#include <QWidget>

// A symbol on its own, in a square of its side, in an ink resolved when it is
// painted. Decorative: invisible to assistive technologies and to the pointer.
// Carries its name in the `symbol` property.
class SymbolImage : public QWidget {
    Q_OBJECT
public:
    SymbolImage(const QString &symbol, double side, SystemColours::Ink ink,
                SymbolLibrary::Weight weight = SymbolLibrary::Weight::medium, QWidget *parent = nullptr);

    QString symbol() const { return symbol_; }
    void setSymbol(const QString &symbol);
    void setInk(SystemColours::Ink ink, double opacity = 1);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString symbol_;
    double side_;
    SystemColours::Ink ink_;
    double opacity_ = 1;
    SymbolLibrary::Weight weight_;
};
