#include "models/OCREngine.h"

#include "foundation/RawValueCases.h"

std::optional<OCREngine> OCREngine::fromRawValue(QStringView rawValue)
{
    return caseWithRawValue<OCREngine>(rawValue);
}

QList<OCREngine> OCREngine::allCases()
{
    return {vision, mlx};
}

QString OCREngine::rawValue() const
{
    return value_ == vision ? QStringLiteral("vision") : QStringLiteral("mlx");
}

QString OCREngine::title() const
{
    return value_ == vision ? QStringLiteral("Apple Vision") : QStringLiteral("Local MLX");
}

QString OCREngine::symbol() const
{
    return value_ == vision ? QStringLiteral("apple.logo") : QStringLiteral("cpu");
}
