#pragma once
// A thin owner of an SQLite connection and its statements. Every failure
// throws LibraryError with SQLite's message, so that a half-done change is
// rolled back by the Transaction that encloses it.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace skirlo {

class LibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteConnection {
public:
    // Opens or creates the file; throws when it cannot.
    explicit SqliteConnection(const std::string& path);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void execute(const char* sql);
    sqlite3* handle() const { return db_; }
    [[noreturn]] void fail(std::string_view what) const;

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& connection, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binding is by 1-based index; text is copied.
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, std::int64_t value);
    // True while a row is available; reset() makes the statement ready again.
    bool step();
    void run() { step(); reset(); }
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    SqliteConnection& connection_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE on construction (waiting for another writer as long as the
// busy timeout allows), ROLLBACK unless commit() was called.
class Transaction {
public:
    explicit Transaction(SqliteConnection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    SqliteConnection& connection_;
    bool open_ = true;
};

}  // namespace skirlo
