#pragma once

#include "models/CaptureResult.h"

#include <QList>
#include <QWidget>

class PlainButton;
class QVBoxLayout;
class ResultRow;
class SectionHeader;

// The menu-bar panel's card of kept captures: a small-capitals header with
// Clear, a row for each of the three newest results (newest first), and
// "Copy last capture". It shows what it is given and reports the clicks; the
// panel calls the model.
class CapturesCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int shownRows = 3;

    explicit CapturesCard(QWidget *parent = nullptr);

    // "RECENT CAPTURES" while several results are kept, else "LAST CAPTURE".
    void setHeader(bool remembering);
    // The rows are made again only when the results differ from the shown ones.
    void setResults(const QList<CaptureResult> &results);
    // Busy: "Copy last capture" is disabled; Clear and the rows stay usable.
    void setBusy(bool busy);

    QList<ResultRow *> rows() const { return rows_; }

Q_SIGNALS:
    void clearClicked();
    void reviewClicked(const CaptureResult &result);
    void copyLastClicked();

private:
    SectionHeader *header_;
    PlainButton *clear_;
    QVBoxLayout *rowsLayout_;
    QList<ResultRow *> rows_;
    PlainButton *copyLast_;
};
