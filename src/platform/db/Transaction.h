#pragma once

namespace db {

class Connection;

// Makes a group of writes (posts, deletes) all-or-nothing. The constructor
// begins the transaction and takes the write lock at once, waiting up to the
// busy timeout; the destructor rolls back unless commit() was called.
// Nested in another transaction, it becomes a savepoint of that one.
//
// Tables keep their rows in memory: after a rollback, reopen (requery) the
// tables that posted inside it, since their rows no longer match the file.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();   // DbError when the file cannot be written; then it is rolled back
    void rollback(); // never throws
    bool isOpen() const { return m_open; }

private:
    Connection& m_connection;
    bool m_open = false;
    bool m_savepoint = false;
};

} // namespace db
