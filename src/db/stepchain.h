#pragma once
// A chain of steps in one transaction: either every step runs and the transaction commits, or the
// first failing step stops the chain, everything is rolled back, and that step's message is what
// the operator is told. The rollback happens before run() returns, so no message box ever waits
// while the transaction holds its locks. Every store of more than one statement is one chain,
// written in the function that owns the store:
//
//     StepChain chain(query);
//     if (!chain.run([&] {
//             chain.begin(QStringLiteral("...message when START TRANSACTION fails..."));
//             chain.step(QStringLiteral("...message..."), [&] { ...statements... });
//             addSteps(chain, ...); // a function that adds steps of its own (never begins, commits or tells)
//             if (...)
//                 chain.fail(QStringLiteral("...a refusal of the chain's own..."));
//             chain.commit(QStringLiteral("...message when COMMIT fails..."));
//         }))
//         tell(ui, chain.failure()); // logs the failure and shows its box
//
// Below the screens, where nobody is told, the chain's statements run outside steps and begin()
// and commit() take no message: an error rolls the chain back and goes on to the caller as thrown.
#include "errors.h"
#include "transaction.h"

#include <exception>
#include <utility>

namespace orvena {

// Why a chain stopped.
struct StepFailure {
    enum class Show {
        Message,     // a plain message box
        Notice,      // a notice box with a single "Igen"
        ErrorReport, // the general error report with the error's own text
    };
    QString message;
    Show show = Show::Message;
    // False when the ROLLBACK failed as well (the connection is gone; the server ends the
    // transaction with the session).
    bool rolledBack = true;
    // The error that stopped the step; empty for a refusal of the chain's own (fail()).
    std::exception_ptr cause;
};

class StepChain {
public:
    // The transaction runs on query's connection (or straight on a connection, for code that
    // runs no query objects); it begins with begin().
    explicit StepChain(Query& query) : m_transaction(query, Transaction::Start::Later) {}
    explicit StepChain(Connection& connection) : m_transaction(connection, Transaction::Start::Later) {}
    StepChain(const StepChain&) = delete;
    StepChain& operator=(const StepChain&) = delete;

    // Runs the chain. True when body ran to its end; a transaction it left open is rolled back.
    // False when a step failed: the transaction has been rolled back and failure() says why.
    // Any other exception rolls back too and goes on to the caller.
    template<typename Body>
    bool run(Body&& body)
    {
        try {
            std::forward<Body>(body)();
        } catch (const Stopped&) {
            m_failure.rolledBack = m_transaction.rollback();
            return false;
        } catch (...) {
            m_transaction.rollback();
            throw;
        }
        m_transaction.rollback();
        return true;
    }

    // One step: a database or conversion error inside fn stops the chain with message.
    template<typename Fn>
    void step(const QString& message, Fn&& fn)
    {
        try {
            std::forward<Fn>(fn)();
        } catch (const Error&) {
            stop(message, StepFailure::Show::Message, std::current_exception());
        }
    }
    // A step without a message of its own: an error stops the chain with the error's own text,
    // shown as the general error report.
    template<typename Fn>
    void step(Fn&& fn)
    {
        try {
            std::forward<Fn>(fn)();
        } catch (const Error& e) {
            stop(e.text(), StepFailure::Show::ErrorReport, std::current_exception());
        }
    }
    // Stops the chain with a refusal of its own.
    [[noreturn]] void fail(const QString& message, StepFailure::Show show = StepFailure::Show::Message)
    {
        stop(message, show, nullptr);
    }

    void begin(const QString& message)
    {
        step(message, [this] { m_transaction.begin(); });
    }
    void commit(const QString& message)
    {
        step(message, [this] { m_transaction.commit(); });
    }
    // The same for a chain that tells nobody: an error goes on to the caller of run().
    void begin() { m_transaction.begin(); }
    void commit() { m_transaction.commit(); }

    const StepFailure& failure() const { return m_failure; }

private:
    struct Stopped {}; // not an Error, so no step's guard catches it

    [[noreturn]] void stop(const QString& message, StepFailure::Show show, std::exception_ptr cause)
    {
        m_failure = StepFailure{message, show, true, std::move(cause)};
        throw Stopped{};
    }

    Transaction m_transaction;
    StepFailure m_failure;
};

} // namespace orvena
