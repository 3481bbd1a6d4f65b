#include "models/CaptureResult.h"

#include "models/TextProcessing.h"

#include <array>
#include <charconv>
#include <cmath>

CaptureResult::CaptureResult(QString text, OCREngine engine, double elapsed)
    : id(QUuid::createUuid()), text(std::move(text)), engine(engine), elapsed(elapsed),
      date(QDateTime::currentDateTime())
{
}

int CaptureResult::wordCount() const
{
    return int(TextProcessing::wordCount(text));
}

QString CaptureResult::timing() const
{
    if (elapsed < 1.0)
        return QString::number(qint64(std::trunc(elapsed * 1000.0))) + QStringLiteral(" ms");
    // std::to_chars rounds exactly as printf does in the C locale, whatever locale is active.
    std::array<char, 64> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), elapsed, std::chars_format::fixed, 1);
    if (error != std::errc())
        return QStringLiteral("? s");
    return QString::fromLatin1(buffer.data(), end - buffer.data()) + QStringLiteral(" s");
}
