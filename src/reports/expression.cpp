#include "expression.h"

#include "db/conversions.h"
#include "db/errors.h"

#include <QVarLengthArray>
#include <charconv>
#include <cmath>

namespace orvena::reports {

namespace {

// The blanks around a number: space, tab, line breaks, vertical tab and form feed.
bool isBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

// Read by hand: every value a template prints passes through here, most of them are no
// number at all, and the answer is known at the first letter.
std::optional<double> numberInText(const QString& text)
{
    const char16_t* begin = QStringView(text).utf16();
    const char16_t* end = begin + text.size();
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    bool negative = false;
    if (begin < end && (*begin == u'-' || *begin == u'+'))
        negative = *begin++ == u'-';
    // digits, at most one decimal sign (point or comma), digits; a digit on either side of it
    QVarLengthArray<char, 64> plain;
    qsizetype digits = 0;
    bool separator = false;
    for (const char16_t* c = begin; c < end; ++c) {
        if (isDigit(*c)) {
            ++digits;
            plain.append(static_cast<char>(*c));
        } else if ((*c == u'.' || *c == u',') && !separator) {
            separator = true;
            plain.append('.');
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    double value = 0;
    const auto [rest, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || rest != plain.data() + plain.size())
        return std::nullopt;
    return negative ? -value : value;
}

Value Value::fromText(const QString& text)
{
    return {text, numberInText(text)};
}

Value Value::fromNumber(double number)
{
    return {formatPlain(number), number};
}

struct Expression::Node {
    enum class Kind { Literal, Reference, Negate, Add, Subtract, Multiply, Divide } kind;
    Value literal;
    QString dataset, name;
    std::shared_ptr<const Node> left, right;
};

namespace {

using NodePtr = std::shared_ptr<const Expression::Node>;
using Kind = Expression::Node::Kind;

// An expression's parts are parsed, evaluated and freed recursively: its nesting and its size
// stay far below what the stack holds (templates use a few levels and a handful of parts).
constexpr int kMaxNesting = 50;
constexpr int kMaxParts = 500;

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    NodePtr parseAll()
    {
        NodePtr node = sum();
        skipBlanks();
        if (m_pos < m_text.size())
            fail();
        return node;
    }

private:
    [[noreturn]] void fail() const
    {
        throw Error(QStringLiteral("Hibás kifejezés a sablonban: [%1]").arg(shown()));
    }
    [[noreturn]] void tooLarge(const QString& what) const
    {
        throw Error(QStringLiteral("A sablon kifejezése %1: [%2]").arg(what, shown()));
    }
    // The expression as a message shows it: its beginning when it is long.
    QString shown() const { return m_text.size() > 60 ? m_text.left(60) + QStringLiteral("…") : m_text; }
    NodePtr counted(NodePtr node)
    {
        if (++m_parts > kMaxParts)
            tooLarge(QStringLiteral("túl hosszú (legfeljebb %1 tag és művelet)").arg(kMaxParts));
        return node;
    }
    // One level deeper for the parse of a parenthesis or a sign, one level back when it is done.
    struct Level {
        explicit Level(Parser& p) : parser(p)
        {
            if (++parser.m_depth > kMaxNesting)
                parser.tooLarge(QStringLiteral("túl mélyen egymásba ágyazott (legfeljebb %1 szint)").arg(kMaxNesting));
        }
        ~Level() { --parser.m_depth; }
        Parser& parser;
    };
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool take(QChar c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    NodePtr binary(Kind kind, NodePtr l, NodePtr r)
    {
        auto n = std::make_shared<Expression::Node>();
        n->kind = kind;
        n->left = std::move(l);
        n->right = std::move(r);
        return counted(n);
    }
    NodePtr sum()
    {
        NodePtr node = product();
        for (;;) {
            if (take(u'+'))
                node = binary(Kind::Add, node, product());
            else if (take(u'-'))
                node = binary(Kind::Subtract, node, product());
            else
                return node;
        }
    }
    NodePtr product()
    {
        NodePtr node = factor();
        for (;;) {
            if (take(u'*'))
                node = binary(Kind::Multiply, node, factor());
            else if (take(u'/'))
                node = binary(Kind::Divide, node, factor());
            else
                return node;
        }
    }
    NodePtr factor()
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            fail();
        const QChar c = m_text.at(m_pos);
        if (take(u'-')) {
            const Level level(*this);
            return binary(Kind::Negate, factor(), nullptr);
        }
        if (take(u'(')) {
            const Level level(*this);
            NodePtr inner = sum();
            if (!take(u')'))
                fail();
            return inner;
        }
        auto n = std::make_shared<Expression::Node>();
        counted(n);
        if (c == u'\'') {
            const qsizetype end = m_text.indexOf(u'\'', m_pos + 1);
            if (end < 0)
                fail();
            n->kind = Kind::Literal;
            n->literal = Value{m_text.mid(m_pos + 1, end - m_pos - 1), std::nullopt};
            m_pos = end + 1;
            return n;
        }
        if (c.isDigit()) {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == u'.'))
                ++m_pos;
            n->kind = Kind::Literal;
            n->literal = Value::fromText(m_text.mid(start, m_pos - start));
            if (!n->literal.number)
                fail();
            return n;
        }
        n->kind = Kind::Reference;
        n->name = name();
        if (take(u'.')) {
            n->dataset = n->name;
            skipBlanks();
            if (m_pos < m_text.size() && m_text.at(m_pos) == u'"') {
                const qsizetype end = m_text.indexOf(u'"', m_pos + 1);
                if (end < 0)
                    fail();
                n->name = m_text.mid(m_pos + 1, end - m_pos - 1);
                m_pos = end + 1;
            } else {
                n->name = name();
            }
        }
        return n;
    }
    QString name()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (!(c.isLetterOrNumber() || c == u'_' || c == u'#'))
                break;
            ++m_pos;
        }
        if (m_pos == start || m_text.at(start).isDigit())
            fail();
        return m_text.mid(start, m_pos - start);
    }

    QString m_text;
    qsizetype m_pos = 0;
    int m_depth = 0;
    int m_parts = 0;
};

double numeric(const Value& v)
{
    if (v.number)
        return *v.number;
    if (v.text.trimmed().isEmpty())
        return 0; // an empty field counts as zero in arithmetic
    throw Error(QStringLiteral("A(z) \"%1\" érték nem szám, nem lehet vele számolni.").arg(v.text));
}

Value evaluateNode(const Expression::Node& node, const NameResolver& resolve)
{
    switch (node.kind) {
    case Kind::Literal:
        return node.literal;
    case Kind::Reference:
        return Value::fromText(resolve(node.dataset, node.name));
    case Kind::Negate:
        return Value::fromNumber(-numeric(evaluateNode(*node.left, resolve)));
    case Kind::Add: {
        const Value l = evaluateNode(*node.left, resolve);
        const Value r = evaluateNode(*node.right, resolve);
        // numbers add up (an empty value counting as zero); any other text is joined
        if ((l.number || l.text.isEmpty()) && (r.number || r.text.isEmpty()))
            return Value::fromNumber(numeric(l) + numeric(r));
        return Value::fromText(l.text + r.text);
    }
    case Kind::Subtract:
        return Value::fromNumber(numeric(evaluateNode(*node.left, resolve)) - numeric(evaluateNode(*node.right, resolve)));
    case Kind::Multiply:
        return Value::fromNumber(numeric(evaluateNode(*node.left, resolve)) * numeric(evaluateNode(*node.right, resolve)));
    case Kind::Divide: {
        const double divisor = numeric(evaluateNode(*node.right, resolve));
        if (divisor == 0)
            throw Error(QStringLiteral("Nullával való osztás a sablon egy kifejezésében."));
        return Value::fromNumber(numeric(evaluateNode(*node.left, resolve)) / divisor);
    }
    }
    return {};
}

bool onlyFields(const Expression::Node& node)
{
    if (node.kind == Kind::Reference)
        return !node.dataset.isEmpty();
    return (!node.left || onlyFields(*node.left)) && (!node.right || onlyFields(*node.right));
}

} // namespace

Expression Expression::parse(const QString& text)
{
    Expression e;
    e.m_root = Parser(text).parseAll();
    return e;
}

void checkExpressions(const QString& content)
{
    qsizetype pos = 0;
    while ((pos = content.indexOf(u'[', pos)) >= 0) {
        const qsizetype close = content.indexOf(u']', pos);
        if (close < 0)
            throw Error(QStringLiteral("Lezáratlan kifejezés a sablonban: %1").arg(content.mid(pos, 60)));
        Expression::parse(content.mid(pos + 1, close - pos - 1));
        pos = close + 1;
    }
}

Value Expression::evaluate(const NameResolver& resolve) const
{
    return evaluateNode(*m_root, resolve);
}

bool Expression::readsOnlyFields() const
{
    return onlyFields(*m_root);
}

} // namespace orvena::reports
