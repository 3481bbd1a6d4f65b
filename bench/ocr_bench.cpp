// Recognition benchmark: image file -> ImageLoader -> VisionOCR -> normalised
// text, one JSON object per file and a summary, optionally side by side with
// the `tesseract` command-line program on the same files in the same run.
//
//   ravelond-ocr-bench [--language CODE] [--compare-cli] [--set text|interface|real|large] [--keep FOLDER] [FILE...]
//
// Without files it renders two sets of images of known content and adds each
// file's character accuracy, with the means per category: text (DejaVu, 9-48
// px, light and dark backgrounds, scale 1 and 2) and interface crops (buttons,
// dialogs, checkboxes, tabs, badges, tooltips, menus, terminals; 9-16 px,
// light and dark, some as JPEG or at scale 2, one 1000 x 300 pane). The real
// set is what other programs drew (bench/real_screens: a headless browser, GTK
// dialogs, Qt widgets, xterm; some as JPEG or at scale 2), read from the
// source tree with the text each crop shows.
//
// The large set (only when asked for) holds two 12-megapixel pictures: noise,
// a texture without any text, and a photo-like landscape with a small sign.
// After them it measures a cancellation of each: a read of the picture is
// cancelled halfway through, and reads of a small text image are tried until
// one is accepted.

#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "services/ImageLoader.h"
#include "services/TesseractLanguages.h"
#include "services/VisionOCR.h"

#include <QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <stop_token>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <optional>
#include <sys/resource.h>
#include <vector>

namespace {

struct Options {
    QString language = QStringLiteral("auto");
    bool compareCli = false;
    QString set;        // "text", "interface", "real" or empty for all
    QString keepFolder; // where the generated images stay, for a look at them
    QStringList files;
};

struct Sample {
    QString file;
    std::optional<QString> expected; // only for the generated sets
    int pixelSize = 0;
    QString category;
    bool scoreWords = false; // compare the words only, not the line breaks
    QSize size;
};

struct Measurement {
    QString category;
    QSize size;
    double decodeMs = 0;
    double recognizeMs = 0;
    double recognizeCpuMs = 0;
    std::optional<double> cliMs;
    std::optional<double> cliCpuMs;
    std::optional<double> accuracy;
    std::optional<double> cliAccuracy;
    int pixelSize = 0;
};

// Writes one JSON object on one line, keys in the order they are added.
class JsonLine {
public:
    JsonLine &add(const char *key, const QString &value) { return addRaw(key, quoted(value)); }
    JsonLine &add(const char *key, double value, int decimals = 1)
    {
        return addRaw(key, QString::number(value, 'f', decimals));
    }
    JsonLine &add(const char *key, bool value) { return addRaw(key, value ? "true" : "false"); }
    void print() const { std::printf("{%s}\n", qPrintable(fields_.join(QLatin1Char(',')))); }

private:
    JsonLine &addRaw(const char *key, const QString &value)
    {
        fields_.append(quoted(QLatin1String(key)) + QLatin1Char(':') + value);
        return *this;
    }
    static QString quoted(const QString &text)
    {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    }
    QStringList fields_;
};

std::optional<Options> parseArguments(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--compare-cli")) {
            options.compareCli = true;
        } else if (argument == QLatin1String("--language")) {
            if (++i >= arguments.size())
                return std::nullopt;
            options.language = arguments[i];
        } else if (argument == QLatin1String("--keep")) {
            if (++i >= arguments.size())
                return std::nullopt;
            options.keepFolder = arguments[i];
        } else if (argument == QLatin1String("--set")) {
            if (++i >= arguments.size())
                return std::nullopt;
            options.set = arguments[i];
            if (!QStringList{"text", "interface", "real", "large"}.contains(options.set))
                return std::nullopt;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return std::nullopt;
        } else {
            options.files.append(argument);
        }
    }
    return options;
}

// Generated set -----------------------------------------------------------

const QStringList sampleLines = {
    QStringLiteral("The quick brown fox jumps over the lazy dog."),
    QStringLiteral("Invoice 2024-117: total 1,348.50 EUR due May 3."),
    QStringLiteral("Pack my box with five dozen liquor jugs!"),
    QStringLiteral("Error 404 at line 88 (see config.yaml)"),
    QStringLiteral("Sphinx of black quartz, judge my vow."),
    QStringLiteral("Meeting moved to 14:30 in room B-12."),
};

QImage renderText(const QString &text, int pixelSize, bool dark, int scale)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int margin = pixelSize;
    const QSize logical(width + 2 * margin, int(lines.size()) * metrics.lineSpacing() + 2 * margin);

    QImage image(logical * scale, QImage::Format_RGB32);
    image.fill(dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xfa, 0xfa, 0xfa));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.setFont(font);
    painter.setPen(dark ? QColor(0xe6, 0xe6, 0xe6) : QColor(0x1d, 0x1d, 0x1f));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

std::vector<Sample> generateSamples(const QString &folder)
{
    std::vector<Sample> samples;
    int index = 0;
    for (int pixelSize : {9, 10, 11, 12, 14, 16, 20, 24, 32, 48}) {
        for (bool dark : {false, true}) {
            for (int scale : {1, 2}) {
                const QString text = sampleLines[index % sampleLines.size()] + QLatin1Char('\n') +
                                     sampleLines[(index + 1) % sampleLines.size()];
                const QString file = QStringLiteral("%1/text-%2px-%3-x%4.png")
                                         .arg(folder)
                                         .arg(pixelSize, 2, 10, QLatin1Char('0'))
                                         .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"))
                                         .arg(scale);
                renderText(text, pixelSize, dark, scale).save(file);
                samples.push_back(Sample{file, text, pixelSize, QStringLiteral("text"), false, QSize()});
                ++index;
            }
        }
    }
    return samples;
}

// Interface crops ---------------------------------------------------------------
//
// Screen crops of the kind users capture: buttons, dialogs, checkbox and radio
// rows, tabs, badges, tooltips, menus and terminals, light and dark, some
// saved as JPEG or drawn at twice the size. Their text is scored word by word
// (line breaks count as spaces): which row of buttons comes first on a line
// is layout, not recognition.

enum class Widget { label, button, outlined, checkbox, radio, badge };

struct Item {
    Widget widget = Widget::label;
    QString text;
    QColor ink;
    QColor fill;
    bool on = false; // a ticked checkbox, a selected radio button
    bool bold = false;
};

struct Row {
    QList<Item> items;
    std::optional<QColor> highlight; // a selected menu item or list row
    bool separator = false;
    bool tight = false; // items follow each other without a gap (terminal colours)
};

struct Block {
    std::optional<QColor> panel; // a dialog, menu, tooltip or tab strip
    QColor border;
    QList<Row> rows;
};

// The scene tables leave a scene's trailing fields at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

struct Scene {
    QString name;
    QString category;
    int pixelSize = 13;
    QColor page;
    QList<Block> blocks;
    int scale = 1;
    bool jpeg = false;
    bool monospace = false;
    QSize canvas; // at least this large (logical pixels)
};

const QColor accent(0x00, 0x7a, 0xff), darkAccent(0x0a, 0x84, 0xff), red(0xff, 0x3b, 0x30), darkRed(0xff, 0x45, 0x3a),
    green(0x34, 0xc7, 0x59), white(0xff, 0xff, 0xff), ink(0x1d, 0x1d, 0x1f), lightInk(0xf2, 0xf2, 0xf7),
    lightPage(0xf5, 0xf5, 0xf7), darkPage(0x1e, 0x1e, 0x1e), grey(0x8e, 0x8e, 0x93);

Item label(const QString &text, QColor colour, bool bold = false)
{
    return Item{Widget::label, text, colour, QColor(), false, bold};
}

Item button(const QString &text, QColor colour, QColor fill)
{
    return Item{Widget::button, text, colour, fill, false, false};
}

Item outlined(const QString &text, QColor colour, QColor fill)
{
    return Item{Widget::outlined, text, colour, fill, false, false};
}

Item checkbox(const QString &text, QColor colour, bool on)
{
    return Item{Widget::checkbox, text, colour, QColor(), on, false};
}

Item radio(const QString &text, QColor colour, bool on)
{
    return Item{Widget::radio, text, colour, QColor(), on, false};
}

Item badge(const QString &text, QColor fill)
{
    return Item{Widget::badge, text, white, fill, false, true};
}

Row row(QList<Item> items)
{
    return Row{std::move(items), std::nullopt, false, false};
}

Row highlighted(Item item, QColor bar)
{
    return Row{{std::move(item)}, bar, false, false};
}

Row separator()
{
    return Row{{}, std::nullopt, true, false};
}

Row tight(QList<Item> items)
{
    return Row{std::move(items), std::nullopt, false, true};
}

Block plain(QList<Row> rows)
{
    return Block{std::nullopt, QColor(), std::move(rows)};
}

Block panel(QColor fill, QList<Row> rows, QColor border = QColor())
{
    return Block{fill, border, std::move(rows)};
}

QList<Scene> interfaceScenes()
{
    const QColor dimmed(0xc7, 0xc7, 0xcc), control(0xe5, 0xe5, 0xea), darkControl(0x48, 0x48, 0x4a),
        hairline(0xc7, 0xc7, 0xcc), darkPanel(0x2c, 0x2c, 0x2e), purple(0xaf, 0x52, 0xde), orange(0xff, 0x95, 0x00),
        toolbar(0x33, 0x33, 0x36), prompt(0x4e, 0xc9, 0x4e), path(0x5c, 0x9c, 0xff), removed(0xe0, 0x6c, 0x75);
    QList<Scene> scenes = {
        {"buttons-colour",
         "buttons",
         13,
         white,
         {plain({row({button("Save changes", white, accent), button("Discard", white, red),
                      button("Export", white, green)})})}},
        {"buttons-outlined",
         "buttons",
         12,
         white,
         {plain({row({outlined("Open", ink, white), outlined("Share", ink, white), outlined("Print", ink, white)}),
                 row({button("Upgrade now", white, purple), button("Learn more", white, orange)})})}},
        {"buttons-dark",
         "buttons",
         14,
         darkPage,
         {plain(
             {row({button("Continue", white, darkAccent), button("Not now", lightInk, QColor(0x3a, 0x3a, 0x3c))})})}},
        {"buttons-inline",
         "buttons",
         11,
         lightPage,
         {plain({row({label("Your trial ends in 3 days.", ink), button("Buy", white, accent)})})}},
        {"buttons-toolbar",
         "buttons",
         16,
         darkPage,
         {plain({row({button("Undo", control, toolbar), button("Redo", control, toolbar),
                      button("Format", control, toolbar), button("Publish", white, darkAccent)})})}},
        {"dialog-light",
         "dialogs",
         13,
         dimmed,
         {panel(white, {row({label("Delete 3 files?", ink, true)}), row({label("This action cannot be undone.", ink)}),
                        row({button("Cancel", ink, control), button("Delete", white, red)})})}},
        {"dialog-dark",
         "dialogs",
         14,
         QColor(0x10, 0x10, 0x10),
         {panel(darkPanel, {row({label("Quit without saving?", lightInk, true)}),
                            row({label("Your changes will be lost.", lightInk)}),
                            row({button("Cancel", lightInk, darkControl), button("Delete", white, darkRed)})})}},
        {"dialog-outlined",
         "dialogs",
         12,
         lightPage,
         {panel(white,
                {row({label("Replace the existing file?", ink)}),
                 row({outlined("Keep both", ink, white), button("Replace", white, accent)})},
                hairline)}},
        {"checkboxes-light",
         "checkboxes",
         13,
         white,
         {plain({row({checkbox("Remember me", ink, false)}), row({checkbox("Send crash reports", ink, true)}),
                 row({checkbox("Open at login", ink, true)})})}},
        {"checkboxes-dark",
         "checkboxes",
         12,
         darkPage,
         {plain({row({radio("Daily", lightInk, true), radio("Weekly", lightInk, false),
                      radio("Monthly", lightInk, false)}),
                 row({checkbox("Show in menu bar", lightInk, true)})})}},
        {"radios-small",
         "checkboxes",
         11,
         lightPage,
         {plain({row({radio("Small", ink, false)}), row({radio("Medium", ink, true)}),
                 row({radio("Large", ink, false)})})}},
        {"tabs-light",
         "tabs",
         13,
         lightPage,
         {plain({row({button("General", white, accent), button("Accounts", ink, lightPage),
                      button("Privacy", ink, lightPage), button("Advanced", ink, lightPage)}),
                 row({label("Choose how the app behaves.", ink)})})}},
        {"tabs-segmented-dark",
         "tabs",
         12,
         darkPage,
         {panel(QColor(0x3a, 0x3a, 0x3c), {row({button("Day", lightInk, QColor(0x3a, 0x3a, 0x3c)),
                                                button("Week", white, QColor(0x63, 0x63, 0x66)),
                                                button("Month", lightInk, QColor(0x3a, 0x3a, 0x3c)),
                                                button("Year", lightInk, QColor(0x3a, 0x3a, 0x3c))})})}},
        {"badges-light",
         "badges",
         13,
         white,
         {plain({row({label("Inbox", ink), badge("12", red)}), row({label("Updates", ink), badge("3", accent)}),
                 row({label("Beta", ink), badge("NEW", green)})})}},
        {"badges-dark",
         "badges",
         12,
         darkPage,
         {plain({row({label("Downloads", lightInk), badge("99+", darkRed)}),
                 row({label("Messages", lightInk), badge("7", darkAccent)})})}},
        {"tooltip-dark-on-light",
         "tooltips",
         11,
         white,
         {plain({row({label("Format", ink)})}),
          panel(QColor(0x33, 0x33, 0x33), {row({label("Copy the selected text", white)})})}},
        {"tooltip-light-on-dark",
         "tooltips",
         10,
         darkPage,
         {panel(QColor(0xf2, 0xf2, 0xf2), {row({label("Opens in a new window", ink)})}, grey)}},
        {"menu-dark",
         "menus",
         13,
         lightPage,
         {plain({row({label("Document.txt", ink)})}),
          panel(QColor(0x32, 0x32, 0x34), {row({label("New Window", lightInk)}), row({label("Open Recent", lightInk)}),
                                           highlighted(label("Save As", white), darkAccent), separator(),
                                           row({label("Close Window", lightInk)})})}},
        {"menu-light",
         "menus",
         12,
         QColor(0xec, 0xec, 0xec),
         {panel(white,
                {row({label("Cut", ink)}), row({label("Copy", ink)}), highlighted(label("Paste", white), accent),
                 row({label("Select All", ink)})},
                hairline)}},
        {"menu-dark-small",
         "menus",
         10,
         darkPage,
         {panel(darkPanel, {row({label("Rename", lightInk)}), row({label("Duplicate", lightInk)}),
                            highlighted(label("Move to Trash", white), darkAccent)})}},
        {"terminal-dark",
         "terminal",
         13,
         QColor(0x0c, 0x0c, 0x0c),
         {plain({tight({label("user@host", prompt), label(":", lightInk), label("~/src", path),
                        label("$ git status", lightInk)}),
                 row({label("On branch main", lightInk)}), row({label("modified: src/app.cpp", removed)}),
                 row({label("2 files changed, 14 insertions(+)", lightInk)})})},
         1,
         false,
         true},
        {"terminal-light",
         "terminal",
         11,
         white,
         {plain({tight({label("dev@box", QColor(0x1a, 0x7f, 0x37)), label(":~$ make test", ink)}),
                 row({label("ctest: 128 tests passed", ink)})})},
         1,
         false,
         true},
    };
    // The same crops as a JPEG screenshot and at twice the size (a HiDPI screen).
    for (const char *name : {"buttons-colour", "dialog-dark", "checkboxes-light"}) {
        Scene copy = *std::find_if(scenes.begin(), scenes.end(), [&](const Scene &s) { return s.name == name; });
        copy.name += QStringLiteral("-jpeg");
        copy.category = QStringLiteral("jpeg");
        copy.jpeg = true;
        scenes.append(copy);
    }
    for (const char *name : {"dialog-light", "menu-dark"}) {
        Scene copy = *std::find_if(scenes.begin(), scenes.end(), [&](const Scene &s) { return s.name == name; });
        copy.name += QStringLiteral("-x2");
        copy.category = QStringLiteral("2x");
        copy.scale = 2;
        scenes.append(copy);
    }
    // A settings pane of the size the time target is about.
    scenes.append({"settings-1000x300",
                   "large",
                   13,
                   lightPage,
                   {plain({row({button("General", white, accent), button("Appearance", ink, lightPage),
                                button("Shortcuts", ink, lightPage), button("Advanced", ink, lightPage)})}),
                    panel(white,
                          {row({label("Recognition language", ink), outlined("Automatic", ink, white)}),
                           row({checkbox("Keep line breaks", ink, true)}),
                           row({checkbox("Play a sound after copying", ink, false)}),
                           row({button("Restore defaults", ink, control), button("Done", white, accent)})},
                          hairline)},
                   1,
                   false,
                   false,
                   QSize(1000, 300)});
    return scenes;
}

// Draws one scene; returns the text it shows, rows split by "\n".
class SceneRenderer {
public:
    explicit SceneRenderer(const Scene &scene)
        : scene_(scene), font_(scene.monospace ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans")),
          em_(scene.pixelSize)
    {
        font_.setPixelSize(em_);
    }

    QImage render(QString *text) const
    {
        const QSize content = layout(nullptr, text);
        const QSize logical = content.expandedTo(scene_.canvas);
        QImage image(logical * scene_.scale, QImage::Format_RGB32);
        image.fill(scene_.page);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(scene_.scale, scene_.scale);
        layout(&painter, nullptr);
        return image;
    }

private:
    // One pass measures (painter null) or draws; returns the content size.
    QSize layout(QPainter *painter, QString *text) const
    {
        QStringList lines;
        const int margin = em_;
        int y = margin, width = 0;
        for (const Block &block : scene_.blocks) {
            const int padding = block.panel ? em_ : 0;
            const int blockWidth = blockContentWidth(block) + 2 * padding;
            int blockHeight = 2 * padding;
            for (const Row &row : block.rows)
                blockHeight += rowHeight(row) + rowGap();
            blockHeight -= block.rows.isEmpty() ? 0 : rowGap();
            if (painter && block.panel) {
                painter->setPen(block.border.isValid() ? QPen(block.border) : QPen(Qt::NoPen));
                painter->setBrush(*block.panel);
                painter->drawRoundedRect(QRectF(margin, y, blockWidth, blockHeight), em_ * 0.5, em_ * 0.5);
            }
            int rowTop = y + padding;
            for (const Row &row : block.rows) {
                const QRect bounds(margin + padding, rowTop, blockWidth - 2 * padding, rowHeight(row));
                if (painter)
                    drawRow(*painter, row, bounds);
                if (!row.separator)
                    lines.append(rowText(row));
                rowTop += bounds.height() + rowGap();
            }
            width = std::max(width, blockWidth);
            y += blockHeight + em_;
        }
        if (text)
            *text = lines.join(QLatin1Char('\n'));
        return QSize(width + 2 * margin, y - em_ + margin);
    }

    int rowGap() const { return em_ / 2; }
    int itemGap(const Row &row) const { return row.tight ? 0 : em_; }
    int lineHeight() const { return QFontMetrics(font_).height(); }
    int controlPadding() const { return std::max(3, em_ * 2 / 5); }
    int boxSide() const { return em_; }

    QFont fontFor(const Item &item) const
    {
        QFont font = font_;
        font.setBold(item.bold);
        if (item.widget == Widget::badge)
            font.setPixelSize(std::max(8, em_ * 4 / 5));
        return font;
    }

    int textWidth(const Item &item) const { return QFontMetrics(fontFor(item)).horizontalAdvance(item.text); }

    int itemWidth(const Item &item) const
    {
        switch (item.widget) {
        case Widget::label:
            return textWidth(item);
        case Widget::button:
        case Widget::outlined:
            return textWidth(item) + 2 * em_;
        case Widget::checkbox:
        case Widget::radio:
            return boxSide() + em_ / 2 + textWidth(item);
        case Widget::badge:
            return std::max(textWidth(item) + em_, lineHeight());
        }
        return 0;
    }

    int itemHeight(const Item &item) const
    {
        const bool control = item.widget == Widget::button || item.widget == Widget::outlined;
        return control ? lineHeight() + 2 * controlPadding() : lineHeight();
    }

    int rowHeight(const Row &row) const
    {
        if (row.separator)
            return 1;
        int height = lineHeight();
        for (const Item &item : row.items)
            height = std::max(height, itemHeight(item));
        return row.highlight ? height + 2 * controlPadding() : height;
    }

    int rowWidth(const Row &row) const
    {
        int width = 0;
        for (const Item &item : row.items)
            width += itemWidth(item) + itemGap(row);
        return row.items.isEmpty() ? 0 : width - itemGap(row) + (row.highlight ? 2 * em_ : 0);
    }

    int blockContentWidth(const Block &block) const
    {
        int width = 0;
        for (const Row &row : block.rows)
            width = std::max(width, rowWidth(row));
        return width;
    }

    static QString rowText(const Row &row)
    {
        QStringList words;
        for (const Item &item : row.items)
            words.append(item.text);
        return words.join(row.tight ? QString() : QStringLiteral(" "));
    }

    void drawRow(QPainter &painter, const Row &row, const QRect &bounds) const
    {
        if (row.separator) {
            painter.fillRect(bounds, grey);
            return;
        }
        int x = bounds.left();
        if (row.highlight) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(*row.highlight);
            painter.drawRoundedRect(bounds, em_ * 0.3, em_ * 0.3);
            x += em_;
        }
        for (const Item &item : row.items) {
            const int height = itemHeight(item);
            drawItem(painter, item, QRect(x, bounds.center().y() - height / 2, itemWidth(item), height));
            x += itemWidth(item) + itemGap(row);
        }
    }

    void drawText(QPainter &painter, const Item &item, const QRect &area, Qt::Alignment alignment) const
    {
        painter.setFont(fontFor(item));
        painter.setPen(item.ink);
        painter.drawText(area, int(alignment | Qt::AlignVCenter), item.text);
    }

    void drawItem(QPainter &painter, const Item &item, const QRect &area) const
    {
        const double radius = em_ * 0.35;
        switch (item.widget) {
        case Widget::label:
            drawText(painter, item, area, Qt::AlignLeft);
            return;
        case Widget::button:
        case Widget::outlined:
            painter.setPen(item.widget == Widget::outlined ? QPen(QColor(0xc7, 0xc7, 0xcc)) : QPen(Qt::NoPen));
            painter.setBrush(item.fill);
            painter.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
            drawText(painter, item, area, Qt::AlignHCenter);
            return;
        case Widget::badge: {
            const int height = std::min(area.height(), QFontMetrics(fontFor(item)).height() + 4);
            const QRect pill(area.left(), area.center().y() - height / 2, area.width(), height);
            painter.setPen(Qt::NoPen);
            painter.setBrush(item.fill);
            painter.drawRoundedRect(pill, height / 2.0, height / 2.0);
            drawText(painter, item, pill, Qt::AlignHCenter);
            return;
        }
        case Widget::checkbox:
        case Widget::radio:
            drawToggle(painter, item, QRect(area.left(), area.center().y() - boxSide() / 2, boxSide(), boxSide()));
            drawText(painter, item, area.adjusted(boxSide() + em_ / 2, 0, 0, 0), Qt::AlignLeft);
            return;
        }
    }

    void drawToggle(QPainter &painter, const Item &item, const QRect &box) const
    {
        const bool radio = item.widget == Widget::radio;
        const QColor frame = scene_.page.lightness() < 128 ? QColor(0x63, 0x63, 0x66) : QColor(0xae, 0xae, 0xb2);
        painter.setPen(item.on ? QPen(Qt::NoPen) : QPen(frame, 1));
        painter.setBrush(item.on ? accent : QColor(Qt::transparent));
        const QRectF shape = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
        if (radio)
            painter.drawEllipse(shape);
        else
            painter.drawRoundedRect(shape, box.width() * 0.2, box.width() * 0.2);
        if (!item.on)
            return;
        painter.setBrush(white);
        if (radio) {
            painter.drawEllipse(QRectF(box).center(), box.width() * 0.18, box.width() * 0.18);
            return;
        }
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.25, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.70);
        tick.lineTo(box.left() + box.width() * 0.76, box.top() + box.height() * 0.32);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(white, std::max(1.5, box.width() * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
    }

    const Scene &scene_;
    QFont font_;
    int em_;
};

std::vector<Sample> generateInterfaceSamples(const QString &folder)
{
    std::vector<Sample> samples;
    for (const Scene &scene : interfaceScenes()) {
        QString text;
        const QImage image = SceneRenderer(scene).render(&text);
        const QString file = QStringLiteral("%1/ui-%2.%3")
                                 .arg(folder, scene.name, scene.jpeg ? QStringLiteral("jpg") : QStringLiteral("png"));
        image.save(file, nullptr, scene.jpeg ? 75 : -1);
        samples.push_back(Sample{file, text, scene.pixelSize, scene.category, true, image.size()});
    }
    return samples;
}

// Large pictures ------------------------------------------------------------

constexpr QSize largeSize(4000, 3000);

// Every pixel a random colour: all texture, no text.
QImage noisePicture(quint32 seed)
{
    QImage image(largeSize, QImage::Format_RGB32);
    quint32 state = seed;
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

// A landscape with grain, trees and a sign holding two short lines.
QImage photoWithSign(const QString &text)
{
    QImage image(largeSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, largeSize.height() * 0.6);
    sky.setColorAt(0, QColor(0x4a, 0x7d, 0xc4));
    sky.setColorAt(1, QColor(0xcf, 0xe3, 0xf2));
    painter.fillRect(image.rect(), sky);
    QPainterPath hills(QPointF(0, largeSize.height()));
    for (int x = 0; x <= largeSize.width(); x += 20)
        hills.lineTo(x, largeSize.height() * 0.55 + 120 * std::sin(x / 500.0) + 60 * std::sin(x / 137.0));
    hills.lineTo(largeSize.width(), largeSize.height());
    QLinearGradient grass(0, largeSize.height() * 0.5, 0, largeSize.height());
    grass.setColorAt(0, QColor(0x5d, 0x8a, 0x3a));
    grass.setColorAt(1, QColor(0x2f, 0x4f, 0x1d));
    painter.fillPath(hills, grass);
    quint32 state = 11;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % quint32(range));
    };
    for (int tree = 0; tree < 40; ++tree) {
        const int x = next(largeSize.width()), y = int(largeSize.height() * 0.55) + next(900);
        painter.setBrush(QColor(0x1f + next(30), 0x3d + next(40), 0x17));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(x, y), 60 + next(90), 120 + next(160));
    }
    const QRect sign(1300, 1900, 1500, 330);
    painter.setBrush(QColor(0xf2, 0xec, 0xd8));
    painter.setPen(QPen(QColor(0x5a, 0x45, 0x2a), 12));
    painter.drawRoundedRect(sign, 24, 24);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(90);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x2a, 0x22, 0x18));
    painter.drawText(sign, Qt::AlignCenter, text);
    painter.end();
    // Sensor grain over everything.
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = next(25) - 12;
            const QRgb pixel = row[x];
            row[x] = qRgb(std::clamp(qRed(pixel) + grain, 0, 255), std::clamp(qGreen(pixel) + grain, 0, 255),
                          std::clamp(qBlue(pixel) + grain, 0, 255));
        }
    }
    return image;
}

std::vector<Sample> generateLargeSamples(const QString &folder)
{
    const QString noiseFile = folder + QStringLiteral("/large-noise.png");
    noisePicture(5).save(noiseFile);
    const QString signText = QStringLiteral("HARBOUR ROAD 12\nOpen daily from 9 to 5");
    const QString photoFile = folder + QStringLiteral("/large-photo.jpg");
    photoWithSign(signText).save(photoFile, nullptr, 90);
    return {Sample{noiseFile, QString(), 0, QStringLiteral("large"), true, largeSize},
            Sample{photoFile, signText, 0, QStringLiteral("large"), true, largeSize}};
}

// Real screens ------------------------------------------------------------------
//
// Crops of what real programs drew, each beside NAME.txt with the text it
// shows; the category is the name's first part ("browser-nav" is "browser").
// Scored word by word like the interface crops.

// The crops, or nothing when the folder is missing, holds no crop or a crop
// without its text: a set that silently shrank would print figures of
// another set.
std::optional<std::vector<Sample>> realScreenSamples()
{
    const QDir folder(QStringLiteral(RAVELOND_SOURCE_DIR "/bench/real_screens/crops"));
    const QStringList files =
        folder.entryList({QStringLiteral("*.png"), QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        std::fprintf(stderr,
                     "ravelond-ocr-bench: the real-screen set's folder %s is missing or holds no crop; "
                     "bench/real_screens/generate.sh remakes it\n",
                     qPrintable(folder.path()));
        return std::nullopt;
    }
    std::vector<Sample> samples;
    for (const QString &name : files) {
        QFile truth(folder.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".txt")));
        if (!truth.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "ravelond-ocr-bench: the crop %s has no text beside it (%s)\n",
                         qPrintable(folder.filePath(name)), qPrintable(truth.fileName()));
            return std::nullopt;
        }
        const QString expected = TextProcessing::normalize(QString::fromUtf8(truth.readAll()), true);
        const QString category = QStringLiteral("real-") + name.section(QLatin1Char('-'), 0, 0);
        samples.push_back(
            Sample{folder.filePath(name), expected, 0, category, true, QImageReader(folder.filePath(name)).size()});
    }
    return samples;
}

// Figures ---------------------------------------------------------------------

double characterAccuracy(const QString &expected, const QString &actual)
{
    // Levenshtein distance over UTF-16 units: one unit a character for every
    // text in the sets (typographic quotes and the like are in the BMP).
    std::vector<int> previous(actual.size() + 1), current(actual.size() + 1);
    std::iota(previous.begin(), previous.end(), 0);
    for (qsizetype i = 1; i <= expected.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= actual.size(); ++j) {
            const int substitution = previous[j - 1] + (expected[i - 1] == actual[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return std::max(0.0, 1.0 - double(previous[actual.size()]) / double(std::max<qsizetype>(1, expected.size())));
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = size_t(std::ceil(fraction * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double mean(const std::vector<double> &values)
{
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Processor time, which a loaded machine disturbs less than the wall clock:
// of this process (its only busy thread is the recogniser's meanwhile), or of
// the children it has waited for.
double processorMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval &time) { return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

struct CliRun {
    QString text;
    double ms = 0;
    double cpuMs = 0;
};

// The command-line program, on the same file and languages.
CliRun runCli(const QString &file, const QString &languages)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = processorMs(RUSAGE_CHILDREN);
    QProcess process;
    process.start(QStringLiteral("tesseract"), {file, QStringLiteral("stdout"), QStringLiteral("-l"), languages,
                                                QStringLiteral("--oem"), QStringLiteral("1")});
    process.waitForFinished(-1);
    const double ms = elapsedMs(timer);
    const double cpuMs = processorMs(RUSAGE_CHILDREN) - cpuBefore;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {QStringLiteral("<tesseract failed: %1>").arg(process.errorString()), ms, cpuMs};
    return {TextProcessing::normalize(QString::fromUtf8(process.readAllStandardOutput()), true), ms, cpuMs};
}

QString scored(const Sample &sample, const QString &text)
{
    return sample.scoreWords ? TextProcessing::normalize(text, false) : text;
}

QCoro::Task<std::optional<Measurement>> measure(const Sample &sample, const Options &options, const QString &languages)
{
    JsonLine line;
    line.add("file", sample.file);
    Measurement measurement;
    measurement.category = sample.category;
    measurement.size = sample.size;
    measurement.pixelSize = sample.pixelSize;
    QString text;
    try {
        QElapsedTimer timer;
        timer.start();
        const QImage image = co_await ImageLoader::load(sample.file);
        measurement.decodeMs = elapsedMs(timer);
        timer.restart();
        const double cpuBefore = processorMs(RUSAGE_SELF);
        const OCRResponse response = co_await VisionOCR::shared().read(image, options.language);
        measurement.recognizeMs = elapsedMs(timer);
        measurement.recognizeCpuMs = processorMs(RUSAGE_SELF) - cpuBefore;
        text = TextProcessing::normalize(response.text, true);
    } catch (const TrovError &error) {
        line.add("error", error.errorDescription()).print();
        co_return std::nullopt;
    }
    line.add("text", text)
        .add("decode_ms", measurement.decodeMs)
        .add("recognize_ms", measurement.recognizeMs)
        .add("recognize_cpu_ms", measurement.recognizeCpuMs);
    if (sample.expected && sample.expected->isEmpty())
        line.add("no_text", text.isEmpty());
    if (sample.expected) {
        measurement.accuracy = characterAccuracy(scored(sample, *sample.expected), scored(sample, text));
        line.add("expected", *sample.expected).add("accuracy", *measurement.accuracy, 4);
    }
    if (options.compareCli) {
        const CliRun cli = runCli(sample.file, languages);
        measurement.cliMs = cli.ms;
        measurement.cliCpuMs = cli.cpuMs;
        line.add("cli_text", cli.text).add("cli_ms", cli.ms).add("cli_cpu_ms", cli.cpuMs);
        if (sample.expected) {
            measurement.cliAccuracy = characterAccuracy(scored(sample, *sample.expected), scored(sample, cli.text));
            line.add("cli_accuracy", *measurement.cliAccuracy, 4);
        }
    }
    line.print();
    co_return measurement;
}

// The figures of a group of measurements, ours and the command line's.
struct Figures {
    std::vector<double> decode, recognize, recognizeCpu, cli, cliCpu, accuracy, cliAccuracy;

    void add(const Measurement &m)
    {
        decode.push_back(m.decodeMs);
        recognize.push_back(m.recognizeMs);
        recognizeCpu.push_back(m.recognizeCpuMs);
        if (m.cliMs)
            cli.push_back(*m.cliMs);
        if (m.cliCpuMs)
            cliCpu.push_back(*m.cliCpuMs);
        if (m.accuracy)
            accuracy.push_back(*m.accuracy);
        if (m.cliAccuracy)
            cliAccuracy.push_back(*m.cliAccuracy);
    }

    void addTimes(JsonLine &line, const QString &suffix = QStringLiteral("_median")) const
    {
        const auto key = [&](const char *name) { return (QLatin1String(name) + suffix).toLatin1(); };
        line.add(key("recognize_ms").constData(), percentile(recognize, 0.5))
            .add(key("recognize_cpu_ms").constData(), percentile(recognizeCpu, 0.5));
        if (!cli.empty()) {
            line.add(key("cli_ms").constData(), percentile(cli, 0.5))
                .add(key("cli_cpu_ms").constData(), percentile(cliCpu, 0.5));
        }
    }

    void addAccuracy(JsonLine &line, const char *ours, const char *theirs) const
    {
        if (!accuracy.empty())
            line.add(ours, mean(accuracy), 4);
        if (!cliAccuracy.empty())
            line.add(theirs, mean(cliAccuracy), 4);
    }
};

void printCategories(const std::vector<Measurement> &measurements)
{
    QStringList categories;
    for (const Measurement &m : measurements) {
        if (!m.category.isEmpty() && !categories.contains(m.category))
            categories.append(m.category);
    }
    for (const QString &category : categories) {
        Figures figures;
        for (const Measurement &m : measurements) {
            if (m.category == category)
                figures.add(m);
        }
        JsonLine line;
        line.add("category", category).add("files", double(figures.recognize.size()), 0);
        figures.addAccuracy(line, "accuracy_mean", "cli_accuracy_mean");
        figures.addTimes(line);
        line.print();
    }
}

void printSummary(const std::vector<Measurement> &measurements, int failures)
{
    printCategories(measurements);
    Figures all, small, text, interface, real, pane;
    for (const Measurement &m : measurements) {
        all.add(m);
        if (m.pixelSize > 0 && m.pixelSize <= 12)
            small.add(m);
        if (m.category == QLatin1String("text"))
            text.add(m);
        else if (m.category.startsWith(QLatin1String("real-")))
            real.add(m);
        else if (!m.category.isEmpty())
            interface.add(m);
        if (m.size == QSize(1000, 300))
            pane.add(m);
    }
    JsonLine summary;
    summary.add("summary", true)
        .add("files", double(measurements.size()), 0)
        .add("failures", double(failures), 0)
        .add("decode_ms_median", percentile(all.decode, 0.5))
        .add("decode_ms_p95", percentile(all.decode, 0.95))
        .add("recognize_ms_median", percentile(all.recognize, 0.5))
        .add("recognize_ms_p95", percentile(all.recognize, 0.95));
    summary.add("recognize_cpu_ms_median", percentile(all.recognizeCpu, 0.5));
    if (!all.cli.empty()) {
        summary.add("cli_ms_median", percentile(all.cli, 0.5))
            .add("cli_ms_p95", percentile(all.cli, 0.95))
            .add("cli_cpu_ms_median", percentile(all.cliCpu, 0.5))
            .add("median_ratio", percentile(all.recognize, 0.5) / std::max(1e-9, percentile(all.cli, 0.5)), 3)
            .add("median_cpu_ratio", percentile(all.recognizeCpu, 0.5) / std::max(1e-9, percentile(all.cliCpu, 0.5)),
                 3);
    }
    all.addAccuracy(summary, "accuracy_mean", "cli_accuracy_mean");
    small.addAccuracy(summary, "accuracy_mean_9_to_12_px", "cli_accuracy_mean_9_to_12_px");
    text.addAccuracy(summary, "accuracy_mean_text", "cli_accuracy_mean_text");
    interface.addAccuracy(summary, "accuracy_mean_interface", "cli_accuracy_mean_interface");
    real.addAccuracy(summary, "accuracy_mean_real", "cli_accuracy_mean_real");
    if (!real.accuracy.empty())
        summary.add("accuracy_min_real", *std::min_element(real.accuracy.begin(), real.accuracy.end()), 4);
    if (!pane.recognize.empty())
        pane.addTimes(summary, QStringLiteral("_1000x300"));
    summary.add("peak_rss_mb", peakResidentMegabytes()).print();
}

// A read of `longPage` cancelled halfway through (by the time a whole read of
// it takes), then reads of `shortPage` tried every 5 ms until one is
// accepted: how long the slot stays closed after a cancellation, and how long
// the cancelled page runs on.
QCoro::Task<bool> measureCancellation(const QString &longPage, const QString &shortPage, const Options &options)
{
    using namespace std::chrono_literals;
    const QImage page = co_await ImageLoader::load(longPage);
    const QImage small = co_await ImageLoader::load(shortPage);
    QElapsedTimer whole;
    whole.start();
    co_await VisionOCR::shared().read(page, options.language);
    const double headStartMs = elapsedMs(whole) / 2;
    std::stop_source stop;
    QCoro::Task<OCRResponse> cancelled = VisionOCR::shared().read(page, options.language, stop.get_token());
    co_await QCoro::sleepFor(std::chrono::milliseconds(qint64(headStartMs)));
    QElapsedTimer timer;
    timer.start();
    stop.request_stop();
    double returnedMs = -1;
    try {
        co_await std::move(cancelled);
    } catch (const TrovError &error) {
        if (error.kind() == TrovError::taskCancelled)
            returnedMs = elapsedMs(timer);
    }
    int refused = 0;
    for (;;) {
        const double attemptMs = elapsedMs(timer);
        try {
            const OCRResponse response = co_await VisionOCR::shared().read(small, options.language);
            const double resultMs = elapsedMs(timer);
            // The cancelled page's thread is the last one left busy.
            while (VisionOCR::workers().activeThreadCount() > 0)
                co_await QCoro::sleepFor(5ms);
            JsonLine()
                .add("cancellation", longPage)
                .add("head_start_ms", headStartMs)
                .add("cancelled_returned_ms", returnedMs)
                .add("next_read_accepted_ms", attemptMs)
                .add("next_read_result_ms", resultMs)
                .add("cancelled_page_ended_ms", elapsedMs(timer))
                .add("refused_reads", double(refused), 0)
                .add("next_read_text", TextProcessing::normalize(response.text, true))
                .print();
            co_return returnedMs >= 0;
        } catch (const TrovError &error) {
            if (error.kind() != TrovError::visionBusy) {
                JsonLine().add("cancellation", longPage).add("error", error.errorDescription()).print();
                co_return false;
            }
        }
        ++refused;
        co_await QCoro::sleepFor(5ms);
    }
}

// Kept free of temporaries in co_await expressions: GCC 12 miscompiles some.
QCoro::Task<int> runBenchmark(const Options &options, const std::vector<Sample> &samples, const QString &languages)
{
    std::vector<Measurement> measurements;
    int failures = 0;
    for (const Sample &sample : samples) {
        const std::optional<Measurement> measurement = co_await measure(sample, options, languages);
        if (measurement)
            measurements.push_back(*measurement);
        else
            ++failures;
    }
    printSummary(measurements, failures);
    if (options.set == QLatin1String("large") && options.files.isEmpty()) {
        const QString shortPage = QFileInfo(samples.front().file).dir().filePath(QStringLiteral("after-cancel.png"));
        renderText(sampleLines[0], 16, false, 1).save(shortPage);
        for (const Sample &sample : samples) {
            const bool measured = co_await measureCancellation(sample.file, shortPage, options);
            failures += measured ? 0 : 1;
        }
    }
    co_return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::optional<Options> options = parseArguments(arguments);
    if (!options) {
        std::fprintf(stderr,
                     "usage: ravelond-ocr-bench [--language CODE] [--compare-cli] [--set text|interface|real|large] "
                     "[--keep FOLDER] [FILE...]\n");
        return 2;
    }
    QString languages;
    try {
        languages = TesseractLanguages::resolve(options->language);
    } catch (const TrovError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.errorDescription()));
        return 2;
    }
    const QTemporaryDir temporaryFolder;
    const QString generatedFolder = options->keepFolder.isEmpty() ? temporaryFolder.path() : options->keepFolder;
    QDir().mkpath(generatedFolder);
    std::vector<Sample> samples;
    if (options->files.isEmpty()) {
        if (options->set.isEmpty() || options->set == QLatin1String("text"))
            samples = generateSamples(generatedFolder);
        if (options->set.isEmpty() || options->set == QLatin1String("interface")) {
            for (Sample &sample : generateInterfaceSamples(generatedFolder))
                samples.push_back(std::move(sample));
        }
        if (options->set.isEmpty() || options->set == QLatin1String("real")) {
            std::optional<std::vector<Sample>> real = realScreenSamples();
            if (!real)
                return 1;
            for (Sample &sample : *real)
                samples.push_back(std::move(sample));
        }
        if (options->set == QLatin1String("large"))
            samples = generateLargeSamples(generatedFolder);
    }
    for (const QString &file : options->files)
        samples.push_back(Sample{file, std::nullopt, 0, QString(), false, QSize()});
    if (samples.empty()) {
        std::fprintf(stderr, "ravelond-ocr-bench: nothing to read\n");
        return 1;
    }

    std::optional<QCoro::Task<>> running;
    QTimer::singleShot(0, &app, [&] {
        running.emplace(
            runBenchmark(*options, samples, languages).then([](int exitCode) { QCoreApplication::exit(exitCode); }));
    });
    return QGuiApplication::exec();
}
