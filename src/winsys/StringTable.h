#pragma once

#include <QString>

/// The program's string table: the texts that code loads by id.
class CStringTable {
public:
    /// The text of a string id; empty for an id the table does not hold.
    static QString Load(int nID);
};
