#pragma once

#include "connection.h"

#include <QString>

// The one shared connection of the program and what it was opened from.
extern lc::db::Connection gConn;
extern QString gDBPath; // full path as opened
extern QString gDBName; // file name without its last four characters

// Opens a database file into gConn. On failure the error is logged and shown, and the
// connection that was open before (if any) stays open.
bool Connect(const QString &path);

// The tables a collection must have.
QStringList CollectionTables();
