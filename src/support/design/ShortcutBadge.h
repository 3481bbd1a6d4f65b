#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// A key cap showing a shortcut label ("esc", "⌘ V") verbatim, in an 11 px
// monospaced medium face, on a faint rounded fill with a hairline border. The
// colours follow the primary foreground of the design environment's appearance.
class ShortcutBadge : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutBadge(const QString &label, QWidget *parent = nullptr);

    QString label() const { return label_; }
    void setLabel(const QString &label);

    QSize sizeHint() const override;

    static QFont font();
    // The padded size of a key cap for this label.
    static QSizeF sizeFor(const QString &label);
    // Draws a key cap filling `frame`: its fill and hairline in the `primary`
    // foreground colour, its label in the `secondary` one.
    static void paint(QPainter &painter, const QRectF &frame, const QString &label, const QColor &primary,
                      const QColor &secondary);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString label_;
};
