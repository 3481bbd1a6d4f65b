#pragma once

#include <QCoroTask>
#include <QImage>
#include <QString>
#include <QVariantMap>

// A self-test of the recognition pipeline inside the real program, without any
// window: the recogniser on a generated picture, a private clipboard, a full
// image import through its own application model on private settings, the
// local engine's files and, on request, a local recognition. The findings go
// to one JSON report; nothing of the user's settings or clipboard is touched.
class SmokeTest {
public:
    static constexpr const char *fixtureFileName = "ocr-fixture.png";
    static constexpr const char *fixtureHeadline = "Ravelond makes pixels useful.";
    static constexpr const char *fixtureAmount = "1234.50";
    // How long the import may take before it counts as failed.
    static constexpr std::chrono::seconds importWait{60};

    // The picture it reads: two lines of black text on white, 1200 × 400.
    static QImage fixture();

    // Runs every check and writes the report to `reportPath`; never throws.
    static QCoro::Task<void> run(QString reportPath, bool withMLX);

    // The fixed name of a private pasteboard or defaults domain: the bundle
    // identifier, ".smoke." and a fresh upper-case UUID.
    static QString privateName();

    // "passed": every check true, the local engine's only when it ran.
    static bool verdict(const QVariantMap &report);

    // Pretty-printed JSON with sorted keys, written atomically. A failure
    // changes nothing else but is said in one line on stderr; false then.
    static bool writeReport(const QString &path, const QVariantMap &report);
};
