#pragma once

#include <QStringView>

#include <optional>

// The case of an enumeration type (one with allCases() and rawValue()) whose
// raw value is exactly `rawValue`, compared case-sensitively; none otherwise.
template <typename Enumeration>
std::optional<Enumeration> caseWithRawValue(QStringView rawValue)
{
    for (Enumeration candidate : Enumeration::allCases()) {
        if (candidate.rawValue() == rawValue)
            return candidate;
    }
    return std::nullopt;
}
