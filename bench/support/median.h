#pragma once

#include <algorithm>
#include <vector>

namespace corvane::bench {

// The middle value, or the mean of the two middle ones; 0 when there are
// none.
inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of one field of each measurement.
template <typename Measurement>
double MedianOf(const std::vector<Measurement> &measurements, double Measurement::*field)
{
    std::vector<double> values;
    values.reserve(measurements.size());
    for (const Measurement &measurement : measurements)
        values.push_back(measurement.*field);
    return Median(std::move(values));
}

} // namespace corvane::bench
