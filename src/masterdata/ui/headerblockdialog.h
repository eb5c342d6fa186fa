#pragma once
// The header-block composer screens (TForm14 customers, TForm24 issuers): entries are dragged
// between the field list and the tick list, ">>" moves the ticked ones into the block.
#include "masterdata/headerblockcomposer.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

namespace orvena {

class HeaderBlockDialog : public QDialog {
public:
    HeaderBlockDialog(ScreenContext& context, std::unique_ptr<HeaderBlockComposer> composer, QWidget* parent = nullptr);

    HeaderBlockComposer& composer() { return *m_composer; }
    QLineEdit* newLineField() const { return m_newLine; }
    QListWidget* fieldList() const { return m_fields; }
    QListWidget* tickList() const { return m_ticks; }
    QPlainTextEdit* blockField() const { return m_block; }
    QCheckBox* oneLineBox() const { return m_oneLine; }
    QPushButton* transferButton() const { return m_transfer; }

    // The payload of a drag that starts at `from` (what the drop targets read).
    static QMimeData* dragData(HeaderBlockComposer::Place from);
    static bool readDragData(const QMimeData* data, HeaderBlockComposer::Place* from);

    // The lists as the composer holds them.
    void showLists();

private:
    void buildLists(QGridLayout* grid, bool customer);
    void buildBlock(QGridLayout* grid, bool customer);
    void buildButtons(QGridLayout* grid);
    void connectModel();
    void startDrag(HeaderBlockComposer::Place from, QWidget* source);
    void ok();

    ScreenContext& m_context;
    std::unique_ptr<HeaderBlockComposer> m_composer;
    QLineEdit* m_newLine;
    QCheckBox* m_oneLine;
    QListWidget* m_fields;
    QListWidget* m_ticks;
    QPlainTextEdit* m_block;
    QPushButton* m_transfer;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace orvena
