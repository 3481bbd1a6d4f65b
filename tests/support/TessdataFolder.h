#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A private Tesseract data folder named by TESSDATA_PREFIX while it lives,
// holding a data file per code ("deu", "script/Latin"). The files are empty:
// listing the installed languages reads only their names. The previous
// TESSDATA_PREFIX comes back afterwards.
class TessdataFolder {
public:
    explicit TessdataFolder(const QStringList &codes);
    ~TessdataFolder();
    TessdataFolder(const TessdataFolder &) = delete;
    TessdataFolder &operator=(const TessdataFolder &) = delete;

    QString path() const { return path_; }

    // Thirty codes of installed languages, as a well-stocked desktop has.
    static QStringList thirtyLanguages();

private:
    QString path_;
    bool hadPrefix_;
    QByteArray previousPrefix_;
};
