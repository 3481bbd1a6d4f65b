#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// What the local engine is asked to read; the raw value is the word sent to the worker.
class MLXTask {
public:
    enum Value { text, formula, table };

    constexpr MLXTask(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    static std::optional<MLXTask> fromRawValue(QStringView rawValue);
    static QList<MLXTask> allCases();

    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString title() const;

private:
    Value value_;
};
