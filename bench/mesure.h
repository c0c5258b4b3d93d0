#pragma once

// What every timing program needs: the median of runs, and the time a call
// takes.
#include <QElapsedTimer>
#include <algorithm>
#include <vector>

namespace bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// In milliseconds.
template <typename F> double millis(F&& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace bench
