#pragma once
// VAT rates (table afa): the list screen "Áfa" and the edit screen "Áfa bevitel". The list is
// also the chooser of the invoice line screen and of the article edit screen, which read kAfa,
// kAfanev and kAfakod from the current row of role::kVatList once it has closed.
#include "screens/common/editscreen.h"
#include "screens/common/listscreen.h"

namespace orvena {

namespace vat {
inline const QString kTable = QStringLiteral("afa");
inline const QString kModifyMode = QStringLiteral("Áfa módositás");
inline const QString kListSql = QStringLiteral("SELECT * FROM afa ORDER BY kAfa");
} // namespace vat

class VatList : public ListScreen {
    Q_OBJECT
public:
    explicit VatList(ScreenContext& context, QObject* parent = nullptr);
    static ListSpec makeSpec();
};

class VatEdit : public EditScreen {
    Q_OBJECT
public:
    VatEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    bool fill() override;
    void show() override;

protected:
    std::vector<Check> checks() const override;
    bool save() override;

private:
    Query& m_list;
    Query m_aux; // this screen's own: proposed codes, the save's checks
};

} // namespace orvena
