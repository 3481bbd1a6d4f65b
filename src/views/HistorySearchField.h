#pragma once

#include <QWidget>

class QLineEdit;
class SymbolButton;

// The history's search row: a magnifying glass, a borderless text field with
// the placeholder "Search saved text", and a clear button shown while the
// field holds anything, spaces included; on a faint rounded fill with a
// hairline. The text is kept exactly as typed.
class HistorySearchField : public QWidget {
    Q_OBJECT
public:
    explicit HistorySearchField(QWidget *parent = nullptr);

    QString text() const;
    QLineEdit *field() const { return field_; }
    SymbolButton *clearButton() const { return clear_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user changed the text, by typing or with the clear button.
    void edited(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void clear();
    void followText();
    void applyColours();
    void layoutContent();

    QLineEdit *field_;
    SymbolButton *clear_;
};
