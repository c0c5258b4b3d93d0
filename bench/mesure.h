#pragma once

// What every timing program needs: the median of runs, and the time a call
// takes.
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <string>
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

// Bytes this process has written so far, files and sockets alike
// (/proc/self/io's wchar).
inline long long octetsEcrits()
{
    FILE* f = std::fopen("/proc/self/io", "r");
    long long n = 0;
    char cle[32];
    long long valeur = 0;
    while (f && std::fscanf(f, "%31s %lld", cle, &valeur) == 2)
        if (std::string(cle) == "wchar:")
            n = valeur;
    if (f)
        std::fclose(f);
    return n;
}

} // namespace bench
