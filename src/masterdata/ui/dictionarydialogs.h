#pragma once
// The label dictionary's list (TForm17 "Szótár") and its scrolling 35-field edit screen
// (TForm18 "Szótár bevitel").
#include "masterdata/dictionary.h"
#include "screens/common/ui/editdialog.h"
#include "screens/common/ui/listdialog.h"

namespace orvena {

// The list: grid, navigator bar, buttons; no caption line, no sorting, no detail panel.
ListDialog* createDictionaryList(ScreenContext& context, QWidget* parent);

class DictionaryEditDialog : public EditDialog {
public:
    // Runs the model's opening (the fill in modify mode); returns nullptr when it failed.
    static DictionaryEditDialog* create(ScreenContext& context, const ScreenRequest& request, QWidget* parent);

    DictionaryEdit* dictionary() const { return m_dictionary; }

protected:
    // Enter in a field does nothing here; a focused button takes Enter itself.
    void keyPressEvent(QKeyEvent* event) override;

private:
    DictionaryEditDialog(DictionaryEdit* model, QWidget* parent);
    DictionaryEdit* m_dictionary;
};

} // namespace orvena
