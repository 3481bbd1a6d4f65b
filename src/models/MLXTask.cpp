#include "models/MLXTask.h"

#include "foundation/RawValueCases.h"

std::optional<MLXTask> MLXTask::fromRawValue(QStringView rawValue)
{
    return caseWithRawValue<MLXTask>(rawValue);
}

QList<MLXTask> MLXTask::allCases()
{
    return {text, formula, table};
}

QString MLXTask::rawValue() const
{
    switch (value_) {
    case text:
        return QStringLiteral("text");
    case formula:
        return QStringLiteral("formula");
    case table:
        return QStringLiteral("table");
    }
    return {};
}

QString MLXTask::title() const
{
    const QString raw = rawValue();
    return raw.left(1).toUpper() + raw.mid(1);
}
