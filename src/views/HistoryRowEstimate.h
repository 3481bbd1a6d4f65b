#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QString>

#include <array>
#include <optional>

// Row heights of the history list without making rows: a text's lines
// counted from the advances of its characters one by one, right but for
// kerning and complex scripts (a row made measures itself exactly). The faces'
// metrics and the advances met so far are kept, so an estimate costs a
// microsecond or so however long the text, and each estimate says over which
// widths it holds, so a change of width tells again only the few whose lines
// break elsewhere. `follow` picks up a change of the application's font.
class HistoryRowEstimate {
public:
    // A row's height, and the text widths from `from` up to (not including)
    // `to` over which its lines break at the same places.
    struct Height {
        int height = 0;
        double from = 0;
        double to = 0;
    };

    HistoryRowEstimate();

    // Whether the faces changed since the last call (the estimates made before are then stale).
    bool follow();
    Height heightFor(const QString &text, int rowWidth);
    // Whether `height` holds for a row `rowWidth` wide.
    static bool holds(const Height &height, int rowWidth);
    // A row's measured height, which holds at the width it was measured at only.
    static Height measured(int height) { return {height, 0, -1}; }

private:
    struct Lines {
        int count = 1;
        double from = 0;
        double to = 0;
    };

    double advanceOf(QChar character);
    Lines linesOf(const QString &text, double width, int maximum);

    QString key_;
    std::optional<QFontMetricsF> metrics_;
    double textLine_ = 0;
    int metaHeight_ = 0;
    std::array<double, 256> latin_{};
    QHash<char16_t, double> other_;
};
