#pragma once
// A transaction framed by "START TRANSACTION" / "COMMIT" on one query object. Leaving the scope
// while it is open sends "ROLLBACK", so a failed chain leaves the database as it was.
#include "errors.h"
#include "query.h"

namespace orvena {

class Transaction {
public:
    enum class Start {
        Now,      // "START TRANSACTION" at construction
        Later,    // nothing is sent until begin(); ending a guard never begun sends nothing
    };

    explicit Transaction(Query& query, Start start = Start::Now) : m_query(&query) { start_(start); }
    // Straight on a connection, for code that runs no query objects.
    explicit Transaction(Connection& connection, Start start = Start::Now) : m_connection(&connection)
    {
        start_(start);
    }
    ~Transaction()
    {
        try {
            rollback();
        } catch (...) { // nothing may leave a destructor; the server ends the transaction with the session
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Sends "START TRANSACTION"; throws DbError.
    void begin()
    {
        run("START TRANSACTION");
        m_state = State::Open;
    }
    // Sends "COMMIT"; throws DbError, and the guard stays open so that it is rolled back.
    void commit()
    {
        run("COMMIT");
        m_state = State::Ended;
    }
    // Ends an open transaction with "ROLLBACK" (nothing when none is open). False when the
    // ROLLBACK itself failed: the connection is gone, and the server ends the transaction itself.
    bool rollback()
    {
        if (m_state != State::Open)
            return true;
        m_state = State::Ended;
        try {
            run("ROLLBACK");
        } catch (const Error&) {
            return false;
        }
        return true;
    }
    // Begun and not yet committed or rolled back.
    bool isOpen() const { return m_state == State::Open; }

private:
    enum class State { NotStarted, Open, Ended };

    void start_(Start start)
    {
        if (start == Start::Now)
            begin();
    }
    void run(const char* statement)
    {
        if (m_connection) {
            m_connection->execute(statement);
            return;
        }
        m_query->setSql({QString::fromLatin1(statement)});
        m_query->execute();
    }

    Query* m_query = nullptr;
    Connection* m_connection = nullptr;
    State m_state = State::NotStarted;
};

} // namespace orvena
