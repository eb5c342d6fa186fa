#pragma once
// Bracketed expressions of the report templates: a dataset field (ZQ21.sMegn or ZQ21."sMegn"),
// a report variable or page counter (v_AFA_SUM, m_lap1), PAGE#, numbers, 'texts', + - * / and
// parentheses. Arithmetic reads texts in the program's number form ("1250,5"); + joins texts
// that are not numbers.
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace orvena::reports {

struct Value {
    QString text;
    std::optional<double> number; // set when the value is numeric
    static Value fromText(const QString& text);
    static Value fromNumber(double number);
};

// Answers the names an expression uses. A reference to a dataset field comes with its dataset;
// a plain name with an empty dataset. Throws Error for a name it does not know.
using NameResolver = std::function<QString(const QString& dataset, const QString& name)>;

class Expression {
public:
    // Throws Error with the expression's text when it cannot be parsed.
    static Expression parse(const QString& text);
    Value evaluate(const NameResolver& resolve) const;
    // Whether every name it uses is a dataset field (no variable, no page counter, no PAGE#):
    // its value then depends on the dataset rows alone.
    bool readsOnlyFields() const;

    struct Node;

private:
    std::shared_ptr<const Node> m_root;
};

// Parses every bracketed expression of a text object's content; throws Error for the first
// faulty one (unclosed, unparsable, nested or long beyond what a template needs).
void checkExpressions(const QString& content);

// The text of a number that a text holds ("12345,60", "-3", "0.5"); nothing for other texts.
std::optional<double> numberInText(const QString& text);

} // namespace orvena::reports
