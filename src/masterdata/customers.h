#pragma once
// Customers (table vevo): the list screen "Vevö" with its name search, and the edit screen
// "Vevö bevitel" with the copy and the header-block composer. The list is also the chooser of
// the invoice and delivery-note composition screens (current row of role::kCustomerList).
#include "screens/common/editscreen.h"
#include "screens/common/listscreen.h"

namespace orvena {

namespace customer {
inline const QString kTable = QStringLiteral("vevo");
inline const QString kModifyMode = QStringLiteral("Vevö módositás");
inline const QString kListSql = QStringLiteral("SELECT * FROM Vevo ORDER BY vneve");
// The name of the customer whose code is the SQL expression `code`, as a scalar subquery: the
// first record under that code (codes are not unique in old data); NULL for an unknown code.
QString nameByCodeSql(const QString& code);
} // namespace customer

class CustomerList : public ListScreen {
    Q_OBJECT
public:
    explicit CustomerList(ScreenContext& context, QObject* parent = nullptr);
    static ListSpec makeSpec();
    // "Keres", and every key typed in the search field: name order, positioned on the first
    // customer whose name begins with text.
    void search(const QString& text);
};

class CustomerEdit : public EditScreen {
    Q_OBJECT
public:
    CustomerEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    bool fill() override;
    void show() override;
    // "Másolat készítés"
    void copy();
    // "Összeállít": the header-block composer for the customer being modified.
    void compose();

protected:
    std::vector<Check> checks() const override;
    bool save() override;

private:
    Query& m_list;
    Query m_aux; // this screen's own: proposed codes, the save's checks
};

} // namespace orvena
