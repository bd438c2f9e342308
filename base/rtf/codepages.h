#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <map>
#include <memory>

// Windows code pages as RTF names them: the ones of font character sets, the document's
// \ansicpg, and decoding of the bytes written as \'hh.
namespace lc::rtf::detail {

constexpr int kCp1252 = 1252;

// The code page of a font's \fcharset, or 0 when the charset means "the document's".
int codePageOfCharset(int charset);
bool isDoubleByte(int codePage);
bool isLeadByte(int codePage, unsigned char byte);

// cp1252 byte of a character, or -1 when cp1252 has none.
int toCp1252(char16_t c);

// Decodes bytes of one code page. Single-byte pages go through a shared table; double-byte
// ones through a decoder kept per instance (decoders carry state).
class Decoder {
public:
    // Appends the characters of bytes in codePage (unknown pages read as cp1252).
    void decode(int codePage, QByteArrayView bytes, QString &out);
    // 256 characters for a single-byte page, null for a double-byte one.
    static const char16_t *table(int codePage);

private:
    std::map<int, std::unique_ptr<QStringDecoder>> m_multi;
};

} // namespace lc::rtf::detail
