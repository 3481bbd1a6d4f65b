#pragma once

#include "app/SmokeTest.h"
#include "platform/DefaultsDomain.h"
#include "platform/MemoryPasteboard.h"
#include "platform/SelectionPlatform.h"
#include "platform/X11Workspace.h"
#include "services/VisionOCR.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"

#include <QCoroTask>
#include <QDir>

#include <functional>
#include <memory>

// The program's model as a view benchmark drives it: settings in a private
// domain that is removed afterwards, the clipboard in memory, the history
// file in `folder`, the recogniser given (the installed one by default), and
// this desktop's workspace and selection.
class BenchModel {
public:
    // Changes what the model is built with (the settings, the history, the
    // selection), before it is built.
    using Adjust = std::function<void(AppModel::Dependencies &dependencies)>;

    explicit BenchModel(const QString &folder, VisionOCR::Execute recognise = {}, const Adjust &adjust = {})
        : defaults_(SmokeTest::privateName()), settings_(defaults_),
          history_(QDir(folder).filePath(QStringLiteral("history.json")), pasteboard_),
          vision_(recognise ? std::make_unique<VisionOCR>(std::move(recognise)) : std::make_unique<VisionOCR>())
    {
        AppModel::Dependencies dependencies;
        dependencies.settings = &settings_;
        dependencies.history = &history_;
        dependencies.vision = vision_.get();
        dependencies.workspace = &workspace_;
        dependencies.platform = SelectionPlatform::system();
        if (adjust)
            adjust(dependencies);
        model_ = std::make_unique<AppModel>(std::move(dependencies));
    }

    ~BenchModel()
    {
        QCoro::waitFor(model_->shutdown());
        model_.reset();
        defaults_.removeDomain();
    }

    BenchModel(const BenchModel &) = delete;
    BenchModel &operator=(const BenchModel &) = delete;

    AppModel &model() { return *model_; }
    Preferences &settings() { return settings_; }
    MemoryPasteboard &pasteboard() { return pasteboard_; }
    ClipboardHistoryStore &history() { return history_; }

private:
    DefaultsDomain defaults_;
    Preferences settings_;
    MemoryPasteboard pasteboard_;
    ClipboardHistoryStore history_;
    std::unique_ptr<VisionOCR> vision_;
    X11Workspace workspace_;
    std::unique_ptr<AppModel> model_;
};
