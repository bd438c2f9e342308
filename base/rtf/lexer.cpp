#include "lexer.h"

#include "keywords.h"

#include <climits>
#include <string_view>

namespace lc::rtf::detail {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Control words are at most 32 letters; anything longer is nothing we know.
constexpr qsizetype kMaxWord = 32;

} // namespace

Token Lexer::next()
{
    for (;;) {
        Token t = scan();
        if (t.type != Token::Skip)
            return t;
    }
}

Token Lexer::scan()
{
    Token t;
    // Raw line ends carry nothing in RTF.
    while (m_p < m_end && (*m_p == '\r' || *m_p == '\n'))
        ++m_p;
    t.offset = m_p - m_begin;
    if (m_p >= m_end)
        return t;

    const char c = *m_p;
    if (c == '{') {
        ++m_p;
        t.type = Token::GroupOpen;
        return t;
    }
    if (c == '}') {
        ++m_p;
        t.type = Token::GroupClose;
        return t;
    }
    if (c != '\\') {
        const char *start = m_p;
        while (m_p < m_end && *m_p != '\\' && *m_p != '{' && *m_p != '}' && *m_p != '\r' &&
               *m_p != '\n')
            ++m_p;
        t.type = Token::Text;
        t.data = start;
        t.size = m_p - start;
        return t;
    }

    ++m_p; // the backslash
    if (m_p >= m_end) {
        t.type = Token::End;
        return t;
    }
    const char d = *m_p;
    if (!isLetter(d)) {
        ++m_p;
        if (d == '\'') {
            // \'hh: a byte; a malformed one is dropped, and only hex digits are eaten.
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_p < m_end && hexValue(*m_p) >= 0) {
                value = value * 16 + hexValue(*m_p);
                ++m_p;
                ++digits;
            }
            if (digits == 0) {
                t.type = Token::Skip;
                return t;
            }
            t.type = Token::Hex;
            t.byte = std::uint8_t(value);
            return t;
        }
        t.type = Token::Symbol;
        // A backslash before a raw line end stands for \par.
        t.symbol = (d == '\r' || d == '\n') ? '\n' : d;
        return t;
    }

    const char *word = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const qsizetype wordLen = m_p - word;
    t.type = Token::Word;
    t.data = word;
    t.size = wordLen;
    t.keyword =
        wordLen <= kMaxWord ? lookupKeyword(std::string_view(word, size_t(wordLen))) : Unknown;

    bool negative = false;
    if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    if (m_p < m_end && isDigit(*m_p)) {
        // Every digit is consumed so none leaks into the text; the value saturates.
        long long value = 0;
        while (m_p < m_end && isDigit(*m_p)) {
            if (value <= INT_MAX)
                value = value * 10 + (*m_p - '0');
            ++m_p;
        }
        if (value > INT_MAX)
            value = INT_MAX;
        t.hasParam = true;
        t.param = negative ? -int(value) : int(value);
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;

    if (t.keyword == Bin) {
        // \binN: N raw bytes follow, braces included; never past the end.
        const qsizetype want = t.hasParam && t.param > 0 ? t.param : 0;
        const qsizetype take = std::min<qsizetype>(want, m_end - m_p);
        t.type = Token::Bin;
        t.data = m_p;
        t.size = take;
        m_p += take;
    }
    return t;
}

} // namespace lc::rtf::detail
