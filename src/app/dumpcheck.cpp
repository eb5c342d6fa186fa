#include "dumpcheck.h"

#include "db/codepages.h"

#include <QSet>

namespace orvena {

namespace {

// Every decision looks at most this many bytes ahead (a comment's version marker is the longest).
constexpr qsizetype kLookahead = 16;

bool wordByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '_' || c == '$'
        || u >= 0x80;
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

// Words a dump of tables never holds outside a string.
const QSet<QByteArray>& refusedWords()
{
    static const QSet<QByteArray> words{"GRANT",    "REVOKE",    "USER",     "DEFINER", "OUTFILE",   "DUMPFILE",
                                        "INFILE",   "LOAD_FILE", "DIRECTORY", "CONNECTION", "SONAME", "PLUGIN",
                                        "PROCEDURE", "FUNCTION", "TRIGGER",  "EVENT",   "VIEW",      "SERVER",
                                        "SHUTDOWN", "KILL"};
    return words;
}

// In a SET: what changes more than this session's own settings, or runs another statement.
const QSet<QByteArray>& refusedInSet()
{
    static const QSet<QByteArray> words{"GLOBAL", "PASSWORD", "ROLE", "STATEMENT", "FOR"};
    return words;
}

// Character sets in which a backslash can be the second byte of a character: the server would
// split the strings differently from this check.
const QSet<QByteArray>& ambiguousCharsets()
{
    static const QSet<QByteArray> words{"BIG5", "CP932", "GBK", "SJIS", "GB18030"};
    return words;
}

const QSet<QByteArray>& engines()
{
    static const QSet<QByteArray> words{"INNODB", "ARIA", "MYISAM", "MEMORY"};
    return words;
}

} // namespace

void DumpCheck::feed(const QByteArray& bytes)
{
    if (!m_problem.isEmpty())
        return;
    m_buffer.append(bytes);
    process(m_buffer.size() - kLookahead);
    checkLength(); // a statement not yet ended is bounded too
    m_buffer.remove(0, m_pos);
    m_dropped += m_pos;
    m_pos = 0;
}

void DumpCheck::checkLength()
{
    if (m_dropped + m_pos - m_passed > kLongestStatement)
        refuse(QStringLiteral("a kliensprogram által elfogadottnál hosszabb (%1 MB feletti) utasítást")
                   .arg(kLongestStatement >> 20),
               m_statementText);
}

void DumpCheck::finish()
{
    if (!m_problem.isEmpty())
        return;
    process(m_buffer.size());
    checkLength();
    const qint64 total = m_dropped + m_buffer.size();
    m_buffer.clear();
    m_pos = 0;
    if (!m_problem.isEmpty())
        return;
    if (m_state == State::Code || m_state == State::LineComment) {
        endWord();
        endStatement(); // the client runs a last statement without its semicolon too
    } else {
        refuse(QStringLiteral("befejezetlen szöveget vagy megjegyzést a végén"), m_statementText);
    }
    if (m_problem.isEmpty())
        m_passed = total;
}

void DumpCheck::refuse(const QString& what, const QByteArray& excerpt)
{
    if (!m_problem.isEmpty())
        return;
    QString shown = decode(CodePage::Latin2, excerpt).simplified();
    if (shown.size() > 60)
        shown = shown.left(60) + QStringLiteral("…");
    const qint64 line = m_tokens > 0 ? m_statementLine : m_line;
    m_problem = shown.isEmpty() ? QStringLiteral("%1 tartalmaz (%2. sor)").arg(what).arg(line)
                                : QStringLiteral("%1 tartalmaz (%2. sor: „%3”)").arg(what).arg(line).arg(shown);
}

void DumpCheck::process(qsizetype end)
{
    while (m_pos < end && m_problem.isEmpty()) {
        if (skipPlainStringBytes(end) || skipWordBytes(end))
            continue;
        const char c = m_buffer.at(m_pos);
        if (c == '\n')
            ++m_line;
        keepStatementText(c);
        switch (m_state) {
        case State::Single:
        case State::Double:
        case State::Backtick:
            stepQuoted(c);
            continue;
        case State::LineComment:
        case State::BlockComment:
            if (!stepComment(c))
                return;
            continue;
        case State::Code:
            if (!stepCode(c))
                return;
            continue;
        }
    }
}

// The bulk of a dump is its strings: their plain bytes are passed over at once.
bool DumpCheck::skipPlainStringBytes(qsizetype end)
{
    if ((m_state != State::Single && m_state != State::Double) || m_escape)
        return false;
    const char quote = m_state == State::Single ? '\'' : '"';
    const char* data = m_buffer.constData();
    qsizetype k = m_pos;
    while (k < end && data[k] != quote && data[k] != '\\' && data[k] != '\n')
        ++k;
    if (k == m_pos)
        return false;
    if (m_string.size() < 256)
        m_string.append(data + m_pos, qMin(k - m_pos, 256 - m_string.size()));
    if (m_statementText.size() < 80)
        m_statementText.append(data + m_pos, qMin(k - m_pos, 80 - m_statementText.size()));
    m_pos = k;
    return true;
}

// The rest of a dump is mostly numbers and NULLs: a run of a bare word's bytes is taken at once.
bool DumpCheck::skipWordBytes(qsizetype end)
{
    if (m_state != State::Code)
        return false;
    const char* data = m_buffer.constData();
    qsizetype k = m_pos;
    while (k < end && wordByte(data[k]))
        ++k;
    if (k == m_pos)
        return false;
    if (m_word.isEmpty())
        m_wordNumber = digit(data[m_pos]);
    m_word.append(data + m_pos, k - m_pos);
    if (m_statementText.size() < 80)
        m_statementText.append(data + m_pos, qMin(k - m_pos, 80 - m_statementText.size()));
    m_pos = k;
    return true;
}

// The statement's text as quoted in a refusal, from its first character (the first word's first
// letter included) on, without the comments and blanks before it.
void DumpCheck::keepStatementText(char c)
{
    if (m_statementText.size() < 80 && m_state != State::LineComment && m_state != State::BlockComment
        && (m_tokens > 0 || !m_word.isEmpty() || m_state != State::Code || wordByte(c)))
        m_statementText.append(c);
}

// One byte inside a string or a quoted name.
void DumpCheck::stepQuoted(char c)
{
    if (m_state == State::Backtick) {
        if (c == '`') {
            if (at(1) == '`') {
                ++m_pos;
            } else {
                m_state = State::Code;
                token({}, true, false, 0);
            }
        }
        ++m_pos;
        return;
    }
    const char quote = m_state == State::Single ? '\'' : '"';
    if (m_escape) {
        m_escape = false;
    } else if (c == '\\') {
        m_escape = true;
    } else if (c == quote) {
        if (at(1) != quote) {
            m_state = State::Code;
            token({}, false, false, '\'');
            ++m_pos;
            return;
        }
        ++m_pos;
    }
    if (m_string.size() < 256)
        m_string.append(c);
    ++m_pos;
}

// One byte inside a comment no server runs; false when the check stops here.
bool DumpCheck::stepComment(char c)
{
    if (c == '\\')
        return backslash();
    if (m_state == State::BlockComment && c == '*' && at(1) == '/') {
        m_state = State::Code;
        m_pos += 2;
        return true;
    }
    if (m_state == State::LineComment && c == '\n')
        m_state = State::Code;
    ++m_pos;
    return true;
}

// A backslash outside a string is a command to the client; the dump's only one is `\-`, which
// turns the client's sandbox mode on. False when refused.
bool DumpCheck::backslash()
{
    if (at(1) == '-') {
        m_pos += 2;
        return true;
    }
    qsizetype stop = m_pos;
    while (stop < m_buffer.size() && stop - m_pos < 40 && m_buffer.at(stop) != '\n')
        ++stop;
    refuse(QStringLiteral("parancsot a kliensprogramnak"), m_buffer.mid(m_pos, stop - m_pos));
    return false;
}

// A byte of a bare word or number; false when `c` does not continue it.
bool DumpCheck::extendWord(char c)
{
    if (wordByte(c)) {
        if (m_word.isEmpty())
            m_wordNumber = digit(c);
        m_word.append(c);
        ++m_pos;
        return true;
    }
    if (!m_wordNumber || m_word.startsWith("0x") || m_word.startsWith("0X"))
        return false;
    // 1.50, 1.5e-05: one number, not a name and a dot
    const bool point = c == '.' && !m_word.contains('.');
    const bool exponentSign = (c == '+' || c == '-') && (m_word.endsWith('e') || m_word.endsWith('E'));
    if (!point && !exponentSign)
        return false;
    m_word.append(c);
    ++m_pos;
    return true;
}

// /*!NNNNN ... */ and /*M!NNNNNN ... */ are run by the server; /*M!999999 by none.
void DumpCheck::openBlockComment()
{
    qsizetype k = 2;
    const bool mariadb = at(k) == 'M' && at(k + 1) == '!';
    if (at(k) != '!' && !mariadb) {
        m_state = State::BlockComment;
        m_pos += 2;
        return;
    }
    k += mariadb ? 2 : 1;
    QByteArray version;
    while (version.size() < 6 && digit(at(k)))
        version.append(at(k++));
    m_pos += k;
    if (mariadb && version == "999999")
        m_state = State::BlockComment;
    else
        m_execComment = true;
}

// One byte of statement text outside strings and comments; false when the check stops here.
bool DumpCheck::stepCode(char c)
{
    if (c == '\\') {
        endWord();
        return backslash();
    }
    if (extendWord(c))
        return true;
    endWord();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++m_pos;
    } else if (c == '\'' || c == '"' || c == '`') {
        m_state = c == '\'' ? State::Single : c == '"' ? State::Double : State::Backtick;
        if (c != '`')
            m_string.resize(0);
        if (m_tokens == 0 && m_statementText.isEmpty())
            m_statementText.append(c);
        ++m_pos;
    } else if (c == '#' || (c == '-' && at(1) == '-' && static_cast<unsigned char>(at(2)) <= ' ')) {
        m_state = State::LineComment;
        m_pos += c == '#' ? 1 : 2;
    } else if (c == '/' && at(1) == '*') {
        openBlockComment();
    } else if (c == '*' && at(1) == '/' && m_execComment) {
        m_execComment = false;
        m_pos += 2;
    } else if (c == ';') {
        checkLength();
        endStatement();
        ++m_pos;
        if (m_problem.isEmpty())
            m_passed = m_dropped + m_pos;
    } else {
        if (m_tokens == 0 && m_statementText.isEmpty())
            m_statementText.append(c);
        token({}, false, false, c);
        ++m_pos;
    }
    return true;
}

void DumpCheck::endWord()
{
    if (m_word.isEmpty())
        return;
    // upper-cased (ASCII, as the server reads keywords) into a buffer kept for the next word: a
    // dump has millions of words, and neither buffer is given back between them
    m_upper.resize(m_word.size());
    const char* from = m_word.constData();
    char* to = m_upper.data();
    for (qsizetype i = 0; i < m_word.size(); ++i)
        to[i] = from[i] >= 'a' && from[i] <= 'z' ? static_cast<char>(from[i] - 'a' + 'A') : from[i];
    const bool number = m_wordNumber;
    m_word.resize(0);
    m_wordNumber = false;
    token(m_upper, !number, number, 0);
}

void DumpCheck::token(const QByteArray& upperWord, bool identifier, bool number, char punctuation)
{
    if (!m_problem.isEmpty())
        return;
    if (m_tokens == 0)
        m_statementLine = m_line;
    ++m_tokens;
    const bool bareWord = !upperWord.isEmpty() && !number;

    if (m_dotAfterName && (identifier || punctuation == '*'))
        refuse(QStringLiteral("adatbázisnévvel minősített nevet (más adatbázis elérését)"), m_statementText);
    // @@SESSION.name is this session's own variable, not another database's table
    const bool sessionVariable = m_sessionScope;
    m_dotAfterName = punctuation == '.' && m_prevIdentifier && !sessionVariable;
    m_prevIdentifier = identifier;
    m_sessionScope = bareWord && m_ats >= 2 && (upperWord == "SESSION" || upperWord == "LOCAL");
    m_ats = punctuation == '@' ? m_ats + 1 : 0;

    if (m_tokens == 1) {
        static const QSet<QByteArray> statements{"SET", "DROP", "CREATE", "ALTER", "LOCK", "UNLOCK", "INSERT", "COMMIT"};
        m_first = bareWord ? upperWord : QByteArray();
        m_inSet = m_first == "SET";
        if (!statements.contains(m_first))
            refuse(QStringLiteral("adatmentésbe nem való utasítást"), m_statementText);
        return;
    }
    if (m_tokens == 2) {
        m_second = bareWord ? upperWord : QByteArray();
        bool allowed = true;
        if (m_first == "DROP" || m_first == "CREATE" || m_first == "ALTER")
            allowed = m_second == "TABLE";
        else if (m_first == "LOCK" || m_first == "UNLOCK")
            allowed = m_second == "TABLES";
        else if (m_first == "INSERT")
            allowed = m_second == "INTO";
        else if (m_first == "COMMIT")
            allowed = false;
        if (!allowed) {
            refuse(QStringLiteral("adatmentésbe nem való utasítást"), m_statementText);
            return;
        }
    }

    if (bareWord) {
        if (refusedWords().contains(upperWord))
            refuse(QStringLiteral("adatmentésbe nem való utasítást (%1)").arg(QString::fromLatin1(upperWord)),
                   m_statementText);
        else if (m_inSet && (refusedInSet().contains(upperWord) || ambiguousCharsets().contains(upperWord)))
            refuse(QStringLiteral("adatmentésbe nem való beállítást (%1)").arg(QString::fromLatin1(upperWord)),
                   m_statementText);
    }
    if (m_inSet && m_tokens > 1) {
        // A dump sets its variables to plain values: no function, no hexadecimal or bit value and
        // no character set introducer that could spell a mode this check would not see.
        const bool computed = punctuation == '(' || (number && (upperWord.startsWith("0X") || upperWord.startsWith("0B")))
            || (bareWord && (upperWord == "X" || upperWord == "B" || upperWord.startsWith('_')));
        if (computed)
            refuse(QStringLiteral("adatmentésbe nem való beállítást"), m_statementText);
    }
    if (punctuation == '\'' && m_inSet) {
        // as the server reads it: an unknown escape stands for its letter
        const QByteArray value = QByteArray(m_string).replace('\\', QByteArray()).toUpper();
        // modes under which the server would read quotes and backslashes differently
        bool refused = false;
        for (const char* mode : {"NO_BACKSLASH_ESCAPES", "ANSI", "ORACLE", "MSSQL", "DB2", "POSTGRESQL", "MAXDB"})
            refused = refused || value.contains(mode);
        for (const QByteArray& charset : ambiguousCharsets())
            refused = refused || value == charset;
        if (refused)
            refuse(QStringLiteral("adatmentésbe nem való beállítást"), m_statementText);
    }
    if (m_afterEngine && punctuation != '=') {
        if (!bareWord || !engines().contains(upperWord))
            refuse(QStringLiteral("nem megengedett tárolómotort"), m_statementText);
        m_afterEngine = false;
    }
    if (bareWord && (upperWord == "ENGINE" || upperWord == "TYPE"))
        m_afterEngine = m_first == "CREATE" || m_first == "ALTER";
}

void DumpCheck::endStatement()
{
    if (m_problem.isEmpty() && m_tokens == 1 && m_first != "COMMIT")
        refuse(QStringLiteral("adatmentésbe nem való utasítást"), m_statementText);
    m_tokens = 0;
    m_first.clear();
    m_inSet = false;
    m_second.clear();
    m_statementText.clear();
    m_prevIdentifier = false;
    m_sessionScope = false;
    m_ats = 0;
    m_dotAfterName = false;
    m_afterEngine = false;
}

} // namespace orvena
