#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

class AccessibilityPreferences;
class QVariantAnimation;
class SelectionPresentation;

// The hint card near the top of a selection overlay: what to do next, which
// engine will read the text (or that this is practice), that Escape cancels,
// and the keys that steer a selection. Drawn in the dark scheme; takes no input
// and is left out of the accessibility tree (the overlay carries the label,
// help and value). The headline cross-fades only when a selection appears or
// disappears, and never under Reduce Motion.
class SelectionToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int fadeMilliseconds = 160;
    static const QString hintLine;

    SelectionToolbar(SelectionPresentation &state, AccessibilityPreferences &accessibility, QWidget *parent = nullptr);

    QString headline() const;
    QString subline() const;
    // Whether a cross-fade is under way.
    bool isAnimating() const;
    // The card's background: translucent, or opaque under Reduce Transparency.
    QColor cardBackground() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void stateChanged();
    QRectF cardFrame() const;
    void paintCard(QPainter &painter, const QRectF &card);
    void paintCardShadow(QPainter &painter) const;
    void paintHeadlines(QPainter &painter, QPointF topLeft, double width);
    void paintHintLine(QPainter &painter, double top);
    // The hint line's dark halo, drawn at `offset` from where the line's text starts.
    struct HintHalo {
        QString key;
        QImage image;
        QPointF offset;
    };
    static const HintHalo &hintHalo(const QPainter &painter);

    SelectionPresentation &state_;
    AccessibilityPreferences &accessibility_;
    bool shownHasSelection_;
    QString previousHeadline_;
    QPointer<QVariantAnimation> fade_;
    double fadeProgress_ = 1;
};
