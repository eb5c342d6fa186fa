#pragma once
// State that outlives the screens and is kept for the whole run: remembered keys per table, the
// invoice and delivery-note numbers the registers re-find when a screen over them closes, and the
// function-key text store that the composition screens read. What one screen hands to the next
// travels in its ScreenRequest; no screen reads its document from here.
#include "functionkeytexts.h"
#include "screenrequest.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace orvena {

class AppState {
public:
    // Remembered key of a table ("vevo", "cikk", "afa", "szallito", "mezonev", line IDs ...).
    QString rememberedKey(const QString& table) const { return m_keys.value(table); }
    void setRememberedKey(const QString& table, const QString& key) { m_keys.insert(table, key); }

    QString invoiceNumber;  // the invoice the register re-finds after a screen closes
    QString deliveryNumber; // the delivery note the register re-finds
    QString proformaNumber; // the proforma its register re-finds

    // The current function-key screen's text store; "F2-F12" replaces it with a fresh one.
    std::shared_ptr<FunctionKeyTexts> functionKeys = std::make_shared<FunctionKeyTexts>();

private:
    QHash<QString, QString> m_keys;
};

} // namespace orvena
