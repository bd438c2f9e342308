#pragma once

#include <QString>

namespace lc::db {

// Error numbers follow the data-object numbering users and logs already know.
enum ErrorNumber : int {
    ErrNone = 0,
    ErrInvalidArgument = 3001,   // bad statement or filter text, bad value
    ErrNoCurrentRecord = 3021,   // BOF or EOF, or the current record was deleted
    ErrItemNotFound = 3265,      // no field of that name or ordinal
    ErrNotAllowed = 3219,        // operation not allowed in this context
    ErrObjectClosed = 3704,      // the recordset or connection is not open
    ErrInvalidConnection = 3709, // the connection cannot be used
    ErrDatabase = 3900,          // the database engine refused; description says why
};

struct Error {
    int number = ErrNone;
    QString description;

    explicit operator bool() const { return number != ErrNone; }
    static Error none() { return {}; }
};

} // namespace lc::db
