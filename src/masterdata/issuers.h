#pragma once
// Issuers of documents (table szallito, "Kibocsátó"): the list screen "Szállító" and the edit
// screen "Szállító bevitel" with the copy and the header-block composer. The list is also the
// chooser of the invoice and delivery-note composition screens (current row of role::kIssuerList).
#include "screens/common/editscreen.h"
#include "screens/common/listscreen.h"

namespace orvena {

namespace issuer {
inline const QString kTable = QStringLiteral("szallito");
inline const QString kModifyMode = QStringLiteral("Szállító módositás");
inline const QString kAfterSaveSql = QStringLiteral("SELECT * FROM szallito ORDER BY znev1");
} // namespace issuer

class IssuerList : public ListScreen {
    Q_OBJECT
public:
    explicit IssuerList(ScreenContext& context, QObject* parent = nullptr);
    static ListSpec makeSpec();
};

class IssuerEdit : public EditScreen {
    Q_OBJECT
public:
    IssuerEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    bool fill() override;
    void show() override;
    // "Másolat készítés"
    void copy();
    // "Összeállít": the header-block composer for the issuer being modified.
    void compose();

protected:
    std::vector<Check> checks() const override;
    bool save() override;

private:
    Query& m_list;
    Query m_aux; // this screen's own: proposed codes, the save's checks
};

} // namespace orvena
