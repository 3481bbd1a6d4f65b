#include "views/PreferencesView.h"

#include "foundation/Detached.h"
#include "services/MLXSetup.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignPalette.h"
#include "support/design/DesignTokens.h"
#include "support/design/LayoutOrder.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovMark.h"
#include "views/GeneralSettingsTab.h"
#include "views/LocalEngineTab.h"
#include "views/SettingsControls.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using Ink = SystemColours::Ink;

constexpr int headerPadding = 26;
constexpr int tabsPadding = 14;
constexpr int tabIconSide = 16;

const QString generalSymbol = QStringLiteral("slider.horizontal.3");
const QString localEngineSymbol = QStringLiteral("cpu");

} // namespace

PreferencesView::PreferencesView(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent)
    : QWidget(parent), model_(model), setup_(setup), tabs_(new QTabWidget(this)),
      general_(new GeneralSettingsTab(model, settings)), localEngine_(new LocalEngineTab(model, settings, setup))
{
    setFont(SettingsControls::controlFont());
    DesignPalette::follow(*this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setDocumentMode(false);
    tabs_->addTab(general_, QStringLiteral("General"));
    tabs_->addTab(localEngine_, QStringLiteral("Local MLX"));
    tabs_->tabBar()->setTabData(0, generalSymbol);
    tabs_->tabBar()->setTabData(1, localEngineSymbol);
    paintTabIcons();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());
    auto *tabsFrame = new QHBoxLayout;
    tabsFrame->setContentsMargins(tabsPadding, 0, tabsPadding, tabsPadding);
    tabsFrame->addWidget(tabs_);
    layout->addLayout(tabsFrame, 1);
}

QWidget *PreferencesView::makeHeader()
{
    auto *header = new QWidget;
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(headerPadding, headerPadding, headerPadding, headerPadding);
    layout->setSpacing(13);
    layout->addWidget(new TrovMark(38));
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(SettingsControls::text(QStringLiteral("Make yourself at home."),
                                            DesignTokens::font(DesignTokens::FontRole::windowTitle), Ink::primary));
    texts->addWidget(SettingsControls::text(QStringLiteral("A few thoughtful defaults. Your finishing touches."),
                                            DesignTokens::font(DesignTokens::FontRole::subtitle), Ink::secondary));
    layout->addLayout(texts, 1);
    return header;
}

void PreferencesView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from the window manager (restored, uncovered) is no new opening.
    if (event->spontaneous())
        return;
    setup_.refresh();
    prepareLanguages();
}

void PreferencesView::prepareLanguages()
{
    Detached::start(listLanguages(), "the recognition languages for the settings window");
}

QCoro::Task<void> PreferencesView::listLanguages()
{
    const quint64 listing = ++listing_;
    const QPointer<PreferencesView> self(this);
    const QStringList languages = co_await model_.supportedLanguages();
    if (!self || self->listing_ != listing)
        co_return;
    // The same list again (listed ahead, then on showing) leaves the picker be.
    const bool changed = !self->listed_ || self->languages_ != languages;
    self->listed_ = true;
    self->languages_ = languages;
    if (changed)
        self->general_->setLanguages(languages);
    Q_EMIT self->languagesListed();
}

void PreferencesView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        paintTabIcons();
}

// The tab symbols take the text colour of the appearance shown.
void PreferencesView::paintTabIcons()
{
    const QColor ink = palette().color(QPalette::WindowText);
    for (int index = 0; index < tabs_->count(); ++index)
        tabs_->setTabIcon(index, SymbolLibrary::icon(tabs_->tabBar()->tabData(index).toString(), tabIconSide, ink));
}

bool PreferencesView::focusNextPrevChild(bool next)
{
    return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
}
