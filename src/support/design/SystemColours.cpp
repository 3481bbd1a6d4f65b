#include "support/design/SystemColours.h"

#include "support/design/TrovStyle.h"

QColor SystemColours::windowBackground(bool dark)
{
    return dark ? QColor(50, 50, 50) : QColor(236, 236, 236);
}

QColor SystemColours::label(bool dark)
{
    return dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
}

QColor SystemColours::secondaryLabel(bool dark)
{
    return dark ? QColor(255, 255, 255, 140) : QColor(0, 0, 0, 128);
}

QColor SystemColours::tertiaryLabel(bool dark)
{
    return dark ? QColor(255, 255, 255, 64) : QColor(0, 0, 0, 66);
}

QColor SystemColours::orange(bool dark)
{
    return dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QColor SystemColours::separator(bool dark)
{
    return dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 26);
}

QColor SystemColours::ink(Ink ink, bool dark)
{
    switch (ink) {
    case Ink::primary:
        return label(dark);
    case Ink::secondary:
        return secondaryLabel(dark);
    case Ink::tertiary:
        return tertiaryLabel(dark);
    case Ink::teal:
        return TrovStyle::teal(dark);
    case Ink::mint:
        return TrovStyle::mint();
    case Ink::orange:
        return orange(dark);
    case Ink::white:
        return Qt::white;
    }
    return label(dark);
}
