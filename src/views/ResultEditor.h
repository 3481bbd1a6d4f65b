#pragma once

#include <QTextEdit>

// The result window's editor: plain text only, in the given face with extra
// space between lines, on a transparent background. What it holds is exactly
// the text it was given, as edited: no rich text, no character replaced
// (a no-break space stays one), and every line break a "\n".
class ResultEditor : public QTextEdit {
    Q_OBJECT
public:
    ResultEditor(const QString &text, const QFont &font, double lineSpacing, QWidget *parent = nullptr);

    QString text() const;
    bool isEmpty() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void spaceLines(double lineSpacing);
};
