#pragma once
// The storno of an issued invoice, built in one transaction: the reversed invoice checked under
// its lock (issued, no correction, no storno, not reversed yet), copied with its corrections'
// lines through the work tables under the next number, the quantities negated, stored with the
// storno's remark and today's issue date, its advance data carried over and its link written.
#include "db/query.h"
#include "db/stepchain.h"

namespace orvena {

class DataModule;

class StornoBuilder {
public:
    StornoBuilder(DataModule& data, const QString& reversed);

    // Runs the chain. True when the storno was stored: number() names it. False when a step
    // failed or refused: everything was rolled back and failure() says why (nobody told yet).
    bool build();
    const QString& number() const { return m_number; }
    const StepFailure& failure() const { return m_chain.failure(); }

private:
    // The checks, each a refusal of the chain; run before anything is written.
    void checkReversedIssued();
    void checkNoCorrection();
    void checkCorrectionsIssued();
    void checkNotReversed();
    void checkNumberFree();
    // The writes, each a step with its own message.
    void copyIntoWorkTables();
    void addCorrectionLines();
    void negateQuantities();
    void markRemark();
    void storeFromWorkTables();
    void link();

    DataModule& m_data;
    const QString m_reversed;
    QString m_number;
    // The work tables' header and lines, and one for checks and updates.
    Query m_head;
    Query m_lines;
    Query m_scratch;
    StepChain m_chain;
};

} // namespace orvena
