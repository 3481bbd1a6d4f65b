#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The figures a benchmark prints of its timings.
class Statistics {
public:
    Statistics() = delete;

    // The middle value; between the two middle ones of an even count.
    static double median(std::vector<double> values)
    {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }

    // The value `share` (0.9 for the 90th percentile) of the way up the sorted values.
    static double percentile(std::vector<double> values, double share)
    {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1, std::size_t(double(values.size()) * share))];
    }
};
