#include "app/ProgramDependencies.h"

#include "app/QuitAlert.h"
#include "platform/AccessibilityAnnouncer.h"
#include "platform/DesktopAccessibilityPreferences.h"
#include "platform/SelectionPlatform.h"
#include "platform/X11ActivationWatcher.h"
#include "platform/X11HotKeyGrabber.h"
#include "views/ImageFileChooser.h"
#include "views/SelectionOverlayPresenter.h"

#include <QCoreApplication>

ProgramDependencies::ProgramDependencies()
    : presenter_(std::make_unique<SelectionOverlayPresenter>(SelectionPlatform::system())),
      hotKeys_(std::make_unique<X11HotKeyGrabber>()), activations_(std::make_unique<X11ActivationWatcher>())
{
}

ProgramDependencies::~ProgramDependencies() = default;

AppModel::Dependencies ProgramDependencies::modelDependencies() const
{
    AppModel::Dependencies dependencies;
    dependencies.presenter = presenter_.get();
    dependencies.chooseImageFile = ImageFileChooser::choose;
    return dependencies;
}

ShellDependencies ProgramDependencies::shellDependencies() const
{
    ShellDependencies shell;
    shell.hotKeys = hotKeys_.get();
    shell.activations = activations_.get();
    shell.announcer = &AccessibilityAnnouncer::shared();
    shell.accessibility = &DesktopAccessibilityPreferences::shared();
    shell.keepInstalling = QuitAlert::keepInstalling;
    shell.terminate = [] { QCoreApplication::exit(0); };
    return shell;
}
