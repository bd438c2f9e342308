#include "clipfile.h"

#include "errorlog.h"
#include "programfolder.h"
#include "uiservice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace lc::clip {

namespace {
const QByteArray kCrLf = QByteArrayLiteral("\r\n");

QString failure(const QFileDevice &file)
{
    return file.errorString().isEmpty() ? QStringLiteral("Unknown error") : file.errorString();
}
} // namespace

QString scratchPath()
{
    return programFolder() + kScratchFile;
}

QString clipFolder()
{
    return programFolder() + QStringLiteral("QuickClip") + QDir::separator();
}

QByteArray clipRecord(const QString &title, const QString &text)
{
    QByteArray out = encodeClipText(title) + kCrLf;
    out += QByteArray(30, '=') + kCrLf;
    out += encodeClipText(text) + kCrLf;
    out += kCrLf + QByteArray(30, '.') + kCrLf;
    return out;
}

bool AddClip(const QString &title, const QString &text)
{
    QFile file(scratchPath());
    const QByteArray record = clipRecord(title, text);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
        file.write(record) != record.size() || !file.flush()) {
        errorlog::Reporter::program().report(
            QStringLiteral("modMain"), QStringLiteral("Add Quick Clip"), 1, failure(file), true);
        return false;
    }
    file.close();
    ui::msgBox(QStringLiteral("Clip added!"), ui::Buttons::Ok, ui::Icon::Information);
    return true;
}

bool hasUnsavedClips()
{
    const QFileInfo info(scratchPath());
    return info.exists() && info.size() >= 2;
}

ReadResult readClipFile(const QString &path)
{
    ReadResult r;
    QFile file(path);
    if (!file.exists()) {
        r.ok = true;
        return r;
    }
    if (file.size() > kMaxClipFileBytes) {
        r.error = QStringLiteral("The file is too large to show (more than %1 MB).")
                      .arg(kMaxClipFileBytes / (1024 * 1024));
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = failure(file);
        return r;
    }
    QByteArray bytes = file.readAll();
    bytes.replace('\0', ' ');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    r.text = utf8.decode(bytes);
    if (utf8.hasError())
        r.text = QString::fromLatin1(bytes);
    r.ok = true;
    return r;
}

QByteArray encodeClipText(const QString &text)
{
    return text.toUtf8();
}

QString replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file);
    if (file.write(bytes) != bytes.size()) {
        const QString why = failure(file);
        file.cancelWriting();
        return why;
    }
    return file.commit() ? QString() : failure(file);
}

QString appendToFile(const QString &path, const QByteArray &bytes)
{
    QByteArray old;
    QFile current(path);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            return failure(current);
        old = current.readAll();
        if (current.error() != QFileDevice::NoError)
            return failure(current);
        current.close();
    }
    return replaceFile(path, old + bytes);
}

} // namespace lc::clip
