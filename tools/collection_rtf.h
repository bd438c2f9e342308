#pragma once

#include <QStringView>

#include <string>
#include <string_view>

// Rich text the way the program's rich-edit control writes it, so made-up collections look
// like ones a player saved: cp1252 text, Arial body, Courier New for codes, navy and maroon.
namespace lc::collection::rtf {

// Everything before the first paragraph's text.
constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
    "{\\f1\\fmodern\\fcharset0 Courier New;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue128;\\red128\\green0\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
constexpr std::string_view kParagraphEnd = "\\par\r\n";
constexpr std::string_view kFooter = "}\r\n";

// Appends one line of text, escaped, with these inline tags turned into formatting:
// [b] [i] [u] [blue] [red] [mono] with their [/...] closers, and [tab]. Anything else in
// square brackets is plain text.
void appendLine(std::string &out, QStringView line);

// Appends a heading paragraph: navy, bold and a size up.
void appendHeading(std::string &out, QStringView text);

// Appends a paragraph holding a small drawn stage map, stored the way the rich-edit control
// stores a pasted bitmap (a device-independent bitmap, 24 bits a pixel, in hex).
void appendMapPicture(std::string &out);

// A whole document from lines of text: a line starting "= " is a heading, a line "[map]" a
// stage map picture, an empty line an empty paragraph, any other line a paragraph with
// inline tags.
std::string document(QStringView text);

} // namespace lc::collection::rtf
