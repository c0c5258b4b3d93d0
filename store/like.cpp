#include "store/like.h"

#include <string>

namespace store {

namespace {

// The UTF-16 units of a UTF-8 text, as QString::fromUtf8 makes them (a byte
// that starts no character becomes U+FFFD), into a buffer kept between
// calls.
void versUtf16(std::string_view utf8, std::u16string& unites)
{
    unites.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* fin = p + utf8.size();
    while (p < fin) {
        const unsigned char b = *p;
        if (b < 0x80) {
            unites += char16_t(b);
            ++p;
            continue;
        }
        const int suite = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : 0;
        char32_t c = b & (0x3F >> suite);
        bool bon = suite > 0 && fin - p > suite;
        for (int i = 1; bon && i <= suite; ++i) {
            bon = (p[i] & 0xC0) == 0x80;
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (!bon) {
            unites += char16_t(0xFFFD);
            ++p;
            continue;
        }
        if (c >= 0x10000) {
            unites += char16_t(0xD800 + ((c - 0x10000) >> 10));
            unites += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unites += char16_t(c);
        }
        p += suite + 1;
    }
}

} // namespace

LikePattern::LikePattern(QStringView pattern)
{
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('*')) {
            if (m_tokens.empty() || m_tokens.back().kind != Kind::Star)
                m_tokens.push_back({Kind::Star, {}, 0});
        } else if (c == QLatin1Char('?')) {
            m_tokens.push_back({Kind::AnyChar, {}, 0});
        } else if (c == QLatin1Char('#')) {
            m_tokens.push_back({Kind::Digit, {}, 0});
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = pattern.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {
                m_valid = false;
                return;
            }
            QStringView body = pattern.sliced(i + 1, close - i - 1);
            i = close;
            if (body.isEmpty())
                continue; // "[]" stands for nothing at all
            CharSet set;
            if (body.startsWith(QLatin1Char('!'))) {
                set.negated = true;
                body = body.sliced(1);
            }
            for (qsizetype k = 0; k < body.size(); ++k) {
                const QChar low = body[k];
                if (k + 2 < body.size() && body[k + 1] == QLatin1Char('-')) {
                    const QChar high = body[k + 2];
                    if (high < low) {
                        m_valid = false;
                        return;
                    }
                    set.ranges.push_back({low, high});
                    k += 2;
                } else {
                    set.ranges.push_back({low, low});
                }
            }
            m_sets.push_back(std::move(set));
            m_tokens.push_back({Kind::Set, {}, int(m_sets.size() - 1)});
        } else {
            m_tokens.push_back({Kind::Literal, c.toCaseFolded(), 0});
        }
    }
}

bool LikePattern::inSet(const CharSet& set, QChar c) const
{
    const QChar forms[3] = {c, c.toLower(), c.toUpper()};
    bool found = false;
    for (const Range& range : set.ranges) {
        for (const QChar form : forms) {
            if (form >= range.low && form <= range.high) {
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    return found != set.negated;
}

bool LikePattern::matchesOne(const Token& token, QChar c) const
{
    switch (token.kind) {
    case Kind::Literal:
        return c == token.folded || c.toCaseFolded() == token.folded;
    case Kind::AnyChar:
        return true;
    case Kind::Digit:
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    case Kind::Set:
        return inSet(m_sets[size_t(token.set)], c);
    case Kind::Star:
        break;
    }
    return false;
}

bool LikePattern::matches(QStringView text) const
{
    if (!m_valid)
        return false;
    // Greedy match with backtracking to the last star only: linear in
    // practice, never exponential.
    const size_t m = m_tokens.size();
    const qsizetype n = text.size();
    size_t p = 0;
    qsizetype t = 0;
    size_t starP = m;
    qsizetype starT = 0;
    while (t < n) {
        if (p < m && m_tokens[p].kind == Kind::Star) {
            starP = p++;
            starT = t;
        } else if (p < m && matchesOne(m_tokens[p], text[t])) {
            ++p;
            ++t;
        } else if (starP != m) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && m_tokens[p].kind == Kind::Star)
        ++p;
    return p == m;
}

bool LikePattern::matchesUtf8(std::string_view text) const
{
    thread_local std::u16string unites;
    versUtf16(text, unites);
    return matches(QStringView(unites.data(), qsizetype(unites.size())));
}

} // namespace store
