#include "views/ResultEditor.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

ResultEditor::ResultEditor(const QString &text, const QFont &font, double lineSpacing, QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setFont(font);
    document()->setDefaultFont(font);
    document()->setDocumentMargin(0);
    // Setting the text up is not an edit the user could undo.
    document()->setUndoRedoEnabled(false);
    setPlainText(text);
    spaceLines(lineSpacing);
    document()->setUndoRedoEnabled(true);
    moveCursor(QTextCursor::Start);
}

void ResultEditor::spaceLines(double lineSpacing)
{
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spaced;
    spaced.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
    all.mergeBlockFormat(spaced);
}

QString ResultEditor::text() const
{
    // toPlainText() would turn no-break spaces into plain ones.
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

bool ResultEditor::isEmpty() const
{
    return document()->isEmpty();
}

void ResultEditor::keyPressEvent(QKeyEvent *event)
{
    // Shift+Return would put a line separator (U+2028) into the text: a plain
    // text has only one kind of line break.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
        textCursor().insertBlock();
        ensureCursorVisible();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void ResultEditor::insertFromMimeData(const QMimeData *source)
{
    // Only the plain text of whatever is pasted or dropped.
    if (!source || !source->hasText())
        return;
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    textCursor().insertText(text);
}
