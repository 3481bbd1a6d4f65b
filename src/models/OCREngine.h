#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The recognition engine: the platform recogniser or the local model worker.
class OCREngine {
public:
    enum Value { vision, mlx };

    constexpr OCREngine(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // Exactly "vision" or "mlx", compared case-sensitively.
    static std::optional<OCREngine> fromRawValue(QStringView rawValue);
    static QList<OCREngine> allCases();

    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString title() const;
    QString symbol() const;

private:
    Value value_;
};
