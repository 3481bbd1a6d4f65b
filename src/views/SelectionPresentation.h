#pragma once

#include "models/OCREngine.h"

#include <QObject>

// What the hint card shows about one overlay's selection. Every assignment
// announces a change, also when the value stays the same, so observers can
// simply rebuild.
class SelectionPresentation : public QObject {
    Q_OBJECT
public:
    SelectionPresentation(OCREngine engine, bool practice, QObject *parent = nullptr)
        : QObject(parent), engine_(engine), practice_(practice)
    {
    }

    OCREngine engine() const { return engine_; }
    bool practice() const { return practice_; }

    // Whether a non-empty selection exists.
    bool hasSelection() const { return hasSelection_; }
    void setHasSelection(bool value) { assign(hasSelection_, value); }
    // Whether the arrow keys shaped the selection last.
    bool keyboard() const { return keyboard_; }
    void setKeyboard(bool value) { assign(keyboard_, value); }
    // Whether the last drag ended below the minimum size.
    bool needsLarger() const { return needsLarger_; }
    void setNeedsLarger(bool value) { assign(needsLarger_, value); }

Q_SIGNALS:
    void changed();

private:
    void assign(bool &field, bool value)
    {
        field = value;
        Q_EMIT changed();
    }

    const OCREngine engine_;
    const bool practice_;
    bool hasSelection_ = false;
    bool keyboard_ = false;
    bool needsLarger_ = false;
};
