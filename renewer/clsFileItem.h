#pragma once

#include <QString>

namespace renewer {

// One file item of the version file: "name|remote folder" or "name|remote folder|local
// subfolder". Items come from the network, so parse() refuses any that would write outside
// the program folder.
class clsFileItem {
public:
    QString name;
    QString remoteFolder;
    QString localSubfolder; // with '/' separators; empty for a two-part item
    // The program folder, followed by the local subfolder for a three-part item. The name is
    // appended with no further separator: a subfolder is written with its own trailing one.
    QString localFolder;

    QString localPath() const { return localFolder + name; }
    // The file's address under the server's downloads folder, percent-encoded.
    QString remoteLocation(const QString &downloadsUrl) const;

    // The name part of an item, as the update notes list it.
    static QString nameOf(const QString &item);
    // False, with the reason in why, when the item is empty or would land outside appPath.
    static bool parse(const QString &item, const QString &appPath, clsFileItem *out, QString *why);

    // Checks the parsed item against the disk as it is now. False, with the reason in why,
    // when its real path (every link followed) leaves appPath, when it names a folder, or
    // when it is one of the files that hold the user's own data or the updater's working
    // files: no update replaces those.
    bool checkOnDisk(const QString &appPath, QString *why) const;

    // Whether a path relative to the program folder ('/' separators) holds the user's data.
    static bool isUsersOwn(const QString &relative);
};

} // namespace renewer
