#pragma once

#include "handover.h"

#include <QByteArray>
#include <QStringList>

// The two small text files the updater reads: the hand-over file the main program leaves and
// the version file from the server. Both are lists of items.
namespace renewer {

// The hand-over file and the version file are read by the same item rules.
using lc::clsAppInfo;
using lc::handover::leadingNumber;
using lc::handover::readItems;

// Reads the hand-over file into local and deletes it. True only when all four of APP:, MAJ:,
// MIN: and REV: were seen.
bool readHandOver(const QString &path, clsAppInfo &local);

// The start item of this program's block: "APP:" + title + the updater's major version.
QString blockKey(const QString &title, int updaterMajor);

struct VersionBlock {
    bool found = false;
    clsAppInfo server;
    QStringList updatedFiles; // "UFL:" values, in file order
    QStringList newFiles;     // "NFL:" values, in file order
    QString notes;            // the last "MSG:" value
};
// Finds the block whose start item contains key (any case) and reads it up to the end marker
// (ten full stops) or the end of the items.
VersionBlock readVersionBlock(const QStringList &items, const QString &key);

enum class CompareResult { NoFile = 0, UpToDate = 1, MinorUpdate = 3, RevisionUpdate = 4 };
// Major numbers are deliberately not compared: a new major version is a new program, not an
// update. A higher revision only counts within the same minor version, so an older release
// is never offered as an update.
CompareResult compareVersions(const clsAppInfo &local, const clsAppInfo &server);

// The compare step on the downloaded version file's bytes (missing or empty: NoFile).
CompareResult compareFile(const QByteArray &versionFile, bool exists, const clsAppInfo &local,
                          int updaterMajor, VersionBlock *block);

// The update notes shown for an available update, with CR LF line ends.
QString updateNotes(const clsAppInfo &local, const VersionBlock &block);

} // namespace renewer
