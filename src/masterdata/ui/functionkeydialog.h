#pragma once
// The function-key text screen (TForm26): the text area with the key names beside its lines,
// "Mentés", "Beolvasás" and "Mégsem".
#include "masterdata/functionkeyscreen.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <memory>

class QPushButton;

namespace orvena {

// The text area: no wrapping, a larger font, and "F 2 =" ... "F12 =" painted left of the first
// eleven lines, so the names stay beside their lines however the area scrolls.
class FunctionKeyTextArea : public QPlainTextEdit {
public:
    explicit FunctionKeyTextArea(QWidget* parent = nullptr);
    static QStringList keyLabels(); // "F 2 =" ... "F12 ="

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class KeyLabelGutter;
    int gutterWidth() const;
    void updateGutterGeometry();
    void paintGutter(QPaintEvent* event);
    QWidget* m_gutter;
};

class FunctionKeyDialog : public QDialog {
public:
    FunctionKeyDialog(std::unique_ptr<FunctionKeyScreen> screen, QWidget* parent = nullptr);

    FunctionKeyScreen& screen() { return *m_screen; }
    FunctionKeyTextArea* textArea() const { return m_text; }
    // Shows the store's text in the text area.
    void showStoredText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<FunctionKeyScreen> m_screen;
    FunctionKeyTextArea* m_text;
    QPushButton* m_save;
    QPushButton* m_read;
    QPushButton* m_cancel;
};

} // namespace orvena
