#pragma once
// State that outlives the screens and is kept for the whole run: edit modes and remembered keys
// per table, the current invoice and delivery-note numbers, the print mode, and the function-key
// text store that the composition screens read.
#include "functionkeytexts.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace orvena {

class AppState {
public:
    // Edit mode of a table family ("vevo" -> "Új vevö", "szlafej" -> "Új számla", ...).
    QString editMode(const QString& table) const { return m_editModes.value(table); }
    void setEditMode(const QString& table, const QString& mode) { m_editModes.insert(table, mode); }
    // Remembered key of a table ("vevo", "cikk", "afa", "szallito", "mezonev", line IDs ...).
    QString rememberedKey(const QString& table) const { return m_keys.value(table); }
    void setRememberedKey(const QString& table, const QString& key) { m_keys.insert(table, key); }

    QString invoiceNumber;  // the invoice the register re-finds after a screen closes
    QString deliveryNumber; // the delivery note the register re-finds
    QString printMode;      // "Megtekint" or "Nyomtatás"

    // A header block composed for a record that is not stored yet (a pending copy): the edit
    // screen puts its own field values and block here before it opens the composer, the
    // composer works on them instead of the list's current row, and its "OK" writes the block
    // back here, never to the database.
    struct BlockDraft {
        QStringList fields; // the field list's entries
        QString block;      // as stored: each line ended by CR LF
        bool composed = false; // the composer's "OK" was pressed
    };
    std::optional<BlockDraft> blockDraft;

    // The current function-key screen's text store; "F2-F12" replaces it with a fresh one.
    std::shared_ptr<FunctionKeyTexts> functionKeys = std::make_shared<FunctionKeyTexts>();

private:
    QHash<QString, QString> m_editModes;
    QHash<QString, QString> m_keys;
};

} // namespace orvena
