#pragma once

#include <QByteArrayView>

#include <algorithm>
#include <cstdint>

// Splits RTF bytes into tokens. Never reads past the end, always advances, and keeps every
// number inside an int however many digits the input has.
namespace lc::rtf::detail {

struct Token {
    enum Type : std::uint8_t { End, Text, GroupOpen, GroupClose, Word, Symbol, Hex, Bin, Skip };
    Type type = End;
    bool hasParam = false;
    char symbol = 0;            // Symbol: the character after the backslash
    std::uint8_t byte = 0;      // Hex: the byte value
    int keyword = 0;            // Word: a Keyword value
    int param = 0;              // Word: the parameter, clamped
    const char *data = nullptr; // Text, Bin: the bytes; Word: its letters
    qsizetype size = 0;
    qsizetype offset = 0; // where the token starts in the input
};

class Lexer {
public:
    explicit Lexer(QByteArrayView input)
        : m_begin(input.data()), m_p(input.data()), m_end(input.data() + input.size())
    {
    }

    Token next();
    qsizetype offset() const { return m_p - m_begin; }
    void seek(qsizetype offset)
    {
        m_p = m_begin + std::clamp<qsizetype>(offset, 0, m_end - m_begin);
    }
    const char *begin() const { return m_begin; }
    qsizetype size() const { return m_end - m_begin; }

private:
    Token scan();

    const char *m_begin;
    const char *m_p;
    const char *m_end;
};

} // namespace lc::rtf::detail
