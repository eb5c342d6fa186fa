#pragma once
// Articles (table cikk): the list screen "Cikk" and the edit screen "Cikk bevitel". The list is
// also the chooser of the invoice and delivery-note line screens (current row of role::kArticleList). The edit
// screen picks the article's VAT rate through the VAT list.
#include "screens/common/editscreen.h"
#include "screens/common/listscreen.h"

namespace orvena {

namespace article {
inline const QString kTable = QStringLiteral("cikk");
inline const QString kModifyMode = QStringLiteral("Cikk módositás");
inline const QString kListSql = QStringLiteral("SELECT * FROM Cikk ORDER BY cmegn");
// The standard Hungarian VAT rate, proposed for a new article.
inline const QString kDefaultVat = QStringLiteral("27");
} // namespace article

class ArticleList : public ListScreen {
    Q_OBJECT
public:
    explicit ArticleList(ScreenContext& context, QObject* parent = nullptr);
    static ListSpec makeSpec();
    // The list window has been uncovered (an edit screen, a message or another window closed
    // over it): the list returns to name order, positioned by the remembered article key; when
    // the key matches no name, it stays on the article that was current.
    void uncovered();
};

class ArticleEdit : public EditScreen {
    Q_OBJECT
public:
    ArticleEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    bool fill() override;
    void show() override;
    // "ÁFA": the VAT list as a chooser; its current row gives percentage, name and code.
    void chooseVat();

protected:
    std::vector<Check> checks() const override;
    bool save() override;

private:
    void takeVatRow(bool withPercentage);
    Query& m_list;
    Query m_aux; // this screen's own: proposed codes, the save's checks
    Query& m_vat;
};

} // namespace orvena
