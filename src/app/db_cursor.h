// SPDX-License-Identifier: Apache-2.0
/*
 * db_cursor.h - a data-store cursor released when leaving its scope.
 *
 * Internal to the gateway's units (served tables and refresh).
 */
#ifndef DB_CURSOR_H
#define DB_CURSOR_H

#include "qxdb.h"

/* Releases a cursor when leaving its scope, also on an exception. */
class CursorGuard
{
  public:
    CursorGuard(DbConnection* db, int cursor) : m_db(db), m_cursor(cursor) {}
    ~CursorGuard()
    {
        if (m_cursor < 0)
            return;
        try {
            m_db->Finalize(m_cursor);
        } catch (...) {
            /* nothing more to release */
        }
    }
    CursorGuard(const CursorGuard&) = delete;
    CursorGuard& operator=(const CursorGuard&) = delete;
    int get() const { return m_cursor; }
    /* True when the cursor holds a current row. */
    bool hasRow() const { return m_cursor >= 0 && !m_db->Eof(m_cursor); }

  private:
    DbConnection* m_db;
    int m_cursor;
};

#endif
