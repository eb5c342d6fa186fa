#pragma once
// The function-key text screen: one text area, the eleven texts of F2 ... F12 one per line, read
// from and written to litania.txt. The screen edits the store that the composition screens' keys
// read, so an edit is used by the keys at once, saved or not.
#include "screens/common/screencontext.h"

#include <memory>

namespace orvena {

class FunctionKeyScreen {
public:
    static QString title() { return QStringLiteral("Funkció billentyűhöz rendelt szöveg"); }

    // The screen over a given store (the start-up instance, or a fresh one from the menu).
    FunctionKeyScreen(ScreenContext& context, std::shared_ptr<FunctionKeyTexts> texts,
                      QString path = FunctionKeyTexts::defaultFileName());

    // What the menu item does: a fresh store with the built-in lines becomes the current one,
    // which the keys read from now on; the previous one is left to whoever still holds it.
    static std::shared_ptr<FunctionKeyTexts> replaceCurrent(AppState& state);

    const QString& text() const { return m_texts->text(); }
    void setText(const QString& text) { m_texts->setText(text); }
    const std::shared_ptr<FunctionKeyTexts>& texts() const { return m_texts; }
    const QString& path() const { return m_path; }

    // Showing the screen and "Beolvasás": the file's lines replace the text area's contents.
    // A file that cannot be read is reported and the text stays as it was. Returns success.
    bool show() { return readFile(); }
    bool readFile();
    // "Mentés": the text area's text replaces the file, without a question. A failure is
    // reported and leaves the file as it was.
    bool save();

private:
    ScreenContext& m_context;
    std::shared_ptr<FunctionKeyTexts> m_texts;
    QString m_path;
};

} // namespace orvena
