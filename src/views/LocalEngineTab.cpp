#include "views/LocalEngineTab.h"

#include "services/MLXSetup.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Divider.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/ReturnActivation.h"
#include "support/design/StatusDot.h"
#include "support/design/Surface.h"
#include "support/design/SymbolImage.h"
#include "support/design/TrovStyle.h"
#include "views/InstallButton.h"
#include "views/SettingsControls.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

using Ink = SystemColours::Ink;

constexpr int stackSpacing = 17;
constexpr int padding = 22;
constexpr int setupSpacing = 9;
constexpr int dotSide = 6;
constexpr double greyDotOpacity = 0.4;

ClampedLabel *note(const QString &text, DesignTokens::FontRole role, double lineSpacing)
{
    return SettingsControls::text(text, DesignTokens::font(role), Ink::secondary, lineSpacing);
}

QPushButton *plainButton(const QString &text, const QString &name, const QFont &font)
{
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    ReturnActivation::install(*button);
    button->setFlat(true);
    button->setFont(font);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QHBoxLayout *rowLayout(QWidget *row)
{
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

const QString LocalEngineTab::chooserMessage = QStringLiteral("Choose a native Apple-silicon Python 3.10+ executable.");

LocalEngineTab::LocalEngineTab(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent)
    : QScrollArea(parent), model_(model), settings_(settings), setup_(setup)
{
    setObjectName(QStringLiteral("localEngineTab"));
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(stackSpacing);
    layout->addWidget(makeIntro());
    layout->addWidget(makeSetupSection());
    layout->addWidget(new Divider(1));
    layout->addWidget(makeOutputPicker());
    layout->addWidget(note(QStringLiteral("Generative OCR can change or omit characters. Review important text. If "
                                          "output is truncated, we keep your existing clipboard and ask for a smaller "
                                          "selection."),
                           DesignTokens::FontRole::body, 3));
    layout->addWidget(makeFooter());
    layout->addStretch(1);
    SettingsControls::scroll(*this, content);

    connect(&setup_, &MLXSetup::isReadyChanged, this, &LocalEngineTab::followSetup);
    connect(&setup_, &MLXSetup::isInstallingChanged, this, &LocalEngineTab::followSetup);
    connect(&setup_, &MLXSetup::statusChanged, this, &LocalEngineTab::followSetup);
    connect(&setup_, &MLXSetup::pythonPathChanged, this, &LocalEngineTab::followPythonPath);
    connect(&model_, &AppModel::phaseChanged, this, &LocalEngineTab::followSetup);
    connect(&settings_, &Preferences::mlxTaskChanged, this, &LocalEngineTab::followTask);
    followSetup();
    followPythonPath(setup_.pythonPath());
    followTask();
    tintSecondaryButtons();
}

QWidget *LocalEngineTab::makeIntro()
{
    auto *row = new QWidget;
    QHBoxLayout *layout = rowLayout(row);
    layout->setSpacing(13);
    auto *symbol = new SymbolImage(QStringLiteral("cpu"), 26, Ink::teal, SymbolLibrary::Weight::light);
    symbol->setObjectName(QStringLiteral("introSymbol"));
    layout->addWidget(symbol, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(7);
    texts->addWidget(SettingsControls::text(QStringLiteral("A second way to see."),
                                            DesignTokens::font(DesignTokens::FontRole::tabTitle), Ink::primary));
    texts->addWidget(note(QStringLiteral("GLM-OCR 4-bit runs on Apple silicon. Try it for formulas, tables, or "
                                         "another take on difficult text."),
                          DesignTokens::FontRole::subtitle, 3));
    layout->addLayout(texts, 1);
    return new Surface(row);
}

QWidget *LocalEngineTab::makeStatusRow()
{
    auto *row = new QWidget;
    QHBoxLayout *layout = rowLayout(row);
    // Mint when the engine is ready, a faint grey otherwise; its `lit` property tells which.
    statusDot_ = new StatusDot(dotSide, Ink::secondary);
    statusDot_->setObjectName(QStringLiteral("mlxStatusDot"));
    layout->addWidget(statusDot_);
    status_ = SettingsControls::text(QString(), DesignTokens::font(DesignTokens::FontRole::emphasis), Ink::primary);
    status_->setObjectName(QStringLiteral("mlxStatus"));
    layout->addWidget(status_, 1);
    return row;
}

QWidget *LocalEngineTab::makePythonRow()
{
    pythonRow_ = new QWidget;
    pythonRow_->setObjectName(QStringLiteral("pythonRow"));
    QHBoxLayout *layout = rowLayout(pythonRow_);
    pythonPath_ = new QLineEdit;
    pythonPath_->setObjectName(QStringLiteral("pythonPath"));
    pythonPath_->setPlaceholderText(QStringLiteral("Python executable"));
    pythonPath_->setAccessibleName(QStringLiteral("Python executable path"));
    pythonPath_->setFont(DesignTokens::font(DesignTokens::FontRole::path));
    // Every keystroke is stored, the empty text included.
    connect(pythonPath_, &QLineEdit::textEdited, this, [this](const QString &text) { setup_.setPythonPath(text); });
    layout->addWidget(pythonPath_, 1);
    auto *choose = new QPushButton(QStringLiteral("Choose…"));
    choose->setObjectName(QStringLiteral("choosePython"));
    ReturnActivation::install(*choose);
    connect(choose, &QPushButton::clicked, this, &LocalEngineTab::choosePython);
    layout->addWidget(choose);
    return pythonRow_;
}

QWidget *LocalEngineTab::makeSetupSection()
{
    auto *section = new QWidget;
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(setupSpacing);
    layout->addWidget(makeStatusRow());
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Setting up"));
    progress_->setMaximumHeight(8);
    layout->addWidget(progress_);
    cancel_ =
        plainButton(QStringLiteral("Cancel setup"), QStringLiteral("cancelSetup"), SettingsControls::captionFont());
    connect(cancel_, &QPushButton::clicked, &setup_, &MLXSetup::cancel);
    layout->addWidget(cancel_, 0, Qt::AlignLeft);
    layout->addWidget(makePythonRow());
    layout->addWidget(note(QStringLiteral("Requires a native ARM Python 3.10+. Uses a private environment; your system "
                                          "Python is not modified."),
                           DesignTokens::FontRole::caption, 0));
    install_ = new InstallButton;
    install_->setObjectName(QStringLiteral("installButton"));
    connect(install_, &QAbstractButton::clicked, &setup_, &MLXSetup::install);
    layout->addWidget(install_);
    layout->addWidget(note(QStringLiteral("*Model weights, plus Python packages. Setup downloads from PyPI and Hugging "
                                          "Face. After setup, recognition uses cached files and runs offline."),
                           DesignTokens::FontRole::caption, 2));
    return section;
}

QWidget *LocalEngineTab::makeOutputPicker()
{
    auto *row = new QWidget;
    QHBoxLayout *layout = rowLayout(row);
    auto *label = new QLabel(QStringLiteral("MLX output"));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    taskPicker_ = new QWidget;
    taskPicker_->setObjectName(QStringLiteral("mlxTask"));
    taskPicker_->setAccessibleName(QStringLiteral("MLX output"));
    auto *segments = rowLayout(taskPicker_);
    segments->setSpacing(0);
    tasks_ = new QButtonGroup(taskPicker_);
    const QList<MLXTask> tasks = MLXTask::allCases();
    for (qsizetype index = 0; index < tasks.size(); ++index) {
        auto *segment = new QPushButton(tasks[index].title());
        segment->setObjectName(QStringLiteral("mlxTask-") + tasks[index].rawValue());
        segment->setCheckable(true);
        ReturnActivation::install(*segment);
        tasks_->addButton(segment, int(index));
        segments->addWidget(segment);
    }
    connect(tasks_, &QButtonGroup::idClicked, this,
            [this](int index) { settings_.setMlxTask(MLXTask::allCases().value(index, MLXTask::text)); });
    layout->addWidget(taskPicker_, 1);
    return row;
}

QWidget *LocalEngineTab::makeFooter()
{
    auto *row = new QWidget;
    QHBoxLayout *layout = rowLayout(row);
    layout->addWidget(new PrivacyFootnote);
    layout->addStretch(1);
    showFiles_ = plainButton(QStringLiteral("Show model files"), QStringLiteral("showModelFiles"),
                             DesignTokens::font(DesignTokens::FontRole::smallControl));
    connect(showFiles_, &QPushButton::clicked, &model_, &AppModel::showModelFiles);
    layout->addWidget(showFiles_);
    return row;
}

void LocalEngineTab::choosePython()
{
    auto *dialog = new QFileDialog(this, chooserMessage);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setWindowModality(Qt::NonModal);
    // Only a confirmed choice changes the path; dismissing the dialog changes nothing.
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        if (!path.isEmpty())
            setup_.setPythonPath(path);
    });
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void LocalEngineTab::followSetup()
{
    const bool ready = setup_.isReady();
    const bool installing = setup_.isInstalling();
    const bool busy = model_.phase().isBusy();
    statusDot_->setInk(ready ? Ink::mint : Ink::secondary, ready ? 1 : greyDotOpacity);
    statusDot_->setProperty("lit", ready);
    status_->setText(setup_.status());
    progress_->setVisible(installing);
    cancel_->setVisible(installing);
    pythonRow_->setEnabled(!installing);
    const QString title = installing ? QStringLiteral("Setting up your engine…")
                          : ready    ? QStringLiteral("Repair local installation")
                                     : QStringLiteral("Download & set up MLX");
    install_->present(ready ? QStringLiteral("arrow.clockwise") : QStringLiteral("arrow.down.circle"), title,
                      ready ? QString() : QStringLiteral("~1.25 GB*"));
    install_->setEnabled(!installing && !busy);
    taskPicker_->setEnabled(!busy);
    showFiles_->setEnabled(ready);
}

void LocalEngineTab::followPythonPath(const QString &path)
{
    // The echo of the field's own edit changes nothing, so the cursor stays.
    if (pythonPath_->text() == path)
        return;
    const QSignalBlocker blocker(pythonPath_);
    pythonPath_->setText(path);
}

void LocalEngineTab::followTask()
{
    const int index = int(MLXTask::allCases().indexOf(settings_.mlxTask()));
    if (QAbstractButton *segment = tasks_->button(index))
        segment->setChecked(true);
}

void LocalEngineTab::changeEvent(QEvent *event)
{
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        tintSecondaryButtons();
}

// The plain buttons read in the secondary style of whatever appearance the
// window's palette is in now.
void LocalEngineTab::tintSecondaryButtons()
{
    QPalette secondary = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        secondary.setColor(group, QPalette::ButtonText, secondary.color(group, QPalette::PlaceholderText));
    cancel_->setPalette(secondary);
}
