#pragma once
// The delivery-note register: lists every note, shows the lines, customer and issuer of the
// highlighted one, and creates, modifies, views and prints notes. Its "Sorszám " tab corrects
// the delivery-note sequence. The invoice screen opens it as a chooser of a note.
#include "screens/common/screencontext.h"

#include <QObject>

namespace orvena {

class DeliveryRegister : public QObject {
    Q_OBJECT
public:
    // request.chosen: opened as a chooser, where "Kiválaszt" answers.
    explicit DeliveryRegister(ScreenContext& context, const ScreenRequest& request = {}, QObject* parent = nullptr);

    // On creation: the list of every note, on its last row.
    void prepare();
    // Whenever the register comes back into view: the list re-read and positioned on the note
    // last composed in this run (the first row while there is none).
    void reread();
    // On a tab change: the highlighted note's lines, customer and issuer.
    void refreshDetails();

    // The highlighted note's column (empty without one).
    QString headerField(const QString& column) const;

    // Every action reads the highlighted note before it asks or shows anything and then works on
    // that note by its number: a box closing over the register re-reads and re-positions the
    // list. On an empty register the actions on a note do nothing.
    void newNote();
    // "Módosít": refused with a notice for a printed note.
    void modifyNote();
    // The "J" key on "Módosít": opens the note whatever its printed flag.
    void modifyNoteAnyway();
    void viewNote();
    void printNote();
    // "Kiválaszt": the highlighted note becomes the chooser's answer (the request's `chosen`).
    // Leaving the register any other way answers nothing.
    void choose();

    // The "Sorszám " tab: shown with the next delivery-note number; "Letárol" stores the typed
    // number as the last one issued.
    void resetTabShown();
    QString resetNumber() const { return m_resetNumber; }
    void setResetNumber(const QString& text) { m_resetNumber = text; }
    void storeResetNumber();

signals:
    void resetNumberChanged();
    void resetFocusRequested();

private:
    void openComposer(EditMode mode, const QString& number);
    void print(PrintMode mode);

    ScreenContext& m_context;
    QString* m_chosen = nullptr;
    QString m_resetNumber;
};

} // namespace orvena
