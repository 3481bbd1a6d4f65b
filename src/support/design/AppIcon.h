#pragma once

#include <QIcon>
#include <QImage>

// The application's icon: the app glyph alone, on a transparent square.
class AppIcon {
public:
    AppIcon() = delete;

    static constexpr int sizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

    static QImage image(int side);
    static QIcon icon();
};
