#include "app/AppComposition.h"

#include "app/QuitAlert.h"

#include "platform/CanberraSoundPlayer.h"
#include "platform/Pasteboard.h"
#include "services/ClipboardService.h"
#include "services/VisionOCR.h"
#include "support/design/DesignPalette.h"
#include "views/ImageFileChooser.h"

#include <QCoreApplication>

AppComposition::AppComposition() : AppComposition(DefaultsDomain::standardDomainName())
{
}

AppComposition::AppComposition(const QString &defaultsDomainName)
    : defaults_(defaultsDomainName), settings_(defaults_), pasteboard_(Pasteboard::general()),
      history_(ClipboardHistoryStore::defaultStoragePath(), pasteboard_), copySound_(CanberraSoundPlayer::copySound()),
      platform_(SelectionPlatform::system()), presenter_(platform_), vision_(VisionOCR::shared())
{
    DesignPalette::followApplication();
}

AppComposition::~AppComposition() = default;

AppModel::Dependencies AppComposition::modelDependencies()
{
    AppModel::Dependencies dependencies;
    dependencies.settings = &settings_;
    dependencies.history = &history_;
    dependencies.vision = &vision_;
    dependencies.workspace = &workspace_;
    dependencies.dismissalTimer = &dismissalTimer_;
    dependencies.platform = platform_;
    dependencies.presenter = &presenter_;
    dependencies.chooseImageFile = chooseImageFile();
    dependencies.copySound = copySound_.get();
    dependencies.copyText = copyText();
    dependencies.catchUpClipboard = [&pasteboard = pasteboard_](std::stop_token token) {
        return pasteboard.catchUp(std::move(token));
    };
    dependencies.fileReveal = &fileReveal_;
    return dependencies;
}

ShellDependencies AppComposition::shellDependencies()
{
    ShellDependencies shell;
    shell.hotKeys = &hotKeys_;
    shell.activations = &activations_;
    shell.announcer = platform_.announcer;
    shell.accessibility = platform_.accessibility;
    shell.keepInstalling = QuitAlert::keepInstalling;
    shell.dismissQuestion = QuitAlert::dismiss;
    shell.terminate = [] { QCoreApplication::exit(0); };
    return shell;
}

AppModel::ChooseImageFile AppComposition::chooseImageFile()
{
    return [](std::function<void(const QString &path)> chosen) { ImageFileChooser::choose(std::move(chosen)); };
}

AppModel::CopyText AppComposition::copyText()
{
    return [&pasteboard = pasteboard_](const QString &text) { return ClipboardService::copy(text, pasteboard); };
}
