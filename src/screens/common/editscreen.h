#pragma once
// The edit screen of a master table: its fields as texts in focus order, read-only code and
// identity, key filters, click toggles, validations with their messages and focus, "OK" with the
// save procedure, "Mégsem", and the copy of a record being modified.
//
// A table's screen derives from EditScreen, is built over the request it was opened with (its edit
// mode), declares its fields in the constructor and implements fill() (modify mode, from the list
// query's current row), show() and save():
//     VatEdit::VatEdit(ScreenContext& c, const ScreenRequest& r) : EditScreen(c, r, "afa", "Áfa bevitel") {
//         addField({"kAfa", "Áfa %", {}, CharFilter::digits()});
//         addField({"kAfanev", "Megnevezés"});
//         addField({"kID", "ID", {}, {}, {}, true});
//         ...
//     }
// The view binds one widget per field (EditDialog does that), forwards typing to setField(),
// clicks to click() and buttons to ok() / cancel(); it follows fieldChanged, titleChanged,
// focusRequested and finished. start() is what the screen does when it is opened: the fill
// procedure in a modify mode (false when it failed: the screen is not to open), then show().
#include "charfilter.h"
#include "savedelete.h"
#include "screencontext.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <optional>
#include <vector>

namespace orvena {

class EditScreen : public QObject {
    Q_OBJECT
public:
    // A click changes the text: match -> onMatch, anything else -> otherwise.
    struct Toggle {
        QString match;
        QString onMatch;
        QString otherwise;
    };
    struct Field {
        QString key;     // the column it edits, also the widget's objectName
        QString label = {}; // the label before it
        QString initial = {}; // the designed default
        CharFilter filter = {};
        std::optional<Toggle> toggle = {};
        bool readOnly = false;
        bool multiLine = false;
        QString hint = {};
    };
    // A validation: the field must not be empty once trailing blanks are removed.
    struct Check {
        QString key;
        QString message;
    };

    EditScreen(ScreenContext& context, const ScreenRequest& request, const QString& table, const QString& designedTitle,
               QObject* parent = nullptr);

    ScreenContext& context() const { return m_context; }
    // The table the fields are columns of (their widths and ranges come from its schema).
    const QString& table() const { return m_table; }
    const std::vector<Field>& fields() const { return m_fields; }
    const Field* fieldSpec(const QString& key) const;
    QString field(const QString& key) const;
    void setField(const QString& key, const QString& text);
    // A mouse click on the field: its toggle, if it has one.
    void click(const QString& key);

    // What the title shows: the designed title of a new record, or the modify title once the fill
    // has shown a stored record. A copy made of that record keeps the title, and with it what
    // only the modify title allows (copying, composing the header block).
    enum class TitleMode { Designed, Modify };

    QString title() const { return m_title; }
    QString designedTitle() const { return m_designedTitle; }
    TitleMode titleMode() const { return m_titleMode; }
    EditMode editMode() const { return m_mode; }
    void setEditMode(EditMode mode) { m_mode = mode; }
    bool isNew() const { return m_mode == EditMode::New; }
    // A copy of the record being modified waits to be stored as a new one ("Másolat készítés").
    bool isCopy() const { return m_copy; }

    // Opening: fill (modify mode) and show. False when the fill failed.
    bool start();
    virtual bool fill() { return true; }
    virtual void show() {}

    // "OK": validations in order, then every numeric field against its column's range (a value
    // too large is refused before anything is written, with the focus on it), then the save;
    // closes the screen when the record was saved.
    void ok();
    // "Mégsem": closes, nothing is stored.
    void cancel();
    bool isFinished() const { return m_finished; }

signals:
    void fieldChanged(const QString& key, const QString& text);
    void titleChanged(const QString& title);
    void focusRequested(const QString& key);
    void finished(bool saved);

protected:
    void addField(Field field);
    // The fill shows a stored record: the title becomes its modify text.
    void setModifyTitle(const QString& title);
    virtual std::vector<Check> checks() const = 0;
    // The save procedure's statements; true when the record was saved (the screen then closes).
    virtual bool save() = 0;
    // Copies a record being modified ("Másolat készítés"): under the modify title the mode
    // becomes the new mode and a suffix is appended to nameKey; otherwise refusal is shown.
    void copyRecord(const QString& nameKey, const QString& refusal);
    // The header-block composer for a record not stored yet (a pending copy): it gets this
    // screen's values of `columns` as its field list and blockKey's text as its block; what it
    // composes comes back into blockKey only, nothing is written. Returns whether it did.
    bool composeIntoField(Screen composer, const QStringList& columns, const QString& blockKey);
    // The text of the field whose key is `column` without regard to case (empty: none).
    QString fieldOfColumn(const QString& column) const;
    // Fills every field whose key is a column of the query's current row, as text, and keeps
    // what was read for the save's check against changes made elsewhere meanwhile.
    void fillFromRow(const Query& query);
    // What the fill read, for runSave: the record of idKey (its identity column) in this table.
    ReadRecord readRecord(const QString& idKey) const;
    // The record itself was written with this value by this screen (a composed block): the
    // check takes it as read.
    void noteWritten(const QString& key, const QString& value);
    void finish(bool saved);
    // column (lower case) -> label, for naming a field in a failure message
    QHash<QString, QString> labels() const;

    ScreenContext& m_context;
    const QString m_table;

private:
    std::vector<Field> m_fields;
    QHash<QString, QString> m_values;
    QList<QPair<QString, QString>> m_read; // key, text as the fill read it
    QString m_designedTitle;
    QString m_title;
    TitleMode m_titleMode = TitleMode::Designed;
    bool m_finished = false;
    bool m_copy = false;
    EditMode m_mode;
};

} // namespace orvena
