#pragma once
// Reads the SQL of a backup before anything of it runs and refuses what a dump of one database
// never holds. A backup's checksum only shows that the file is whole; a file made up by someone
// else passes it too. The restore runs the dump through the standard client, so the dump may
// hold only what `mariadb-dump` writes for the program's tables: SET of session variables,
// DROP/CREATE/ALTER TABLE, LOCK/UNLOCK TABLES and INSERT INTO, with unqualified names.
// Refused: any client command (a backslash outside a string, such as `\!` or `\.`, except the
// dump's own `\-` that turns the client's sandbox on), any other statement (GRANT, CREATE USER,
// USE, LOAD DATA, ...), a name qualified by a database (`other`.`t`), table options that reach
// outside the database (another engine, DATA DIRECTORY, CONNECTION), and SET of global values,
// passwords, roles or a quoting mode that would make the server read the strings differently
// from this check.
#include <QByteArray>
#include <QString>

namespace orvena {

class DumpCheck {
public:
    // Feeds the next bytes of the dump (in order, any chunk size).
    void feed(const QByteArray& bytes);
    // The dump has ended.
    void finish();
    // Why the dump is refused (Hungarian: what was found, its line and beginning); empty while
    // nothing was refused.
    const QString& problem() const { return m_problem; }
    // How many bytes from the dump's start hold statements checked whole and let through (up to
    // and with the semicolon of the last one; all of them once finish() let the dump through).
    // Only these may reach the client while the dump is still being read: the rest may yet be
    // refused.
    qint64 passed() const { return m_passed; }

    // The client takes no statement longer than its max_allowed_packet (16 MB by default): a
    // longer one is no dump of ours, and a reader that holds statements back until they are
    // checked would hold it whole.
    static constexpr qint64 kLongestStatement = qint64(64) << 20;

private:
    enum class State { Code, Single, Double, Backtick, LineComment, BlockComment };
    void process(qsizetype end);
    char at(qsizetype k) const { return m_pos + k < m_buffer.size() ? m_buffer.at(m_pos + k) : '\0'; }
    bool skipPlainStringBytes(qsizetype end);
    bool skipWordBytes(qsizetype end);
    void keepStatementText(char c);
    void stepQuoted(char c);
    bool stepComment(char c);
    bool stepCode(char c);
    bool extendWord(char c);
    void openBlockComment();
    bool backslash();
    void endWord();
    void token(const QByteArray& upperWord, bool identifier, bool number, char punctuation);
    void endStatement();
    void refuse(const QString& what, const QByteArray& excerpt = {});
    void checkLength();

    QByteArray m_buffer; // bytes not yet processed (a few kept back for lookahead)
    qsizetype m_pos = 0;
    qint64 m_dropped = 0; // bytes of the dump before m_buffer's first
    qint64 m_passed = 0;
    State m_state = State::Code;
    bool m_escape = false;      // the previous byte in a string was a backslash
    bool m_execComment = false; // inside /*! ... */, whose content the server runs
    bool m_quietComment = false; // inside /*M!999999 ... */, which no server runs
    qint64 m_line = 1;

    QByteArray m_word;           // the bare word being read
    QByteArray m_upper;          // the last word read, upper-cased
    bool m_wordNumber = false;
    QByteArray m_string;         // the start of the string being read (for SET checks)

    // the statement being read
    qint64 m_statementLine = 0;
    QByteArray m_statementText; // its beginning, for the message
    int m_tokens = 0;
    QByteArray m_first, m_second;
    bool m_inSet = false; // the statement is a SET
    bool m_prevIdentifier = false; // the previous token was a name
    bool m_sessionScope = false;   // ... and it was the SESSION of @@SESSION
    int m_ats = 0;                 // '@' tokens right before this one
    bool m_dotAfterName = false;   // ... followed by a '.'
    bool m_afterEngine = false;
    QString m_problem;
};

} // namespace orvena
