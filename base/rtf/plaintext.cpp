#include "rtf.h"

#include "parser.h"

namespace lc::rtf {
namespace {

class TextSink : public detail::Sink {
public:
    QString out;

    void text(const QString &text, const detail::CharState &) override
    {
        const qsizetype at = out.size();
        out += text;
        for (qsizetype i = at; i < out.size(); ++i) {
            const char16_t c = out.at(i).unicode();
            if (c == 0x2028)
                out[i] = u'\n';
            else if (c == 0x00A0)
                out[i] = u' ';
        }
    }
    void endParagraph(const detail::ParaState &, const detail::CharState &) override {}
    void newParagraph() override { out += QLatin1StringView("\r\n"); }
    void picture(detail::Picture &&, const detail::CharState &) override
    {
        out += QChar(QChar::ObjectReplacementCharacter);
    }
    bool wantsPictures() const override { return false; }
};

} // namespace

QString plainText(QByteArrayView rtf)
{
    TextSink sink;
    sink.out.reserve(rtf.size() / 2);
    detail::Parser parser(rtf, sink);
    parser.run(false);
    sink.out.squeeze();
    return sink.out;
}

} // namespace lc::rtf
