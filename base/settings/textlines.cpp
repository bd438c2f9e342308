#include "textlines.h"

#include <QFile>
#include <QStringDecoder>

namespace lc {

bool readTextLines(const QString &path, qint64 maxLineBytes,
                   const std::function<bool(const QString &)> &take)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    while (!f.atEnd()) {
        QByteArray line = f.readLine(maxLineBytes);
        while (!line.endsWith('\n') && !f.atEnd()) {
            if (f.readLine(maxLineBytes).endsWith('\n'))
                break;
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8.decode(line);
        if (utf8.hasError())
            text = QString::fromLatin1(line);
        if (!take(text))
            break;
    }
    return true;
}

} // namespace lc
