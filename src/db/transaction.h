#pragma once
// A transaction framed by "START TRANSACTION" / "COMMIT" on one query object. Leaving the scope
// without commit() sends "ROLLBACK", so a failed chain leaves the database as it was.
#include "query.h"

namespace orvena {

class Transaction {
public:
    explicit Transaction(Query& query) : m_query(query)
    {
        run("START TRANSACTION");
    }
    ~Transaction()
    {
        if (!m_done) {
            try {
                run("ROLLBACK");
            } catch (...) { // the connection is gone; the server ends the transaction itself
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        run("COMMIT");
        m_done = true;
    }
    void rollback()
    {
        m_done = true;
        run("ROLLBACK");
    }

private:
    void run(const char* statement)
    {
        m_query.setSql({QString::fromLatin1(statement)});
        m_query.execute();
    }

    Query& m_query;
    bool m_done = false;
};

} // namespace orvena
