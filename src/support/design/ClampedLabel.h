#pragma once

#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QVariantAnimation;

// Plain text that wraps at word boundaries to the label's width and shows at
// most a given number of lines, the last one ending in "…" when text is left
// over. Its height follows its width (hasHeightForWidth). A new text may
// cross-fade in over the old one. Lines start at the leading edge or are
// centred. Dimmed while disabled. Never interprets markup; read by assistive
// technologies as its whole text.
//
// With a maximum number of lines, only as much of the text is laid out as
// could fill them, so a label of a 100,000-character text costs no more
// than one of a paragraph; the lines of the last width asked for are kept.
class ClampedLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr double disabledOpacity = 0.45;

    ClampedLabel(DesignTokens::FontRole role, SystemColours::Ink ink, QWidget *parent = nullptr);
    // In a face of the caller's own, for a text no role covers.
    ClampedLabel(const QFont &font, SystemColours::Ink ink, QWidget *parent = nullptr);

    QString text() const { return text_; }
    // With a duration above zero, the old text fades out as the new one fades in.
    void setText(const QString &text, int crossFadeMs = 0);
    void setInk(SystemColours::Ink ink);
    // 0: as many lines as the text needs.
    void setMaximumLines(int lines);
    int maximumLines() const { return maximumLines_; }
    // Added between two lines, on top of the face's own line spacing.
    void setExtraLineSpacing(double spacing);
    // Qt::AlignLeft (the default) or Qt::AlignHCenter.
    void setAlignment(Qt::Alignment alignment);
    // Lets a box layout give the label the height of all its lines at the
    // width it gets: by default a box layout holds it at its size hint, one
    // line per paragraph.
    void growWithLines();
    // A text that wraps is broken into lines as even as they can be without
    // taking one more, so no word is left alone on the last; for titles.
    void setBalancedLines(bool balanced);
    // How many lines fit in `height` (one at least).
    int linesWithin(int height) const;
    QFont textFont() const { return font_; }

    // The lines shown at `width`, the clamp applied.
    QStringList linesFor(const QString &text, double width) const;
    // `text` wrapped at word boundaries to `width` in `font`, at most
    // `maximumLines` (0: all) of them, the last one ending in "…" when text is
    // left over; for views that draw a clamped text themselves.
    static QStringList wrap(const QString &text, const QFont &font, double width, int maximumLines);
    QStringList displayedLines() const { return linesAt(width()); }
    bool isAnimating() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    double heightOf(int lines) const;
    void paintLines(QPainter &painter, const QStringList &lines) const;
    void endFade();
    // The lines of the label's own text at `width`, from the cache when it holds them.
    const QStringList &linesAt(double width) const;
    void textChanged();

    QFont font_;
    SystemColours::Ink ink_;
    QString text_;
    QString fadingText_;
    int maximumLines_ = 0;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    bool balanced_ = false;
    double extraSpacing_ = 0;
    mutable double cachedWidth_ = -1;
    mutable QStringList cachedLines_;
    QPointer<QVariantAnimation> fade_;
    double fadeShare_ = 1;
};
