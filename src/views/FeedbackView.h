#pragma once

#include "models/CapturePhase.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppModel;
class ClampedLabel;
class GlyphView;
class PanelMaterial;
class QTimer;
class QVariantAnimation;
class SymbolButton;

// The content of the floating feedback panel: one card that follows the
// model's capture phase, with a glyph, an eyebrow, a title and a subtitle, and
// the actions of that outcome (cancel while reading; paste hint and review
// after a copy; retry after a cancel; retry or settings, and an image import,
// after a failure). It reads the model and calls its operations; it does no
// work of its own.
//
// The view fills its host window: the panel material inside a 12-point margin,
// where it draws the panel's drop shadow when the desktop composites.
// The host sizes the window by cardSize() of the model's phase (or by
// sizeHint(), announced by presentationChanged()), reports the window's
// keyboard focus to the model itself, and hides or deletes the view to dismiss
// it. The view reports the pointer entering and leaving it, and leaving when
// it is hidden. A card fading out after a dismissal keeps what it showed: the
// idle phase never replaces the shown content.
class FeedbackView : public QWidget {
    Q_OBJECT
public:
    enum class Presentation { recognising, copied, cleared, failed };

    static constexpr int cardWidth = 424;
    static constexpr int cardHeight = 206;
    static constexpr int failedCardHeight = 250;
    static constexpr int margin = 12;
    static constexpr int padding = 20;

    // The host panel's size for a phase: 424 × 206, or 424 × 250 when failed.
    static QSize cardSize(const CapturePhase &phase) { return cardSize(phase.kind() == CapturePhase::failed); }
    static QSize cardSize(bool failed);
    static Presentation presentationOf(const CapturePhase &phase);
    // "· 12s" from a recognition's start to `now`; nothing below one second,
    // without a start, or for a start in the future.
    static QString elapsedText(const std::optional<QDateTime> &start, const QDateTime &now);

    explicit FeedbackView(AppModel &model, QWidget *parent = nullptr);
    ~FeedbackView() override;

    // The phase whose content the card shows.
    CapturePhase shownPhase() const { return shown_; }
    Presentation presentation() const { return presentationOf(shown_); }

    // The clock of the elapsed-time line; tests and the gallery replace it.
    void setClock(std::function<QDateTime()> clock);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The card shows another phase; its size hint may have changed with it.
    void presentationChanged();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Tab follows the order on screen.
    bool focusNextPrevChild(bool next) override;

private:
    void phaseChanged(const CapturePhase &phase);
    void present(const CapturePhase &phase, bool animated);
    void showTexts(bool animated);
    QString subtitle() const;
    void rebuildActions();
    QWidget *makeActions();
    QWidget *recognisingActions();
    QWidget *copiedActions();
    QWidget *failedActions();
    QWidget *clearedActions();
    GlyphView *makeGlyph();
    void replaceGlyph(bool animated);
    void finishGlyphTransition();
    void layoutCard();
    // The subtitle's line limit for `room` of height under the title.
    void fitSubtitle(int room);
    void updateTicker();
    void tick();
    void reportHover(bool hovered);
    void dismiss();

    QPointer<AppModel> model_;
    CapturePhase shown_;
    std::function<QDateTime()> clock_;
    bool hovered_ = false;

    PanelMaterial *material_;
    ClampedLabel *eyebrow_;
    ClampedLabel *title_;
    ClampedLabel *subtitle_;
    SymbolButton *dismissButton_;
    QWidget *divider_;
    QWidget *actions_ = nullptr;
    ClampedLabel *elapsed_ = nullptr;
    GlyphView *glyph_ = nullptr;
    QPointer<GlyphView> leavingGlyph_;
    QPointer<QVariantAnimation> glyphTransition_;
    QTimer *ticker_;
};
