#pragma once

#include <QChar>
#include <QStringView>
#include <string_view>
#include <vector>

namespace store {

// The database's Like comparison: "*" any run of characters, "?" one
// character, "#" one digit, "[abc]", "[a-z]" and "[!abc]" one character of
// (or not of) a list. Letter case is ignored (Unicode case folding, so "é"
// matches "É"); accents are not. A pattern that cannot be read (an unclosed
// "[" or a reversed range) matches nothing.
class LikePattern {
public:
    explicit LikePattern(QStringView pattern);

    bool matches(QStringView text) const;
    // The same over a UTF-8 text (a stored field), without making a QString.
    bool matchesUtf8(std::string_view text) const;

private:
    enum class Kind { Literal, AnyChar, Digit, Star, Set };
    struct Token {
        Kind kind;
        QChar folded; // Literal
        int set;      // Set: index into m_sets
    };
    struct Range {
        QChar low, high;
    };
    struct CharSet {
        bool negated = false;
        std::vector<Range> ranges;
    };

    bool matchesOne(const Token& token, QChar c) const;
    bool inSet(const CharSet& set, QChar c) const;

    std::vector<Token> m_tokens;
    std::vector<CharSet> m_sets;
    bool m_valid = true;
};

} // namespace store
