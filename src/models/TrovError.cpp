#include "models/TrovError.h"

TrovError::TrovError(Kind kind, QString carried) : kind_(kind), carried_(std::move(carried))
{
    utf8Description_ = errorDescription().toUtf8();
}

QString TrovError::errorDescription() const
{
    switch (kind_) {
    case mlx:
    case capture:
    case platform:
        return carried_;
    case permission:
        return QStringLiteral("Allow Screen Recording for Ravelond in System Settings, then try again. "
                              "You may need to quit and reopen Ravelond.");
    case cancelled:
        return QStringLiteral("Capture cancelled.");
    case noText:
        return QStringLiteral(
            "No text found. Try a tighter selection or a sharper image. Your clipboard is unchanged.");
    case invalidImage:
        return QStringLiteral("This image could not be opened. Try a PNG, JPEG, TIFF or HEIC image.");
    case mlxNotReady:
        return QStringLiteral("Set up the local MLX engine in Settings first. Apple Vision is ready to use now.");
    case truncated:
        return QStringLiteral(
            "The model reached its output limit. Select a smaller area. Your clipboard is unchanged.");
    case clipboard:
        return QStringLiteral("The clipboard could not be updated. Your result is available in the result window.");
    case visionBusy:
        return QStringLiteral("Apple Vision is still finishing the previous request. Try again shortly. "
                              "Your clipboard is unchanged.");
    case taskCancelled:
        return QStringLiteral("The operation was cancelled.");
    }
    return carried_;
}

TrovError TrovError::from(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TrovError &error) {
        return error;
    } catch (const std::exception &error) {
        return TrovError::platformFailure(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return TrovError::platformFailure(QStringLiteral("An unexpected error occurred."));
    }
}
