#pragma once
// The delivery-note line screen: one line of the note open in the composition screen, written
// straight into szlevsor under the note's number. A line carries no price, currency or VAT.
#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

#include <QObject>
#include <array>
#include <memory>
#include <optional>

namespace orvena {

class DeliveryLineEditor : public QObject {
    Q_OBJECT
public:
    enum Field { Id, Number, ArticleCode, ArticleNumber, Description, Vtsz, Quantity, Unit, Memo, FieldCount };

    // request.mode: a new line or the note's line list's current row; request.document: the note
    // and the lock of the composition screen that opened it (without a lock: the note's own).
    DeliveryLineEditor(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);

    // Before the screen is shown: the note's number from the composition screen and, in modify
    // mode, the fields from the current line of the note's line list. False when that fill
    // failed (its message has been shown) and the screen must not open.
    bool prepare();

    QString title() const { return m_title; }
    bool isNewLine() const;
    QString field(Field f) const { return m_fields[static_cast<size_t>(f)]; }
    void setField(Field f, const QString& text);

    // "Cikk": the article list opens positioned by the description typed so far; its current
    // article fills the line, whichever way the list was closed.
    void chooseArticle();
    // "OK": validates, writes the line and re-reads the note's line list. A store the server
    // refuses keeps the screen open with everything typed.
    void accept();
    bool isClosed() const { return m_closed; }

signals:
    void fieldChanged(int field);
    void focusRequested(int field);
    void closeRequested();

private:
    void fail(const QString& message, Field focus);
    void close();
    bool store();
    void rereadLines(bool modified);
    DocumentGuard guard() const;
    // Ends the screen with reason and what was typed.
    void end(const QString& reason);

    ScreenContext& m_context;
    const EditMode m_mode;
    const std::optional<DocumentRef> m_document;
    std::unique_ptr<NamedLock> m_lock; // this screen's count of its note's lock
    std::array<QString, FieldCount> m_fields;
    QString m_title;
    bool m_closed = false;
};

} // namespace orvena
