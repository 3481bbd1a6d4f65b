#pragma once

#include <QString>
#include <QStringList>

#include <stop_token>

// The configuration of one recognition, handed to the recognition call, and
// the flag through which a caller's cancellation reaches a running recogniser.
class TextRecognitionRequest {
public:
    explicit TextRecognitionRequest(QString language) : language_(std::move(language)) {}

    // The language as the caller gave it.
    const QString &language() const { return language_; }

    // Exactly "auto" (case-sensitive) asks for automatic detection.
    bool detectsLanguageAutomatically() const { return language_ == QLatin1String("auto"); }

    // The one requested language, unchanged; empty with automatic detection.
    QStringList recognitionLanguages() const
    {
        return detectsLanguageAutomatically() ? QStringList() : QStringList{language_};
    }

    // May be called from any thread; a running recognition polls the token,
    // also from inside Tesseract (its progress monitor's cancel callback).
    void cancel() { stop_.request_stop(); }
    bool isCancelled() const { return stop_.stop_requested(); }
    std::stop_token stopToken() const { return stop_.get_token(); }

private:
    QString language_;
    std::stop_source stop_;
};
